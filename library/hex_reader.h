// The Intel HEX reader: text in pieces of any size into an image, record by
// record, with the line and column of the first fault. HexToBinary is this
// reader over one whole text.
#ifndef KESTRUN_HEX_READER_H
#define KESTRUN_HEX_READER_H

#include "exports.h"
#include "format_reader.h"
#include "image.h"
#include "records.h"

#include <cstdint>

namespace kestrun {

class HexReader final : public FormatReader {
public:
    explicit HexReader(Image *image) : m_image(image) {}

    // The text to come begins at `offset` of a longer one, on `line`.
    void beginAt(uint64_t offset, uint64_t line) override
    {
        m_offset = m_lineStart = offset;
        m_line = m_editorLine = line;
    }
    int32_t feed(const char *text, uint64_t length) override;
    int32_t finish() override;
    const kestrun_place *place() const override
    {
        return m_result < 0 && m_place.result == m_result ? &m_place : nullptr;
    }
    const kestrun_hex_stats &stats() const { return m_stats; }
    void statsInto(kestrun_read_stats &stats) const override;
    // Where the first line that is not blank after the end record begins;
    // null when none has been fed.
    const kestrun_place *pastEnd() const override { return m_pastEnd.line ? &m_pastEnd : nullptr; }

private:
    // The longest record: colon, 260 pairs, and the character after them.
    static constexpr uint64_t kLongestRecord = 1 + 2 * 260 + 1;

    // Passes the line ends at p; with `recordFollows`, a record's place is
    // taken where they stop short of the end.
    void separators(const char *&p, const char *end, bool recordFollows = false);
    int32_t lookPastEnd(const char *p, const char *end);
    int32_t beginRecord(const char *p);
    int32_t dataRecords(const char *&p, const char *end, bool &took);
    int32_t record(const char *pairs, uint64_t available, bool atEnd, uint64_t &used);
    int32_t take(int32_t type, uint32_t position, uint64_t offset, uint64_t line,
                 uint64_t editorLine);
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
