// The reader of a text format read line by line (TI-TXT, VMEM): the text
// is fed in pieces of any size, cut into lines (LF ends one, a CR before it
// is dropped), and each whole line goes to the format's own rule with its
// number; a failure is placed at its line and column.
#ifndef KESTRUN_TEXT_LINE_READER_H
#define KESTRUN_TEXT_LINE_READER_H

#include "format_reader.h"

#include <string>

namespace kestrun {

class TextLineReader : public FormatReader {
public:
    // `notFormat`: the result of a line that is not of the format.
    TextLineReader(Image *image, int32_t notFormat) : m_image(image), m_notFormat(notFormat) {}

    int32_t feed(const char *bytes, uint64_t length) override;
    int32_t finish() override;
    const kestrun_place *place() const override { return m_result < 0 ? &m_place : nullptr; }
    void statsInto(kestrun_read_stats &stats) const override;
    const kestrun_fault &fault() const override { return m_fault; }
    void beginAt(uint64_t offset, uint64_t line) override
    {
        m_offset = offset;
        m_line = line;
    }

protected:
    // One line without its line end; `column` of a fault counts from 0.
    virtual int32_t line(const char *text, size_t length) = 0;
    // The text has ended (after its last line).
    virtual int32_t end() { return ResultOk; }

    // The line is not of the format from `column` on.
    int32_t malformed(size_t column) { return fail(m_notFormat, column); }
    int32_t fail(int32_t result, size_t column);
    // Bytes at `address` (any 64-bit value), read from `column`: bytes
    // that pass FFFFFFFF are refused with the place of their address.
    int32_t store(uint64_t address, const uint8_t *bytes, size_t count, size_t column);
    // The rest of the text is not looked at (TI-TXT's q).
    void stop() { m_stopped = true; }

private:
    int32_t take(const char *text, size_t length);

    Image *m_image; // null: the lines are read and checked, not stored
    int32_t m_notFormat;
    std::string m_carry; // a line cut by the end of a piece
    uint64_t m_offset = 0; // of the line being read
    uint64_t m_line = 1;
    uint64_t m_dataLines = 0;
    bool m_stopped = false;
    kestrun_hex_stats m_overlaps{};
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
    kestrun_fault m_fault{};
};

} // namespace kestrun

#endif
