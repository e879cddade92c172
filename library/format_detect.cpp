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
    int32_t format = KESTRUN_FORMAT_BINARY;
    uint64_t digitsFrom = 0;
    if (length >= 3 && bytes[0] == ':') {
        format = KESTRUN_FORMAT_IHEX;
        digitsFrom = 1;
    } else if (length >= 4 && bytes[0] == 'S' && bytes[1] >= '0' && bytes[1] <= '9') {
        format = KESTRUN_FORMAT_SREC;
        digitsFrom = 2;
    }
    if (format == KESTRUN_FORMAT_BINARY)
        return format;
    uint64_t i = digitsFrom;
    while (i < length && !(kCharClass[bytes[i]] & NotHexDigit))
        ++i;
    const bool lineEnds = i == length || bytes[i] == '\r' || bytes[i] == '\n';
    return lineEnds && i - digitsFrom >= 2 ? format : KESTRUN_FORMAT_BINARY;
}

} // extern "C"
