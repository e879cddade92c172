// Line ends in a piece of text, found sixteen or sixty-four characters at
// a time: one by one as a line walk needs them, or counted.
#ifndef KESTRUN_LINE_ENDS_H
#define KESTRUN_LINE_ENDS_H

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrun {

// The CRs and LFs of a piece, found sixty-four characters at a time and
// handed out one by one: a line costs a bit scan, where a search from its
// start would look at it again in steps of its own.
class LineEnds {
public:
    LineEnds(const char *from, const char *stop) : m_at(from), m_stop(stop) { load(); }

    // The first CR or LF from `p` on (never before an earlier one asked
    // for), or the piece's end.
    const char *from(const char *p)
    {
        for (;;) {
            if (m_whole && p < m_at + kBlock) {
                const uint64_t ends = m_ends & (~uint64_t(0) << (p - m_at));
                if (ends)
                    return m_at + __builtin_ctzll(ends);
                p = m_at + kBlock;
            }
            if (m_stop - p < kBlock) {
                while (p < m_stop && *p != '\r' && *p != '\n')
                    ++p;
                return p;
            }
            m_at = p;
            load();
        }
    }

private:
    static constexpr ptrdiff_t kBlock = 64;

    void load()
    {
        m_ends = 0;
        m_whole = m_stop - m_at >= kBlock;
        if (!m_whole)
            return;
#if defined(__SSE2__)
        const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
        for (int i = 0; i < 4; ++i) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(m_at + 16 * i));
            const auto bits = uint32_t(
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(c, cr), _mm_cmpeq_epi8(c, lf))));
            m_ends |= uint64_t(bits) << (16 * i);
        }
#else
        for (int i = 0; i < kBlock; ++i)
            m_ends |= uint64_t(m_at[i] == '\r' || m_at[i] == '\n') << i;
#endif
    }

    const char *m_at; // the block m_ends describes
    const char *m_stop;
    uint64_t m_ends = 0;
    bool m_whole = false; // the block is kBlock characters long
};

// The lines that end in [p, stop): each LF, and each CR but one an LF
// follows, as the patcher's walk counts them.
inline uint64_t countLineEnds(const char *p, const char *stop)
{
    uint64_t ends = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    // Each block adds one to a byte lane per line end; 255 blocks at most
    // before the lanes are summed.
    while (stop - p > 16) {
        __m128i lanes = zero;
        for (int block = 0; block < 255 && stop - p > 16; ++block, p += 16) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 1));
            const __m128i crLf = _mm_and_si128(_mm_cmpeq_epi8(c, cr), _mm_cmpeq_epi8(after, lf));
            const __m128i end =
                _mm_or_si128(_mm_cmpeq_epi8(c, lf), _mm_andnot_si128(crLf, _mm_cmpeq_epi8(c, cr)));
            lanes = _mm_sub_epi8(lanes, end);
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        ends += uint64_t(_mm_cvtsi128_si32(sums)) + uint64_t(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; p < stop; ++p)
        ends += *p == '\n' || (*p == '\r' && (p + 1 == stop || p[1] != '\n'));
    return ends;
}

} // namespace kestrun

#endif
