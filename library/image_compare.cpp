// Two images address by address. Runs held by both are compared a block at
// a time (equal blocks are passed over with one memcmp); runs held by one
// image only are a difference as a whole, unless a fill byte stands for
// the other image's gaps.
#include "exports.h"
#include "guard.h"
#include "image.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kestrun {

namespace {

constexpr uint64_t kBlock = 64 * 1024;

// Gathers consecutive addresses of one kind into one difference and hands
// each to the caller once it is complete.
class Differences {
public:
    Differences(kestrun_difference_fn fn, intptr_t userValue) : m_fn(fn), m_userValue(userValue) {}

    // Addresses at..at + count - 1 differ as `kind`; `a`, `b` their bytes
    // (null for a side without data).
    int32_t add(uint32_t kind, uint64_t at, uint64_t count, const uint8_t *a, const uint8_t *b)
    {
        if (!m_open || kind != m_run.kind || at != uint64_t(m_run.high) + 1) {
            if (const int32_t rc = flush(); rc != ResultOk)
                return rc;
            m_run = kestrun_difference{};
            m_run.kind = kind;
            m_run.low = static_cast<uint32_t>(at);
            m_open = true;
        }
        for (uint64_t i = 0; i < count && m_run.shown < 8; ++i, ++m_run.shown) {
            m_run.a[m_run.shown] = a ? a[i] : 0;
            m_run.b[m_run.shown] = b ? b[i] : 0;
        }
        m_run.high = static_cast<uint32_t>(at + count - 1);
        return ResultOk;
    }

    int32_t flush()
    {
        if (!m_open)
            return ResultOk;
        m_open = false;
        ++m_count;
        return m_fn ? m_fn(&m_run, m_userValue) : ResultOk;
    }

    uint64_t count() const { return m_count; }

private:
    kestrun_difference_fn m_fn;
    intptr_t m_userValue;
    kestrun_difference m_run{};
    bool m_open = false;
    uint64_t m_count = 0;
};

// The first address at or above `at` that `image` holds, and one past the
// end of the run there; {kAddressSpace, kAddressSpace} when none.
std::pair<uint64_t, uint64_t> nextHeld(const Image &image, uint64_t at)
{
    kestrun_segment s;
    if (!image.segment(at, s))
        return {kAddressSpace, kAddressSpace};
    return {std::max<uint64_t>(s.address, at), s.address + s.length};
}

class Comparison {
public:
    Comparison(const Image &a, const Image &b, int32_t fill, Differences &out)
        : m_a(a), m_b(b), m_fill(fill), m_out(out), m_bufferA(kBlock), m_bufferB(kBlock)
    {
    }

    int32_t run()
    {
        uint64_t at = 0;
        while (at < kAddressSpace) {
            const auto [aStart, aStop] = nextHeld(m_a, at);
            const auto [bStart, bStop] = nextHeld(m_b, at);
            at = std::min(aStart, bStart);
            if (at == kAddressSpace)
                break;
            const bool inA = aStart == at, inB = bStart == at;
            const uint64_t stop = std::min(inA ? aStop : aStart, inB ? bStop : bStart);
            if (const int32_t rc = region(at, stop, inA, inB); rc != ResultOk)
                return rc;
            at = stop;
        }
        return m_out.flush();
    }

private:
    // [at, stop): held by A, by B or by both, all alike.
    int32_t region(uint64_t at, uint64_t stop, bool inA, bool inB)
    {
        for (; at < stop; at += std::min(stop - at, kBlock)) {
            const uint64_t n = std::min(stop - at, kBlock);
            uint8_t *a = m_bufferA.data(), *b = m_bufferB.data();
            const uint8_t fill = m_fill < 0 ? 0 : uint8_t(m_fill);
            m_a.copyWindow(at, n, fill, a);
            m_b.copyWindow(at, n, fill, b);
            if (!(inA && inB) && m_fill < 0) {
                const int32_t rc = m_out.add(inA ? KESTRUN_DIFF_ONLY_A : KESTRUN_DIFF_ONLY_B, at, n,
                                             inA ? a : nullptr, inB ? b : nullptr);
                if (rc != ResultOk)
                    return rc;
                continue;
            }
            if (std::memcmp(a, b, n) == 0)
                continue;
            for (uint64_t i = 0; i < n; ++i) {
                if (a[i] == b[i])
                    continue;
                if (const int32_t rc = m_out.add(KESTRUN_DIFF_BYTES, at + i, 1, a + i, b + i);
                    rc != ResultOk)
                    return rc;
            }
        }
        return ResultOk;
    }

    const Image &m_a;
    const Image &m_b;
    int32_t m_fill;
    Differences &m_out;
    std::vector<uint8_t> m_bufferA;
    std::vector<uint8_t> m_bufferB;
};

} // namespace

} // namespace kestrun

using namespace kestrun;

extern "C" KESTRUN_API int32_t kestrun_image_compare(const kestrun_image *a, const kestrun_image *b,
                                                     int32_t fill, kestrun_difference_fn fn,
                                                     intptr_t userValue, uint64_t *differences)
{
    if (!a || !b || fill < -1 || fill > 0xFF)
        return ResultBadArgument;
    Differences out(fn, userValue);
    const int32_t rc = guarded([&] { return Comparison(a->image, b->image, fill, out).run(); });
    if (differences)
        *differences = out.count();
    return rc;
}
