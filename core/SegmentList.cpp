#include "core/SegmentList.h"

#include <algorithm>

namespace {

// The earlier of two lines, 0 standing for none.
std::uint64_t firstLine(std::uint64_t a, std::uint64_t b)
{
    return a == 0 ? b : b == 0 ? a : std::min(a, b);
}

} // namespace

SegmentList::SegmentList(std::size_t kept) : m_most(std::max<std::size_t>(kept, 2)) {}

void SegmentList::add(std::uint32_t low, std::uint32_t high, std::uint64_t line)
{
    if (!m_kept.empty()) {
        MemoryMap::Segment &last = m_kept.back();
        const std::uint64_t gap = std::uint64_t(low) - last.high - 1;
        if (gap == 0 || gap < m_hiddenGap) {
            last.pieces += gap == 0 ? 0 : 1;
            last.high = high;
            last.line = firstLine(last.line, line);
            return;
        }
    }
    m_kept.push_back({low, high, line, 1});
    while (m_kept.size() > m_most)
        coarsen();
}

void SegmentList::coarsen()
{
    m_hiddenGap = m_hiddenGap ? 2 * m_hiddenGap : 2;
    std::size_t kept = 0;
    for (const MemoryMap::Segment &segment : m_kept) {
        if (kept > 0 && std::uint64_t(segment.low) - m_kept[kept - 1].high - 1 < m_hiddenGap) {
            m_kept[kept - 1].high = segment.high;
            m_kept[kept - 1].pieces += segment.pieces;
            m_kept[kept - 1].line = firstLine(m_kept[kept - 1].line, segment.line);
        } else {
            m_kept[kept++] = segment;
        }
    }
    m_kept.resize(kept);
}
