// Telling an input's format from its first bytes: each row's probe is
// asked in the table's order. The shape of a record is enough; its checks
// are the reader's business.
#include "format_table.h"
#include "hex_digits.h"

#include <cstring>

namespace kestrun {

namespace {

// The first line, past any blank lines before it: they do not hide the
// format, the reader then says whether they may stand there.
const uint8_t *firstLine(const uint8_t *bytes, uint64_t length, uint64_t &left)
{
    uint64_t first = 0;
    while (first < length && (bytes[first] == '\r' || bytes[first] == '\n'))
        ++first;
    left = length - first;
    return bytes + first;
}

bool digitPair(const uint8_t *p, uint64_t left, uint64_t from)
{
    return left >= from + 2 && !(kCharClass[p[from]] & NotHexDigit)
           && !(kCharClass[p[from + 1]] & NotHexDigit);
}

} // namespace

bool probeElf(const uint8_t *bytes, uint64_t length)
{
    return length >= 4 && std::memcmp(bytes, "\x7F" "ELF", 4) == 0;
}

// A record's mark and its first digit pair decide; whether the rest of
// the record is right is the reader's to say, with its line and column.
bool probeHex(const uint8_t *bytes, uint64_t length)
{
    uint64_t left = 0;
    const uint8_t *p = firstLine(bytes, length, left);
    return left > 0 && p[0] == ':' && digitPair(p, left, 1);
}

bool probeSRec(const uint8_t *bytes, uint64_t length)
{
    uint64_t left = 0;
    const uint8_t *p = firstLine(bytes, length, left);
    return left >= 2 && p[0] == 'S' && p[1] >= '0' && p[1] <= '9' && digitPair(p, left, 2);
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API int32_t kestrun_detect_format(const uint8_t *bytes, uint64_t length)
{
    if (!bytes)
        return KESTRUN_FORMAT_BINARY;
    size_t count = 0;
    const FormatRow *rows = formatRows(count);
    for (size_t i = 0; i < count; ++i)
        if (rows[i].probe && rows[i].probe(bytes, length))
            return rows[i].value;
    return KESTRUN_FORMAT_BINARY;
}

} // extern "C"
