// The lines of Motorola S-record text: what each record type holds and how
// a record is written, shared by the S-record reader and writer so that
// both agree on every type's address size.
#ifndef KESTRUN_SREC_LINES_H
#define KESTRUN_SREC_LINES_H

#include "hex_digits.h"
#include "line_end.h"

#include <cstdint>

namespace kestrun {

// Address bytes of the types S0 to S9; 0 for S4, which is no type.
constexpr uint32_t kSrecAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
// The count byte counts address, data and checksum bytes.
constexpr uint32_t kSrecMaxCount = 255;
// "S", the type, then the count and the bytes it counts, two digits each.
constexpr uint32_t kSrecLongestLine = 2 + 2 * (1 + kSrecMaxCount);

// Data records and the termination record of each address size (2-4).
constexpr uint32_t srecDataType(uint32_t addressBytes)
{
    return addressBytes - 1;
}
constexpr uint32_t srecEndType(uint32_t addressBytes)
{
    return 11 - addressBytes;
}

inline uint64_t srecLineSize(uint32_t addressBytes, uint64_t dataBytes, const LineEnd &lineEnd)
{
    return 4 + 2 * (addressBytes + dataBytes + 1) + lineEnd.length;
}

// One record of `type` with `addressBytes` of `address` and `count` data
// bytes, its checksum and line end; returns where it ended.
char *putSrecRecord(char *p, uint32_t type, uint32_t addressBytes, uint32_t address,
                    const uint8_t *data, uint32_t count, const LineEnd &lineEnd);

} // namespace kestrun

#endif
