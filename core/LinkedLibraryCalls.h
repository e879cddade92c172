// The call table of a program that links Kestrun (kestrun, the tests).
// Pelcor itself binds the library at run time and never includes this.
#ifndef PELCOR_LINKED_LIBRARY_CALLS_H
#define PELCOR_LINKED_LIBRARY_CALLS_H

#include "core/LibraryCalls.h"

inline const ImageCalls *linkedImageCalls()
{
    static const ImageCalls calls = [] {
        ImageCalls c;
#define PELCOR_LINK_IMAGE_CALL(name) c.name = &::name;
        PELCOR_IMAGE_CALLS(PELCOR_LINK_IMAGE_CALL)
#undef PELCOR_LINK_IMAGE_CALL
        return c;
    }();
    return &calls;
}

inline LibraryCalls linkedLibraryCalls()
{
    return LibraryCalls{[](const std::uint8_t *data, std::uint32_t dataLength, std::uint32_t first,
                           std::uint32_t last, std::uint32_t blank,
                           char *digits) -> std::optional<std::uint32_t> {
                            return CheckSum(data, dataLength, first, last, blank, digits);
                        },
                        HexToBinary, BinaryToHex, DumpFormat, linkedImageCalls};
}

#endif
