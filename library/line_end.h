// The line end of BinaryToHex and DumpFormat output, from its 32-bit code:
// the low byte first, then bits 8-15 when they are not zero.
#ifndef KESTRUN_LINE_END_H
#define KESTRUN_LINE_END_H

#include <cstdint>

namespace kestrun {

struct LineEnd {
    explicit LineEnd(uint32_t code)
        : first(static_cast<char>(code & 0xFF)), second(static_cast<char>((code >> 8) & 0xFF)),
          length(second ? 2 : 1)
    {
    }

    char *put(char *p) const
    {
        p[0] = first;
        p[1] = second;
        return p + length;
    }

    char first;
    char second;
    uint32_t length;
};

} // namespace kestrun

#endif
