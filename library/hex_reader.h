// The Intel HEX reader: text in pieces of any size into an image, record by
// record, with the line and column of the first fault. HexToBinary is this
// reader over one whole text.
#ifndef KESTRUN_HEX_READER_H
#define KESTRUN_HEX_READER_H

#include "exports.h"
#include "image.h"
#include "records.h"

#include <cstdint>

namespace kestrun {

// Progress in the caller's units: offsets shifted right so that the total
// fits the callback's 31 bits, the total as the caller gave it.
struct Progress {
    ProgressCallback callback = nullptr;
    intptr_t userValue = 0;
    int32_t total = 0;
    unsigned shift = 0;

    void set(ProgressCallback cb, uint64_t bytes, intptr_t user)
    {
        callback = cb;
        userValue = user;
        shift = 0;
        while ((bytes >> shift) > uint64_t(INT32_MAX))
            ++shift;
        total = static_cast<int32_t>(bytes >> shift);
    }
    bool report(uint64_t done) const
    {
        return !callback || callback(static_cast<int32_t>(done >> shift), total, userValue) != 0;
    }
};

// What every format's reader is told before its first piece.
struct ReaderSettings {
    OverlapRule overlap;
    StoredWindow window;
    uint32_t source = 0;
    kestrun_record_fn onRecord = nullptr;
    intptr_t recordUser = 0;
    Progress progress;
    uint64_t dataBytes = 0; // data bytes read (those outside the window too)
    // Records whose checksum is wrong are read as if it were right, and
    // counted, for a caller that is to make them right.
    bool acceptChecksums = false;
    uint64_t badChecksums = 0;
};

class HexReader : public ReaderSettings {
public:
    explicit HexReader(Image *image) : m_image(image) {}

    // The text to come begins at `offset` of a longer one, on `line`.
    void beginAt(uint64_t offset, uint64_t line)
    {
        m_offset = m_lineStart = offset;
        m_line = m_editorLine = line;
    }
    int32_t feed(const char *text, uint64_t length);
    int32_t finish();
    const kestrun_place *place() const
    {
        return m_result < 0 && m_place.result == m_result ? &m_place : nullptr;
    }
    const kestrun_hex_stats &stats() const { return m_stats; }
    // Where the first line that is not blank after the end record begins;
    // null when none has been fed.
    const kestrun_place *pastEnd() const { return m_pastEnd.line ? &m_pastEnd : nullptr; }

private:
    // The longest record: colon, 260 pairs, and the character after them.
    static constexpr uint64_t kLongestRecord = 1 + 2 * 260 + 1;

    void separators(const char *&p, const char *end);
    int32_t lookPastEnd(const char *p, const char *end);
    int32_t beginRecord(const char *p);
    int32_t record(const char *pairs, uint64_t available, bool atEnd, uint64_t &used);
    int32_t take(int32_t type, uint32_t position);
    int32_t fail(int32_t result, uint64_t faultOffset);

    Image *m_image; // null: records are checked and reported, not stored
    DecodedRecord m_decoded;
    uint64_t m_segmentBase = 0;
    uint64_t m_linearBase = 0;

    // Where the next character of the text stands.
    uint64_t m_offset = 0;
    uint64_t m_line = 1;
    uint64_t m_lineStart = 0;
    // The line as an editor counts it: every CR and every LF not after a
    // CR ends one.
    uint64_t m_editorLine = 1;
    // Line ends: LF always ends a line; CR does unless LF follows, and, as
    // GNU objcopy counts, unless LF came just before it.
    char m_previous = 0;
    bool m_pendingCr = false;
    bool m_crAfterLf = false;

    // A record begun at the end of one piece, to be completed by the next.
    char m_carry[kLongestRecord];
    uint64_t m_carried = 0;
    uint64_t m_recordOffset = 0;
    uint64_t m_recordLine = 1;
    uint64_t m_recordLineStart = 0;
    uint64_t m_recordEditorLine = 1;
    bool m_started = false;

    int32_t m_result = ResultOk;
    kestrun_place m_place{};
    kestrun_hex_stats m_stats{};
    kestrun_place m_pastEnd{};
};

} // namespace kestrun

struct kestrun_hex_reader {
    explicit kestrun_hex_reader(kestrun::Image *image) : reader(image) {}
    kestrun::HexReader reader;
};

#endif
