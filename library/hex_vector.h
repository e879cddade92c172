// Sixteen bytes at a time as hex digits, for the writers' inner loops (the
// digits of a HEX record, the cells of a dump line): SSE2, which every
// x86-64 processor has, with SSSE3's byte shuffle for the dump's cells where
// the processor has it. Elsewhere the callers' byte-at-a-time loops serve.
#ifndef KESTRUN_HEX_VECTOR_H
#define KESTRUN_HEX_VECTOR_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KESTRUN_HEX_VECTOR 1
#endif

namespace kestrun {

#if KESTRUN_HEX_VECTOR

// The upper-case digit of each of 16 values 0-15.
inline __m128i hexDigits16(__m128i nibbles)
{
    const __m128i letter = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')),
                        _mm_and_si128(letter, _mm_set1_epi8('A' - '0' - 10)));
}

// The 32 digits of 16 bytes: bytes 0-7 into `first`, 8-15 into `second`.
inline void hexPairs16(__m128i bytes, __m128i &first, __m128i &second)
{
    const __m128i low = _mm_set1_epi8(0x0F);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), low);
    const __m128i lows = _mm_and_si128(bytes, low);
    first = hexDigits16(_mm_unpacklo_epi8(high, lows));
    second = hexDigits16(_mm_unpackhi_epi8(high, lows));
}

// The digits of `count` bytes (a multiple of 16) at `out`, their sum added
// to `sum`; returns the end of the digits.
inline char *putHexBytes16(char *out, const uint8_t *bytes, uint32_t count, uint32_t &sum)
{
    __m128i total = _mm_setzero_si128();
    for (uint32_t i = 0; i < count; i += 16, out += 32) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
        total = _mm_add_epi64(total, _mm_sad_epu8(v, _mm_setzero_si128()));
        __m128i first, second;
        hexPairs16(v, first, second);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), first);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16), second);
    }
    sum += uint32_t(_mm_cvtsi128_si32(total)) + uint32_t(_mm_cvtsi128_si32(_mm_unpackhi_epi64(total, total)));
    return out;
}

// How a dump's ASCII column shows 16 bytes: 20-7F as themselves, the rest
// as '.'; 20-7F are the bytes that are at least 20 taken as signed.
inline void putDisplay16(char *out, __m128i bytes)
{
    const __m128i shown = _mm_cmpgt_epi8(bytes, _mm_set1_epi8(0x1F));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                     _mm_or_si128(_mm_and_si128(shown, bytes),
                                  _mm_andnot_si128(shown, _mm_set1_epi8('.'))));
}

// The 16 cells of a dump line, "XX " each (48 characters), or false where
// the processor cannot.
bool putDumpCells16(char *out, __m128i bytes);

#endif

} // namespace kestrun

#endif
