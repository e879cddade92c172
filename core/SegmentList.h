// The segments of a memory map as the reading passes find them, in address
// order: a segment cut at the edge of a window is joined again. Past the
// kept number, segments closer than a gap that doubles until they fit are
// kept as one, so a text of a million scattered bytes maps to a picture,
// not to a million entries.
#ifndef PELCOR_SEGMENT_LIST_H
#define PELCOR_SEGMENT_LIST_H

#include "core/MemoryMap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SegmentList {
public:
    explicit SegmentList(std::size_t kept);

    // Adds low..high, written first on `line` (0: none known), above every
    // segment added before.
    void add(std::uint32_t low, std::uint32_t high, std::uint64_t line);

    std::vector<MemoryMap::Segment> take() { return std::move(m_kept); }
    std::uint64_t hiddenGap() const { return m_hiddenGap; }

private:
    void coarsen();

    std::size_t m_most;
    std::vector<MemoryMap::Segment> m_kept;
    std::uint64_t m_hiddenGap = 0;
};

#endif
