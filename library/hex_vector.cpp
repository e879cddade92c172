#include "hex_vector.h"

#if KESTRUN_HEX_VECTOR

#include <tmmintrin.h>

#include <array>

namespace kestrun {

namespace {

// Character p of the cells (from `first` at 0) is digit r = p % 3 of byte
// p / 3, or the cell's space at r = 2: shuffle indices into the digits of
// bytes 0-7 (`half` 0) or 8-15 (`half` 1), 0x80 (a zero) where the other
// half or a space goes.
constexpr std::array<int8_t, 16> cellIndices(int first, int half)
{
    std::array<int8_t, 16> t{};
    for (int i = 0; i < 16; ++i) {
        const int p = first + i;
        const int byte = p / 3;
        const int r = p % 3;
        t[i] = r < 2 && byte / 8 == half ? int8_t(2 * (byte % 8) + r) : int8_t(-128);
    }
    return t;
}

constexpr std::array<int8_t, 16> cellSpaces(int first)
{
    std::array<int8_t, 16> t{};
    for (int i = 0; i < 16; ++i)
        t[i] = (first + i) % 3 == 2 ? ' ' : 0;
    return t;
}

__m128i load(const std::array<int8_t, 16> &t)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(t.data()));
}

constexpr auto kFirstLow = cellIndices(0, 0);
constexpr auto kMiddleLow = cellIndices(16, 0);
constexpr auto kMiddleHigh = cellIndices(16, 1);
constexpr auto kLastHigh = cellIndices(32, 1);
constexpr auto kFirstSpaces = cellSpaces(0);
constexpr auto kMiddleSpaces = cellSpaces(16);
constexpr auto kLastSpaces = cellSpaces(32);

__attribute__((target("ssse3"))) void cells(char *out, __m128i bytes)
{
    __m128i low, high;
    hexPairs16(bytes, low, high);
    const __m128i first = _mm_or_si128(_mm_shuffle_epi8(low, load(kFirstLow)), load(kFirstSpaces));
    const __m128i middle = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(low, load(kMiddleLow)),
                                                     _mm_shuffle_epi8(high, load(kMiddleHigh))),
                                        load(kMiddleSpaces));
    const __m128i last = _mm_or_si128(_mm_shuffle_epi8(high, load(kLastHigh)), load(kLastSpaces));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), first);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16), middle);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 32), last);
}

// Asked as the library loads, perhaps before the processor's model is.
const bool kShuffles = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();

} // namespace

bool putDumpCells16(char *out, __m128i bytes)
{
    if (!kShuffles)
        return false;
    cells(out, bytes);
    return true;
}

} // namespace kestrun

#endif
