// The 32-bit address space of a MemoryMap laid along a line of pixels:
// segments and gaps to one scale, except that gaps too long to show beside
// the data are shortened to a fixed height and marked as such, and every
// segment keeps a few pixels however small it is. The panel and both
// picture exports draw from the same layout, so they agree.
#ifndef PELCOR_MAP_LAYOUT_H
#define PELCOR_MAP_LAYOUT_H

#include "core/MemoryMap.h"

#include <cstdint>
#include <optional>
#include <vector>

class MapLayout {
public:
    enum class Kind { Segment, Gap, ShortenedGap };

    // Addresses low..high (high may be 2^32 - 1) over pixels [from, to).
    // `segment` indexes MemoryMap::segments() for a segment band.
    struct Band {
        Kind kind;
        std::uint32_t low;
        std::uint32_t high;
        int from;
        int to;
        std::size_t segment;
    };

    // The height a shortened gap gets, and the least a segment gets.
    static constexpr int kShortenedPixels = 14;
    static constexpr int kSegmentPixels = 3;

    MapLayout() = default;
    // Lays the whole space 0..FFFFFFFF of `map` over `pixels` pixels. An
    // empty map gives a single gap.
    MapLayout(const MemoryMap &map, int pixels);

    // From address 0 up, covering every pixel.
    const std::vector<Band> &bands() const { return m_bands; }
    int pixels() const { return m_pixels; }

    // The pixel that `address` falls on, within its band.
    int pixelOf(std::uint32_t address) const;
    // The band drawn on `pixel`; none outside 0..pixels() - 1.
    std::optional<std::size_t> bandAt(int pixel) const;

private:
    std::vector<Band> m_bands;
    int m_pixels = 0;
};

#endif
