// The Motorola S-record reader: text in pieces of any size into an image,
// record by record, with the line and column of the first fault, as the
// Intel HEX reader reads its format.
#ifndef KESTRUN_SREC_READER_H
#define KESTRUN_SREC_READER_H

#include "exports.h"
#include "hex_reader.h"
#include "image.h"
#include "srec_lines.h"

#include <cstdint>

namespace kestrun {

class SRecReader final : public FormatReader {
public:
    explicit SRecReader(Image *image) : m_image(image) {}

    // The text to come begins at `offset` of a longer one, on `line`.
    void beginAt(uint64_t offset, uint64_t line) override
    {
        m_offset = offset;
        m_line = line;
    }
    int32_t feed(const char *text, uint64_t length) override;
    int32_t finish() override;
    const kestrun_place *place() const override
    {
        return m_result < 0 && m_place.result == m_result ? &m_place : nullptr;
    }
    kestrun_srec_stats stats() const;
    void statsInto(kestrun_read_stats &stats) const override;
    // Where the first record after a termination record begins; null when
    // none has been read.
    const kestrun_place *pastEnd() const override { return m_pastEnd.line ? &m_pastEnd : nullptr; }

private:
    // A line longer than the longest record is wrong by its next character,
    // so one more is all a carried line needs.
    static constexpr uint64_t kCarry = kSrecLongestLine + 1;

    void lineEnds(const char *&p, const char *end);
    int32_t record(const char *p, uint64_t length);
    int32_t take(uint32_t type, const uint8_t *bytes, uint32_t count);
    int32_t fail(int32_t result, uint64_t index);

    Image *m_image; // null: records are checked and reported, not stored
    uint8_t m_bytes[kSrecMaxCount + 1];

    // Where the next character of the text stands.
    uint64_t m_offset = 0;
    uint64_t m_line = 1;
    bool m_pendingCr = false;
    bool m_started = false;

    // A record cut by the end of a piece, to be completed by the next.
    char m_carry[kCarry];
    uint64_t m_carried = 0;
    bool m_carrying = false;
    uint64_t m_recordOffset = 0;
    uint64_t m_recordLine = 1;

    uint64_t m_records[10] = {};
    kestrun_hex_stats m_overlaps{};
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
    kestrun_place m_pastEnd{};
};

} // namespace kestrun

struct kestrun_srec_reader {
    explicit kestrun_srec_reader(kestrun::Image *image) : reader(image) {}
    kestrun::SRecReader reader;
};

#endif
