#include "written_image.h"

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

bool WrittenImage::store(uint64_t address, const uint8_t *bytes, uint64_t count)
{
    if (count == 0)
        return true;
    m_highest = std::max(m_highest, address + count);
    if (m_last != m_runs.end() && address >= m_last->first
        && address <= m_last->first + m_last->second.size)
        return storeInRun(m_last, m_lastLimit, address, bytes, count);
    return storeAnywhere(address, bytes, count);
}

// Writes into `run`, which holds or ends at `address`, as far as `limit`
// (where the next run begins); the rest goes where it belongs.
bool WrittenImage::storeInRun(Runs::iterator run, uint64_t limit, uint64_t address,
                              const uint8_t *bytes, uint64_t count)
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
bool WrittenImage::storeAnywhere(uint64_t address, const uint8_t *bytes, uint64_t count)
{
    Runs::iterator next = m_runs.upper_bound(address);
    const uint64_t limit = next == m_runs.end() ? kNoLimit : next->first;
    if (next != m_runs.begin()) {
        const Runs::iterator run = std::prev(next);
        if (address <= run->first + run->second.size)
            return storeInRun(run, limit, address, bytes, count);
    }
    // A store that fails ends the conversion, so an empty run it may leave
    // behind is never read.
    return storeInRun(m_runs.emplace_hint(next, address, Run{}), limit, address, bytes, count);
}

void WrittenImage::copyWindow(uint64_t start, uint64_t size, uint8_t fill, uint8_t *out) const
{
    const uint64_t stop = start + size;
    uint64_t at = start;
    Runs::const_iterator run = m_runs.upper_bound(start);
    if (run != m_runs.begin() && std::prev(run)->first + std::prev(run)->second.size > start)
        --run;
    for (; run != m_runs.end() && run->first < stop; ++run) {
        const uint64_t from = std::max(run->first, at);
        const uint64_t to = std::min(run->first + run->second.size, stop);
        std::memset(out + (at - start), fill, from - at);
        std::memcpy(out + (from - start), run->second.bytes.data() + (from - run->first),
                    to - from);
        at = to;
    }
    std::memset(out + (at - start), fill, stop - at);
}

} // namespace kestrun
