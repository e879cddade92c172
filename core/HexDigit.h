// The value of one hexadecimal digit of either case, for the readers of HEX
// records and INI structs.
#ifndef PELCOR_HEX_DIGIT_H
#define PELCOR_HEX_DIGIT_H

namespace HexDigit {

// 0 to 15, or -1 for a character that is no hex digit.
constexpr int value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace HexDigit

#endif
