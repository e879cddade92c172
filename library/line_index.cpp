// Which record wrote each held address, kept as extents of records of one
// length on consecutive lines, so that a second write can name the first.
#include "image.h"

#include <algorithm>

namespace kestrun {

void LineIndex::assign(uint64_t address, uint64_t count, Writer who)
{
    if (count == 0)
        return;
    const uint64_t stop = address + count;
    if (m_last != m_extents.end()) {
        // A record right after the last one, on the next line, no longer
        // than the extent's records: the extent grows.
        Extent &e = m_last->second;
        if (address == e.stop && who.source == e.source && e.step != 0 && m_lastRecord == e.step
            && count <= e.step && who.line == m_lastLine + 1 && m_nextBegin >= stop) {
            e.stop = stop;
            m_lastRecord = count;
            m_lastLine = who.line;
            return;
        }
    }
    cut(address, stop);
    m_last = m_extents.emplace(address, Extent{stop, who.line, count, who.source}).first;
    const auto next = std::next(m_last);
    m_nextBegin = next == m_extents.end() ? UINT64_MAX : next->first;
    m_lastRecord = count;
    m_lastLine = who.line;
}

// Leaves [address, stop) to no extent, splitting those that reach into it
// at record boundaries so that the lines of what remains stay as they were.
void LineIndex::cut(uint64_t address, uint64_t stop)
{
    m_last = m_extents.end();
    auto e = m_extents.upper_bound(address);
    if (e != m_extents.begin() && std::prev(e)->second.stop > address)
        --e;
    while (e != m_extents.end() && e->first < stop) {
        const uint64_t begin = e->first;
        const Extent x = e->second;
        e = m_extents.erase(e);
        if (begin < address)
            m_extents.emplace(begin, Extent{address, x.firstLine, x.step, x.source});
        if (x.stop <= stop)
            continue;
        uint64_t at = stop;
        if (x.step != 0 && (at - begin) % x.step != 0) {
            // The rest of a record cut in two keeps its line alone.
            const uint64_t line = x.lineAt(begin, at);
            const uint64_t recordStop =
                std::min(x.stop, begin + (line - x.firstLine + 1) * x.step);
            m_extents.emplace(at, Extent{recordStop, line, 0, x.source});
            at = recordStop;
        }
        if (at < x.stop)
            m_extents.emplace(at, Extent{x.stop, x.lineAt(begin, at), x.step, x.source});
    }
}

} // namespace kestrun
