// DumpFormat on arbitrary data with an arbitrary window, capacity, blank,
// line end and indent. What must hold: the result is one of the codes;
// exactly the lines that fit (with their NUL) are written, each line as the
// layout gives it; and the bytes of the data up to the end, and only those,
// end up printable.
#ifndef KESTRUN_FUZZ_DUMP_FORMAT_H
#define KESTRUN_FUZZ_DUMP_FORMAT_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "progress_probe.h"
#include "tail_buffer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kestrun_fuzz {

namespace dump_format_detail {

constexpr char kSentinel = char(0xA5);
constexpr uint32_t kUnwritten = 0xDEADBEEF;

inline uint8_t shown(uint8_t b)
{
    return (b >= 0x20 && b <= 0x7F) ? b : '.';
}

struct Layout
{
    uint64_t start;
    uint64_t stop; // one past the last position shown
    uint32_t dataLength;
    uint8_t blank;
    uint32_t indent;
    uint32_t newLine;

    uint64_t lineEnd() const { return (newLine & 0xFF00) ? 2 : 1; }
    uint64_t lineSize() const { return uint64_t(indent) + 75 + lineEnd(); }
    uint64_t firstLine() const { return start & ~uint64_t(15); }
    // Lines run from the start's line while they begin before the stop, so
    // a start past the end within one line still gives that (blank) line.
    uint64_t lineCount() const { return firstLine() < stop ? (stop - 1 - firstLine()) / 16 + 1 : 0; }
};

constexpr size_t kLongestLine = 63 + 75 + 2;

inline char *putHex(char *out, uint64_t value, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        *out++ = kDigits[(value >> shift) & 15];
    return out;
}

// The line at `address` as the layout gives it, from the original bytes,
// written to `out` (kLongestLine bytes); returns its length.
inline size_t expectedLine(const Layout &l, const uint8_t *original, uint64_t address, char *out)
{
    char *p = out;
    std::memset(p, ' ', l.indent);
    p = putHex(p + l.indent, address, 8);
    *p++ = ' ';
    *p++ = ' ';
    char *ascii = p + 16 * 3 + 1;
    for (uint64_t a = address; a < address + 16; ++a, ++ascii) {
        if (a < l.start || a >= l.stop) {
            p[0] = p[1] = p[2] = ' ';
            *ascii = ' ';
        } else {
            const uint8_t b = a < l.dataLength ? original[a] : l.blank;
            putHex(p, b, 2);
            p[2] = ' ';
            *ascii = char(shown(b));
        }
        p += 3;
    }
    *p = ' ';
    p = ascii;
    *p++ = char(l.newLine & 0xFF);
    if (l.lineEnd() == 2)
        *p++ = char((l.newLine >> 8) & 0xFF);
    return size_t(p - out);
}

} // namespace dump_format_detail

// Header: capacity (3), start (5), automatic end (1), end (5), blank (4),
// line end (4), indent (2), progress stop (1).
inline int dumpFormatOne(const uint8_t *input, size_t size)
{
    using namespace dump_format_detail;
    FuzzInput in(input, size);
    const uint32_t smallPart = smallMostly(in.word16());
    const uint32_t capacity = smallPart + (in.byte() >= 0xF0 ? 0x30000 : 0);
    const uint32_t start = in.position();
    // An end of 0 asks for the automatic end, whichever way it came.
    const bool askedAutomatic = in.byte() & 1;
    const uint32_t endField = in.position();
    const uint32_t manualEnd = askedAutomatic ? 0 : endField;
    const bool automatic = manualEnd == 0;
    const uint32_t blank = in.word32();
    const uint32_t newLine = in.word32();
    const uint32_t indentField = in.word16();
    const uint32_t indent = indentField >= 0xFF00 ? 0xFFFFFF00u | indentField : indentField % 64;
    ProgressProbe probe;
    probe.stopAt = in.stopAt();

    const uint32_t dataLength = uint32_t(in.restSize());
    std::unique_ptr<uint8_t[]> data = in.exactRest();
    const std::vector<uint8_t> original(in.rest(), in.rest() + dataLength);
    static TailBuffer<char> textBuffer(0x40000);
    char *const text = textBuffer.take(capacity, kSentinel);
    const bool emptyData = automatic && dataLength == 0;
    const uint32_t last = automatic ? dataLength - 1 : manualEnd;
    probe.total = int32_t(last);

    uint32_t written = kUnwritten;
    uint32_t end = manualEnd;
    const int32_t result = DumpFormat(data.get(), text, dataLength, capacity, &written, &start, &end,
                                      blank, newLine, indent, probe.userValue(), probe.callback());

    FUZZ_CHECK(result == ResultOk || result == ResultCancelled || result == ResultOverflow ||
               result == ResultNoMemory);
    FUZZ_CHECK(end == last);
    const bool tableTooLarge = !emptyData && 2 * uint64_t(last) + 1024 > 0xFFFFFFFF;
    FUZZ_CHECK((result == ResultNoMemory) == tableTooLarge);
    if (result == ResultNoMemory) {
        FUZZ_CHECK(written == kUnwritten && probe.calls == 0);
        FUZZ_CHECK(std::equal(original.begin(), original.end(), data.get()));
        return 0;
    }

    const Layout l{start, emptyData ? 0 : uint64_t(last) + 1, dataLength, uint8_t(blank), indent, newLine};
    const uint64_t fitting = capacity == 0 ? 0 : (capacity - 1) / l.lineSize();
    uint64_t lines = std::min(l.lineCount(), fitting);
    FUZZ_CHECK(probe.ordered && probe.totalsRight);
    if (probe.stopped()) {
        FUZZ_CHECK(result == ResultCancelled && probe.calls == probe.stopAt);
        lines = std::min<uint64_t>(lines, probe.stopAt - 1);
    } else {
        FUZZ_CHECK(result == (fitting < l.lineCount() ? ResultOverflow : ResultOk));
    }
    FUZZ_CHECK(written == lines * l.lineSize());
    FUZZ_CHECK(written == 0 || text[written] == '\0');
    char line[kLongestLine];
    for (uint64_t i = 0; i < lines; ++i) {
        const size_t length = expectedLine(l, original.data(), l.firstLine() + 16 * i, line);
        FUZZ_CHECK(length == l.lineSize());
        FUZZ_CHECK(std::memcmp(text + i * l.lineSize(), line, length) == 0);
    }
    for (uint64_t p = 0; p < dataLength; ++p)
        FUZZ_CHECK(data[p] == (p < l.stop ? shown(original[p]) : original[p]));
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_DUMP_FORMAT_H
