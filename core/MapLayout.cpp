#include "core/MapLayout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kSpace = 4294967296.0;

double lengthOf(const MapLayout::Band &band)
{
    return double(band.high) - double(band.low) + 1.0;
}

// The bands without their pixels: gaps before, between and after the
// segments.
std::vector<MapLayout::Band> bandsOf(const MemoryMap &map)
{
    std::vector<MapLayout::Band> bands;
    std::uint64_t next = 0;
    const auto &segments = map.segments();
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (segments[i].low > next)
            bands.push_back({MapLayout::Kind::Gap, std::uint32_t(next), segments[i].low - 1, 0, 0, 0});
        bands.push_back({MapLayout::Kind::Segment, segments[i].low, segments[i].high, 0, 0, i});
        next = std::uint64_t(segments[i].high) + 1;
    }
    if (next < std::uint64_t(kSpace))
        bands.push_back({MapLayout::Kind::Gap, std::uint32_t(next), UINT32_MAX, 0, 0, 0});
    return bands;
}

// Shortens the longest gap for as long as it would take more than three
// quarters of what stays to scale: beside it the data would shrink to
// nothing, while a gap of the data's own size is worth seeing as it is.
void shortenLongGaps(std::vector<MapLayout::Band> &bands)
{
    std::vector<std::size_t> gaps;
    for (std::size_t i = 0; i < bands.size(); ++i)
        if (bands[i].kind == MapLayout::Kind::Gap)
            gaps.push_back(i);
    std::sort(gaps.begin(), gaps.end(), [&](std::size_t a, std::size_t b) {
        return lengthOf(bands[a]) > lengthOf(bands[b]);
    });
    double toScale = kSpace;
    for (std::size_t gap : gaps) {
        const double length = lengthOf(bands[gap]);
        if (length <= 3 * (toScale - length))
            break;
        bands[gap].kind = MapLayout::Kind::ShortenedGap;
        toScale -= length;
    }
}

// The height of each band in pixels, before rounding: to scale, but a
// shortened gap at its fixed height and nothing below its least.
std::vector<double> heightsOf(const std::vector<MapLayout::Band> &bands, int pixels)
{
    std::vector<double> heights(bands.size(), 0.0);
    std::vector<bool> fixed(bands.size(), false);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (bands[i].kind == MapLayout::Kind::ShortenedGap) {
            heights[i] = MapLayout::kShortenedPixels;
            fixed[i] = true;
        }
    }
    // Each round fixes the bands that fell below their least; the scale of
    // the rest can only shrink, so a few rounds settle it.
    for (bool changed = true; changed;) {
        changed = false;
        double fixedPixels = 0;
        double scaled = 0;
        for (std::size_t i = 0; i < bands.size(); ++i)
            fixed[i] ? fixedPixels += heights[i] : scaled += lengthOf(bands[i]);
        const double scale = scaled > 0 ? std::max(0.0, pixels - fixedPixels) / scaled : 0;
        for (std::size_t i = 0; i < bands.size(); ++i) {
            if (fixed[i])
                continue;
            const double least = bands[i].kind == MapLayout::Kind::Segment
                                     ? MapLayout::kSegmentPixels
                                     : 1.0;
            heights[i] = lengthOf(bands[i]) * scale;
            if (heights[i] < least) {
                heights[i] = least;
                fixed[i] = true;
                changed = true;
            }
        }
    }
    return heights;
}

} // namespace

MapLayout::MapLayout(const MemoryMap &map, int pixels) : m_pixels(std::max(pixels, 1))
{
    m_bands = bandsOf(map);
    shortenLongGaps(m_bands);
    const std::vector<double> heights = heightsOf(m_bands, m_pixels);
    // More bands than pixels can hold leave the least heights too much:
    // all of them shrink alike to fit.
    const double total = std::accumulate(heights.begin(), heights.end(), 0.0);
    const double fit = total > 0 ? m_pixels / total : 0;
    double at = 0;
    for (std::size_t i = 0; i < m_bands.size(); ++i) {
        m_bands[i].from = int(std::lround(at * fit));
        at += heights[i];
        m_bands[i].to = i + 1 == m_bands.size() ? m_pixels : int(std::lround(at * fit));
    }
}

int MapLayout::pixelOf(std::uint32_t address) const
{
    const auto band = std::lower_bound(
        m_bands.begin(), m_bands.end(), address,
        [](const Band &b, std::uint32_t a) { return b.high < a; });
    if (band == m_bands.end())
        return m_pixels - 1;
    const double into = (double(address) - band->low) / lengthOf(*band);
    const int pixel = band->from + int(into * (band->to - band->from));
    return std::clamp(pixel, band->from, std::max(band->from, band->to - 1));
}

std::optional<std::size_t> MapLayout::bandAt(int pixel) const
{
    if (pixel < 0 || pixel >= m_pixels)
        return std::nullopt;
    const auto band = std::upper_bound(m_bands.begin(), m_bands.end(), pixel,
                                       [](int p, const Band &b) { return p < b.to; });
    if (band == m_bands.end())
        return std::nullopt;
    return std::size_t(band - m_bands.begin());
}
