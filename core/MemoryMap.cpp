#include "core/MemoryMap.h"

#include "core/Cp932.h"
#include "core/HexErrorLine.h"
#include "core/MapReader.h"
#include "core/SegmentList.h"

#include <algorithm>
#include <array>

namespace {

QString libraryMessage(const ImageCalls &c, std::int32_t result)
{
    std::array<char, 256> buffer{};
    if (c.GetErrorString(result, buffer.data()) <= 0)
        return QString();
    return decodeCp932(QByteArrayView(buffer.data(), qstrnlen(buffer.data(), buffer.size())));
}

} // namespace

MemoryMap::Format MemoryMap::formatOf(const ImageCalls &c, QByteArrayView text)
{
    // The library's detection looks at the first line; 4 KiB hold it.
    const auto head = std::uint64_t(std::min<qsizetype>(text.size(), 4096));
    switch (c.kestrun_detect_format(reinterpret_cast<const std::uint8_t *>(text.data()), head)) {
    case KESTRUN_FORMAT_IHEX:
        return Format::IntelHex;
    case KESTRUN_FORMAT_SREC:
        return Format::SRecords;
    default:
        return Format::None;
    }
}

MemoryMap MemoryMap::read(const ImageCalls &c, QByteArrayView text,
                          AddressIndex *addresses)
{
    return read(c, text, addresses, ReadLimits());
}

MemoryMap MemoryMap::read(const ImageCalls &c, QByteArrayView text,
                          AddressIndex *addresses, const ReadLimits &limits)
{
    MemoryMap map;
    const Format format = formatOf(c, text);
    if (format == Format::None)
        return map;
    if (addresses)
        addresses->setTokenizer(c, std::int32_t(format));
    SegmentList segments(limits.keptSegments);
    MapReader reader(c, format, text, limits);
    const MapReader::Outcome outcome = reader.read(segments, map.m_overlaps, addresses);
    if (!outcome.ran)
        return MemoryMap();
    for (Overlap &overlap : map.m_overlaps) {
        overlap.line = reader.editorLine(overlap.line);
        overlap.earlierLine = reader.editorLine(overlap.earlierLine);
    }
    map.m_format = format;
    if (outcome.placed) {
        const HexErrorLine::Place where = HexErrorLine::inEditor(outcome.at);
        map.m_stop =
            Stop{outcome.result, where.line, where.noEndRecord, libraryMessage(c, outcome.result)};
    } else if (outcome.result < 0) {
        map.m_stop = Stop{outcome.result, 0, false, libraryMessage(c, outcome.result)};
    }
    if (outcome.startType == KESTRUN_START_LINEAR)
        map.m_start = outcome.startValue;
    else if (outcome.startType == KESTRUN_START_SEGMENT)
        map.m_start = (outcome.startValue >> 16) * 16 + (outcome.startValue & 0xFFFF);
    map.m_hiddenGap = segments.hiddenGap();
    map.m_segments = segments.take();
    for (Segment &segment : map.m_segments)
        segment.line = segment.line ? reader.editorLine(segment.line) : 0;
    map.m_segments.shrink_to_fit();
    map.m_overlaps.shrink_to_fit();
    return map;
}

std::vector<AddressRange> MemoryMap::gaps() const
{
    std::vector<AddressRange> gaps;
    for (std::size_t i = 1; i < m_segments.size(); ++i)
        gaps.push_back({m_segments[i - 1].high + 1, m_segments[i].low - 1});
    return gaps;
}

std::optional<std::size_t> MemoryMap::segmentAt(std::uint32_t address) const
{
    auto after = std::upper_bound(
        m_segments.begin(), m_segments.end(), address,
        [](std::uint32_t a, const Segment &segment) { return a < segment.low; });
    if (after == m_segments.begin() || std::prev(after)->high < address)
        return std::nullopt;
    return std::size_t(std::prev(after) - m_segments.begin());
}

std::optional<std::size_t> MemoryMap::nextSegment(std::uint32_t address) const
{
    auto after = std::upper_bound(
        m_segments.begin(), m_segments.end(), address,
        [](std::uint32_t a, const Segment &segment) { return a < segment.low; });
    if (after == m_segments.end())
        return std::nullopt;
    return std::size_t(after - m_segments.begin());
}

std::optional<std::size_t> MemoryMap::previousSegment(std::uint32_t address) const
{
    // The segment holding `address`, or the first above it, is where the
    // caret is; the one before that is the previous.
    auto at = std::lower_bound(
        m_segments.begin(), m_segments.end(), address,
        [](const Segment &segment, std::uint32_t a) { return segment.high < a; });
    if (at == m_segments.begin())
        return std::nullopt;
    return std::size_t(at - m_segments.begin()) - 1;
}

std::size_t MemoryMap::memoryBytes() const
{
    return sizeof *this + m_segments.capacity() * sizeof(Segment)
           + m_overlaps.capacity() * sizeof(Overlap)
           + (m_stop ? std::size_t(m_stop->message.capacity()) * sizeof(QChar) : 0);
}
