#include "image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

// Runs up to this size stay on the heap, where thousands of small ones are
// cheap; larger ones go to work memory, where a run of a whole image grows
// without being copied and fills with huge pages.
constexpr uint64_t kLargestHeapRun = 64 * 1024;
constexpr uint64_t kSmallestHeapRun = 64;

} // namespace

bool RunBytes::reserve(uint64_t size)
{
    if (size <= m_capacity)
        return true;
    if (m_work) {
        if (!m_work->reserve(size))
            return false;
        m_capacity = m_work->size();
        return true;
    }
    // Doubling keeps the copies of a growing run to twice its size in all.
    const uint64_t wanted = std::max({size, m_capacity * 2, kSmallestHeapRun});
    if (wanted > kLargestHeapRun) {
        auto work = std::make_unique<WorkMemory>();
        if (!work->reserve(size))
            return false;
        if (m_capacity > 0)
            std::memcpy(work->data(), m_heap.get(), m_capacity);
        m_heap.reset();
        m_capacity = work->size();
        m_work = std::move(work);
        return true;
    }
    std::unique_ptr<uint8_t[]> heap(new (std::nothrow) uint8_t[wanted]);
    if (!heap)
        return false;
    if (m_capacity > 0)
        std::memcpy(heap.get(), m_heap.get(), m_capacity);
    m_heap = std::move(heap);
    m_capacity = wanted;
    return true;
}

// --- Bytes ---

int32_t Image::store(uint64_t address, const uint8_t *bytes, uint64_t count, Writer who,
                     const OverlapRule &rule, kestrun_hex_stats *stats)
{
    if (count == 0)
        return ResultOk;
    const uint64_t stop = address + count;
    const bool appends = m_last != m_runs.end()
                         && address == m_last->first + m_last->second.size && stop <= m_lastLimit;
    if (!appends && heldWithin(address, stop))
        return storeOverlapping(address, bytes, count, who, rule, stats);
    if (!put(address, bytes, count))
        return ResultNoMemory;
    m_dataBytes += count;
    m_lines.assign(address, count, who);
    return ResultOk;
}

// Whether any address of [address, stop) is held.
bool Image::heldWithin(uint64_t address, uint64_t stop) const
{
    auto run = m_runs.upper_bound(address);
    if (run != m_runs.begin() && std::prev(run)->first + std::prev(run)->second.size > address)
        return true;
    return run != m_runs.end() && run->first < stop;
}

// A record over held bytes: each stretch held is compared and reported,
// one report per earlier record, then the rule decides what is stored.
int32_t Image::storeOverlapping(uint64_t address, const uint8_t *bytes, uint64_t count,
                                Writer who, const OverlapRule &rule, kestrun_hex_stats *stats)
{
    const uint64_t stop = address + count;
    uint64_t held = 0;
    uint64_t differing = 0;
    int32_t result = ResultOk;
    eachPiece(address, stop, [&](uint64_t from, const uint8_t *old, uint64_t length) {
        held += length;
        m_lines.each(from, from + length, [&](uint64_t a, uint64_t b, Writer earlier) {
            uint64_t low = UINT64_MAX, high = 0, differ = 0;
            for (uint64_t x = a; x < b; ++x) {
                if (old[x - from] != bytes[x - address]) {
                    low = std::min(low, x);
                    high = x;
                    ++differ;
                }
            }
            differing += differ;
            if (result != ResultOk || !rule.report)
                return;
            kestrun_conflict c{};
            c.low = static_cast<uint32_t>(differ ? low : a);
            c.high = static_cast<uint32_t>(differ ? high : b - 1);
            c.line = who.line;
            c.source = who.source;
            c.earlier_line = earlier.line;
            c.earlier_source = earlier.source;
            c.differing = differ;
            c.identical = differ == 0;
            result = rule.report(&c, rule.userValue);
        });
    });
    if (stats) {
        ++stats->overlaps;
        stats->conflicting_bytes += differing;
    }
    if (result != ResultOk)
        return result;
    if (rule.policy == KESTRUN_OVERLAP_REFUSE
        || (rule.policy == KESTRUN_OVERLAP_IDENTICAL && differing != 0))
        return ResultOverlap;
    if (rule.policy == KESTRUN_OVERLAP_LAST && differing != 0) {
        if (!put(address, bytes, count))
            return ResultNoMemory;
        m_dataBytes += count - held;
        m_lines.assign(address, count, who);
        return ResultOk;
    }
    // The bytes held stay (they are the same, or the first win): only the
    // gaps between them are written.
    uint64_t at = address;
    kestrun_segment p;
    while (at < stop) {
        const uint64_t gapStop =
            piece(at, p) ? std::min<uint64_t>(std::max<uint64_t>(p.address, at), stop) : stop;
        if (gapStop > at) {
            if (!put(at, bytes + (at - address), gapStop - at))
                return ResultNoMemory;
            m_dataBytes += gapStop - at;
            m_lines.assign(at, gapStop - at, who);
        }
        at = gapStop < stop ? std::min<uint64_t>(p.address + p.length, stop) : stop;
    }
    return ResultOk;
}

bool Image::put(uint64_t address, const uint8_t *bytes, uint64_t count)
{
    m_highest = std::max(m_highest, address + count);
    if (m_last != m_runs.end() && address >= m_last->first
        && address <= m_last->first + m_last->second.size)
        return storeInRun(m_last, m_lastLimit, address, bytes, count);
    return storeAnywhere(address, bytes, count);
}

// Writes into `run`, which holds or ends at `address`, as far as `limit`
// (where the next run begins); the rest goes where it belongs.
bool Image::storeInRun(Runs::iterator run, uint64_t limit, uint64_t address, const uint8_t *bytes,
                       uint64_t count)
{
    const uint64_t stop = std::min(address + count, limit);
    const uint64_t reach = stop - run->first;
    Run &r = run->second;
    if (reach > r.size) {
        if (!r.bytes.reserve(reach))
            return false;
        r.size = reach;
    }
    std::memcpy(r.bytes.data() + (address - run->first), bytes, stop - address);
    m_last = run;
    m_lastLimit = limit;
    const uint64_t stored = stop - address;
    return stored == count || storeAnywhere(stop, bytes + stored, count - stored);
}

// Runs never overlap: the bytes go into the run that holds or ends at their
// address, up to where the next run begins, or into a new run.
bool Image::storeAnywhere(uint64_t address, const uint8_t *bytes, uint64_t count)
{
    Runs::iterator next = m_runs.upper_bound(address);
    const uint64_t limit = next == m_runs.end() ? kNoLimit : next->first;
    if (next != m_runs.begin()) {
        const Runs::iterator run = std::prev(next);
        if (address <= run->first + run->second.size)
            return storeInRun(run, limit, address, bytes, count);
    }
    const Runs::iterator run = m_runs.emplace_hint(next, address, Run{});
    if (storeInRun(run, limit, address, bytes, count))
        return true;
    // A run that could not get its first bytes must not stay behind empty.
    if (run->second.size == 0) {
        m_runs.erase(run);
        m_last = m_runs.end();
    }
    return false;
}

bool Image::piece(uint64_t from, kestrun_segment &out) const
{
    auto run = m_runs.upper_bound(from);
    if (run != m_runs.begin() && std::prev(run)->first + std::prev(run)->second.size > from)
        --run;
    if (run == m_runs.end())
        return false;
    out.address = static_cast<uint32_t>(run->first);
    out.length = run->second.size;
    out.bytes = run->second.bytes.data();
    return true;
}

bool Image::segment(uint64_t from, kestrun_segment &out) const
{
    auto run = m_runs.upper_bound(from);
    if (run != m_runs.begin() && std::prev(run)->first + std::prev(run)->second.size > from)
        --run;
    if (run == m_runs.end())
        return false;
    const uint64_t begin = run->first;
    uint64_t stop = begin + run->second.size;
    // Runs that touch make one segment.
    for (++run; run != m_runs.end() && run->first == stop; ++run)
        stop += run->second.size;
    out.address = static_cast<uint32_t>(begin);
    out.length = stop - begin;
    out.bytes = nullptr;
    return true;
}

void Image::copyWindow(uint64_t start, uint64_t size, uint8_t fill, uint8_t *out) const
{
    if (size == 0)
        return;
    const uint64_t stop = start + size;
    uint64_t at = start;
    eachPiece(start, stop, [&](uint64_t from, const uint8_t *bytes, uint64_t count) {
        std::memset(out + (at - start), fill, from - at);
        std::memcpy(out + (from - start), bytes, count);
        at = from + count;
    });
    std::memset(out + (at - start), fill, stop - at);
}

} // namespace kestrun
