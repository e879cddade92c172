#include "hex_digits.h"

namespace kestrun {

char *FormatHexDigits(uint32_t value, int n, char *out)
{
    static constexpr char alphabet[] = "0123456789ABCDEF";
    for (int i = n - 1; i >= 0; --i) {
        out[i] = alphabet[value & 15];
        value >>= 4;
    }
    out[n < 0 ? 0 : n] = '\0';
    return out;
}

uint32_t ParseHexDigits(const char *text, int n)
{
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) {
        const uint8_t c = kCharClass[static_cast<unsigned char>(text[i])];
        value = value * 16 + ((c & LowerCase) ? 0 : (c & DigitMask));
    }
    return value;
}

} // namespace kestrun
