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

struct Layout {
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
    uint64_t lineCount() const
    {
        return firstLine() < stop ? (stop - 1 - firstLine()) / 16 + 1 : 0;
    }
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

// The arguments of one call. Header: capacity (3), start (5), automatic
// end (1), end (5), blank (4), line end (4), indent (2), progress stop (1).
struct DumpFormatCall {
    uint32_t capacity;
    uint32_t start;
    uint32_t end; // 0: automatic, whichever way it came
    uint32_t blank;
    uint32_t newLine;
    uint32_t indent;
    uint8_t stopAt;

    static DumpFormatCall read(FuzzInput &in)
    {
        DumpFormatCall c{};
        const uint32_t smallPart = smallMostly(in.word16());
        c.capacity = smallPart + (in.byte() >= 0xF0 ? 0x30000 : 0);
        c.start = in.position();
        const bool automatic = in.byte() & 1;
        const uint32_t end = in.position();
        c.end = automatic ? 0 : end;
        c.blank = in.word32();
        c.newLine = in.word32();
        const uint32_t indent = in.word16();
        c.indent = indent >= 0xFF00 ? 0xFFFFFF00u | indent : indent % 64;
        c.stopAt = in.stopAt();
        return c;
    }
};

struct DumpFormatOutcome {
    int32_t result;
    const char *text;
    uint32_t written;
    uint32_t end;
    const uint8_t *data;
    const ProgressProbe &probe;
};

inline void checkDumpFormat(const DumpFormatCall &c, const std::vector<uint8_t> &original,
                            const DumpFormatOutcome &o)
{
    using namespace dump_format_detail;
    const uint32_t dataLength = uint32_t(original.size());
    const bool emptyData = c.end == 0 && dataLength == 0;
    const uint32_t last = c.end == 0 ? dataLength - 1 : c.end;
    FUZZ_CHECK(o.result == ResultOk || o.result == ResultCancelled || o.result == ResultOverflow
               || o.result == ResultNoMemory);
    FUZZ_CHECK(o.end == last);
    const bool tableTooLarge = !emptyData && 2 * uint64_t(last) + 1024 > 0xFFFFFFFF;
    FUZZ_CHECK((o.result == ResultNoMemory) == tableTooLarge);
    if (o.result == ResultNoMemory) {
        FUZZ_CHECK(o.written == kUnwritten && o.probe.calls == 0);
        FUZZ_CHECK(std::equal(original.begin(), original.end(), o.data));
        return;
    }

    const Layout l{c.start,    emptyData ? 0 : uint64_t(last) + 1,
                   dataLength, uint8_t(c.blank),
                   c.indent,   c.newLine};
    const uint64_t fitting = c.capacity == 0 ? 0 : (c.capacity - 1) / l.lineSize();
    uint64_t lines = std::min(l.lineCount(), fitting);
    FUZZ_CHECK(o.probe.ordered && o.probe.totalsRight);
    if (o.probe.stopped()) {
        FUZZ_CHECK(o.result == ResultCancelled && o.probe.calls == o.probe.stopAt);
        lines = std::min<uint64_t>(lines, o.probe.stopAt - 1);
    } else {
        FUZZ_CHECK(o.result == (fitting < l.lineCount() ? ResultOverflow : ResultOk));
    }
    FUZZ_CHECK(o.written == lines * l.lineSize());
    FUZZ_CHECK(o.written == 0 || o.text[o.written] == '\0');
    char line[kLongestLine];
    for (uint64_t i = 0; i < lines; ++i) {
        const size_t length = expectedLine(l, original.data(), l.firstLine() + 16 * i, line);
        FUZZ_CHECK(length == l.lineSize());
        FUZZ_CHECK(std::memcmp(o.text + i * l.lineSize(), line, length) == 0);
    }
    for (uint64_t p = 0; p < dataLength; ++p)
        FUZZ_CHECK(o.data[p] == (p < l.stop ? shown(original[p]) : original[p]));
}

inline int dumpFormatOne(const uint8_t *input, size_t size)
{
    using namespace dump_format_detail;
    FuzzInput in(input, size);
    const DumpFormatCall c = DumpFormatCall::read(in);
    const uint32_t dataLength = uint32_t(in.restSize());
    std::unique_ptr<uint8_t[]> data = in.exactRest();
    const std::vector<uint8_t> original(in.rest(), in.rest() + dataLength);
    static TailBuffer<char> textBuffer(0x40000);
    char *const text = textBuffer.take(c.capacity, kSentinel);
    ProgressProbe probe;
    probe.stopAt = c.stopAt;
    probe.total = int32_t(c.end == 0 ? dataLength - 1 : c.end);

    uint32_t written = kUnwritten;
    uint32_t end = c.end;
    const int32_t result =
        DumpFormat(data.get(), text, dataLength, c.capacity, &written, &c.start, &end, c.blank,
                   c.newLine, c.indent, probe.userValue(), probe.callback());
    checkDumpFormat(c, original, {result, text, written, end, data.get(), probe});
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_DUMP_FORMAT_H
