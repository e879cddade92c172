#include "core/DataRows.h"

#include "core/Cp932.h"
#include "core/HexDigit.h"

#include <algorithm>

namespace {

std::uint32_t rowStart(std::uint32_t address)
{
    return address & ~(DataRows::kWidth - 1);
}

// A heading and the data rows of one segment.
std::uint64_t rowsOf(const MemoryMap::Segment &segment)
{
    return 1 + (rowStart(segment.high) - rowStart(segment.low)) / DataRows::kWidth + 1;
}

bool isLead(std::uint8_t b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

void DataRows::setSegments(std::vector<MemoryMap::Segment> segments)
{
    m_segments = std::move(segments);
    m_first.clear();
    m_total = 0;
    for (const MemoryMap::Segment &segment : m_segments) {
        m_first.push_back(m_total);
        m_total += rowsOf(segment);
    }
}

DataRows::Row DataRows::row(std::uint64_t index) const
{
    const auto after = std::upper_bound(m_first.begin(), m_first.end(), index);
    const auto segment = std::size_t(std::max<std::ptrdiff_t>(0, after - m_first.begin() - 1));
    const std::uint64_t within = index - m_first[segment];
    if (within == 0)
        return {true, segment, m_segments[segment].low};
    return {false, segment,
            std::uint32_t(rowStart(m_segments[segment].low) + (within - 1) * kWidth)};
}

std::optional<std::uint64_t> DataRows::rowOf(std::uint32_t address) const
{
    const auto above = std::upper_bound(
        m_segments.begin(), m_segments.end(), address,
        [](std::uint32_t a, const MemoryMap::Segment &s) { return a < rowStart(s.low); });
    if (above == m_segments.begin())
        return std::nullopt;
    const auto segment = std::size_t(above - m_segments.begin() - 1);
    if (address > (m_segments[segment].high | (kWidth - 1)))
        return std::nullopt;
    return m_first[segment] + 1 + (rowStart(address) - rowStart(m_segments[segment].low)) / kWidth;
}

void DataRows::read(const AddressIndex &index, const LineText &lineText, std::uint32_t address,
                    std::uint32_t count, std::uint8_t *bytes, bool *held)
{
    std::fill_n(bytes, count, std::uint8_t(0));
    std::fill_n(held, count, false);
    for (std::uint32_t i = 0; i < count;) {
        const std::optional<AddressIndex::Place> place = index.placeOf(address + i);
        const QByteArrayView line = place ? lineText(place->line) : QByteArrayView();
        const std::optional<AddressIndex::Digits> digits =
            place ? index.digitsOf(line, place->byte, count - i) : std::nullopt;
        if (!digits || digits->width < 2) {
            ++i;
            continue;
        }
        // The digits of the bytes this record holds from here, two a byte.
        for (int at = digits->column - 1; at + 1 < digits->column - 1 + digits->width && i < count;
             at += 2, ++i) {
            const int high = HexDigit::value(line[at]), low = HexDigit::value(line[at + 1]);
            if (high < 0 || low < 0)
                continue;
            bytes[i] = std::uint8_t(high << 4 | low);
            held[i] = true;
        }
        if (address + i == 0) // wrapped past the top of the space
            break;
    }
}

QString DataRows::characters(const std::uint8_t *bytes, const bool *held)
{
    QString out;
    for (std::uint32_t i = 0; i < kWidth; ++i) {
        const std::uint8_t b = bytes[i];
        if (!held[i]) {
            out += u' ';
        } else if (b >= 0x20 && b < 0x7F) {
            out += QChar(b);
        } else if (b >= 0xA1 && b <= 0xDF) {
            out += decodeCp932(QByteArrayView(reinterpret_cast<const char *>(&b), 1));
        } else if (isLead(b) && i + 1 < kWidth && held[i + 1]) {
            const QString pair =
                decodeCp932(QByteArrayView(reinterpret_cast<const char *>(bytes + i), 2));
            if (pair.size() == 1 && pair[0] != QChar::ReplacementCharacter) {
                out += pair;
                out += u' ';
                ++i;
            } else {
                out += u'.';
            }
        } else {
            out += u'.';
        }
    }
    return out;
}
