// CheckSum on arbitrary data over arbitrary positions, against a sum taken
// position by position over the data and counted for the blank tail.
#ifndef KESTRUN_FUZZ_CHECK_SUM_H
#define KESTRUN_FUZZ_CHECK_SUM_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"

#include <cstdio>
#include <cstring>

namespace kestrun_fuzz {

// Header: first (5), last (5), blank (4), digits wanted (1).
inline int checkSumOne(const uint8_t *input, size_t size)
{
    FuzzInput in(input, size);
    const uint32_t first = in.position();
    const uint32_t last = in.position();
    const uint32_t blank = in.word32();
    const bool wantDigits = in.byte() & 1;
    const uint32_t dataLength = uint32_t(in.restSize());
    std::unique_ptr<uint8_t[]> data = in.exactRest();

    uint32_t expected = 0;
    if (first <= last) {
        for (uint64_t p = first; p <= last && p < dataLength; ++p)
            expected += data[p];
        const uint64_t tailFrom = first > dataLength ? first : dataLength;
        const uint64_t tail = last >= tailFrom ? uint64_t(last) - tailFrom + 1 : 0;
        expected += uint32_t(tail * (blank & 0xFF));
    }

    std::unique_ptr<char[]> digits(new char[9]);
    std::memset(digits.get(), 'x', 9);
    const uint32_t sum =
        CheckSum(data.get(), dataLength, first, last, blank, wantDigits ? digits.get() : nullptr);
    FUZZ_CHECK(sum == expected);
    if (wantDigits) {
        char wanted[9];
        std::snprintf(wanted, sizeof wanted, "%08X", unsigned(expected));
        FUZZ_CHECK(std::memcmp(digits.get(), wanted, 9) == 0);
    } else {
        FUZZ_CHECK(digits[0] == 'x');
    }
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_CHECK_SUM_H
