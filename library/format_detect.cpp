// Telling a text's format from its first line: the shape of a record is
// enough, its checks are the reader's business.
#include "exports.h"
#include "hex_digits.h"

#include <cstring>

using namespace kestrun;

extern "C" {

KESTRUN_API int32_t kestrun_detect_format(const uint8_t *bytes, uint64_t length)
{
    if (!bytes)
        return KESTRUN_FORMAT_BINARY;
    if (length >= 4 && std::memcmp(bytes, "\x7F" "ELF", 4) == 0)
        return KESTRUN_FORMAT_ELF;
    // Blank lines before the first record do not hide the format: the
    // reader then says whether they may stand there.
    uint64_t first = 0;
    while (first < length && (bytes[first] == '\r' || bytes[first] == '\n'))
        ++first;
    const uint8_t *p = bytes + first;
    const uint64_t left = length - first;
    auto digits = [&](uint64_t from) {
        return left >= from + 2 && !(kCharClass[p[from]] & NotHexDigit)
               && !(kCharClass[p[from + 1]] & NotHexDigit);
    };
    // A record's mark and its first digit pair decide; whether the rest of
    // the record is right is the reader's to say, with its line and column.
    if (left == 0)
        return KESTRUN_FORMAT_BINARY;
    if (p[0] == ':' && digits(1))
        return KESTRUN_FORMAT_IHEX;
    if (left >= 2 && p[0] == 'S' && p[1] >= '0' && p[1] <= '9' && digits(2))
        return KESTRUN_FORMAT_SREC;
    return KESTRUN_FORMAT_BINARY;
}

} // extern "C"
