// Addresses and values as the image jobs print them: upper-case digits,
// as many as the value's bits need ("08000000", "CBF43926", "1D0F").
#ifndef PELCOR_HEX_TEXT_H
#define PELCOR_HEX_TEXT_H

#include <QString>

#include <cstdint>

inline QString hexDigits(std::uint64_t value, std::uint32_t bits = 32)
{
    return QString::number(value, 16).toUpper().rightJustified((bits + 3) / 4, u'0');
}

#endif
