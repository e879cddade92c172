// An address range LOW-HIGH of a 32-bit image, both ends included, so that
// a range can end at FFFFFFFF.
#ifndef PELCOR_ADDRESS_RANGE_H
#define PELCOR_ADDRESS_RANGE_H

#include <cstdint>

struct AddressRange {
    std::uint32_t low = 0;
    std::uint32_t high = 0;

    friend bool operator==(const AddressRange &, const AddressRange &) = default;
};

#endif
