// The library frame: version, messages and the two shift helpers.
#include "exports.h"

#include <cstring>

namespace {

struct Message {
    int32_t code;
    const char *text; // code page 932 bytes
};

// Half-width katakana are single bytes in code page 932, so these are the
// exact bytes a Japanese Windows program shows.
constexpr Message kMessages[] = {
    {ResultOk, "\x90\xB3\x8F\xED\x8F\x49\x97\xB9"},
    {ResultNotIntelHex, "\xB2\xDD\xC3\xD9\xCD\xB7\xBB\x8C\x60\x8E\xAE\x82\xC5\x82\xCD\x82\xA0"
                        "\x82\xE8\x82\xDC\x82\xB9\x82\xF1"},
    {ResultChecksumError,
     "\xC1\xAA\xAF\xB8\xBB\xD1\x92\x6C\x82\xAA\x88\xD9\x8F\xED\x82\xC5\x82\xB7"},
    {ResultEndRecordError, "\xB4\xDD\xC4\xDE\xDA\xBA\xB0\xC4\xDE\x82\xAA\x88\xD9\x8F\xED\x82\xC5"
                           "\x82\xB7"},
    {ResultCancelled, "\x92\x86\x8E\x7E\x82\xB5\x82\xDC\x82\xB5\x82\xBD"},
    {ResultOverflow, "\xB5\xB0\xCA\xDE\xB0\xCC\xDB\xB0\x82\xC5\x82\xB7"},
    {ResultNoMemory, "\xD2\xD3\xD8\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1"},
    {ResultAddressFault, "\x97\xE1\x8A\x4F\x82\xAA\x94\xAD\x90\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
                         "\x0A"
                         "\xCD\xB7\xBB\xCC\xA7\xB2\xD9\x82\xCC\xB1\xC4\xDE\xDA\xBD\x8E\x77\x92\xE8"
                         "\x82\xAA\x95\x73\x90\xB3\x82\xC8\x89\xC2\x94\x5C\x90\xAB\x82\xAA\x82\xA0"
                         "\x82\xE8\x82\xDC\x82\xB7"},
    {ResultOverlap, "\xC3\xDE\xB0\xC0\x82\xCC\xB1\xC4\xDE\xDA\xBD\x82\xAA\x8F\x64\x82\xC8\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7"},
    {ResultBadArgument, "\x88\xF8\x90\x94\x82\xAA\x90\xB3\x82\xB5\x82\xAD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"},
    {ResultNotSRecord, "S\xDA\xBA\xB0\xC4\xDE\x8C\x60\x8E\xAE\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC"
                       "\x82\xB9\x82\xF1"},
    {ResultRecordCount, "\xDA\xBA\xB0\xC4\xDE\x90\x94\x82\xAA\x88\xEA\x92\x76\x82\xB5\x82\xDC\x82\xB9"
                        "\x82\xF1"},
};

} // namespace

extern "C" {

KESTRUN_API int32_t DllGetVersion(int32_t *version)
{
    *version = KESTRUN_LIBRARY_VERSION;
    return 1;
}

KESTRUN_API int32_t GetErrorString(int32_t code, char *buffer)
{
    for (const Message &message : kMessages) {
        if (message.code == code) {
            std::memcpy(buffer, message.text, std::strlen(message.text) + 1);
            return 1;
        }
    }
    return 0;
}

KESTRUN_API void LShift(uint32_t *value, int32_t count)
{
    *value <<= (static_cast<uint32_t>(count) & 31);
}

KESTRUN_API void RShift(uint32_t *value, int32_t count)
{
    *value >>= (static_cast<uint32_t>(count) & 31);
}

} // extern "C"
