// The plain sum of a run of bytes, shared by CheckSum and the image sums.
#ifndef KESTRUN_BYTE_SUM_H
#define KESTRUN_BYTE_SUM_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrun {

// The sum of data[from, to), sixteen bytes at a time where it can.
inline uint64_t sumBytes(const uint8_t *data, uint64_t from, uint64_t to)
{
    uint64_t sum = 0;
    uint64_t p = from;
#if defined(__SSE2__)
    // Each step adds the sixteen bytes into two 64-bit halves.
    const __m128i zero = _mm_setzero_si128();
    __m128i halves = zero;
    for (; p + 16 <= to; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + p));
        halves = _mm_add_epi64(halves, _mm_sad_epu8(bytes, zero));
    }
    sum = static_cast<uint64_t>(_mm_cvtsi128_si64(halves))
          + static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(halves, halves)));
#endif
    for (; p < to; ++p)
        sum += data[p];
    return sum;
}

} // namespace kestrun

#endif
