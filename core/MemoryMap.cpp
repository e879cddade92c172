#include "core/MemoryMap.h"

#include "core/Cp932.h"
#include "core/HexErrorLine.h"

#include <algorithm>
#include <array>

namespace {

// What the record callback learns of the text. Records come in line order
// and mostly continue each other, so consecutive ones collapse into runs
// at once; runs that touch after all are merged now and then, which keeps
// their number near the number of segments however the records are laid.
struct Run {
    std::uint32_t low;
    std::uint32_t high;
    std::uint64_t line;
};

// Beyond this many, further conflicts are not kept: a text written twice
// over in scattered records would otherwise keep one per record.
constexpr std::size_t kKeptOverlaps = 100000;

struct Reading {
    MemoryMap::Format format;
    std::vector<AddressIndex::Record> *records;
    std::vector<Run> runs;
    std::size_t compactAt = 4096;
    std::vector<MemoryMap::Overlap> *overlaps;
};

void compact(std::vector<Run> &runs)
{
    std::sort(runs.begin(), runs.end(),
              [](const Run &a, const Run &b) { return a.low < b.low; });
    std::size_t kept = 0;
    for (const Run &run : runs) {
        if (kept > 0 && std::uint64_t(run.low) <= std::uint64_t(runs[kept - 1].high) + 1) {
            Run &into = runs[kept - 1];
            into.high = std::max(into.high, run.high);
            into.line = std::min(into.line, run.line);
        } else {
            runs[kept++] = run;
        }
    }
    runs.resize(kept);
}

// The column of a data record's first data digit: after the colon,
// length, address and type of HEX; after S, type, count and the 2, 3 or
// 4 address bytes of S1, S2 and S3.
int firstDataColumn(MemoryMap::Format format, std::uint32_t type)
{
    return format == MemoryMap::Format::IntelHex ? 10 : int(5 + 2 * (type + 1));
}

bool isDataRecord(MemoryMap::Format format, std::uint32_t type)
{
    return format == MemoryMap::Format::IntelHex ? type == 0 : type >= 1 && type <= 3;
}

std::int32_t onRecord(const kestrun_record *record, std::intptr_t userValue)
{
    auto &reading = *reinterpret_cast<Reading *>(userValue);
    if (!isDataRecord(reading.format, record->type) || record->length == 0)
        return ResultOk;
    if (reading.records)
        reading.records->push_back({record->line, record->address,
                                    std::uint16_t(record->length),
                                    std::uint16_t(firstDataColumn(reading.format, record->type))});
    const std::uint32_t high = std::uint32_t(
        std::min<std::uint64_t>(std::uint64_t(record->address) + record->length - 1, UINT32_MAX));
    std::vector<Run> &runs = reading.runs;
    if (!runs.empty() && runs.back().high != UINT32_MAX
        && runs.back().high + 1 == record->address) {
        runs.back().high = high;
        return ResultOk;
    }
    runs.push_back({record->address, high, record->line});
    if (runs.size() >= reading.compactAt) {
        compact(runs);
        reading.compactAt = std::max<std::size_t>(4096, 2 * runs.size());
    }
    return ResultOk;
}

std::int32_t onConflict(const kestrun_conflict *conflict, std::intptr_t userValue)
{
    auto &overlaps = *reinterpret_cast<std::vector<MemoryMap::Overlap> *>(userValue);
    const bool identical = conflict->identical != 0;
    if (!overlaps.empty()) {
        MemoryMap::Overlap &last = overlaps.back();
        if (last.identical == identical && last.high != UINT32_MAX
            && last.high + 1 == conflict->low && conflict->line <= last.line + 1) {
            last.high = conflict->high;
            return ResultOk;
        }
    }
    if (overlaps.size() < kKeptOverlaps)
        overlaps.push_back({conflict->low, conflict->high, conflict->line,
                            conflict->earlier_line, identical});
    return ResultOk;
}

// One reader of either format behind the same few calls.
struct Reader {
    const ImageCalls &c;
    MemoryMap::Format format;
    kestrun_hex_reader *hex = nullptr;
    kestrun_srec_reader *srec = nullptr;

    Reader(const ImageCalls &calls, MemoryMap::Format f, kestrun_image *image)
        : c(calls), format(f)
    {
        if (format == MemoryMap::Format::IntelHex)
            hex = c.kestrun_hex_reader_new(image);
        else
            srec = c.kestrun_srec_reader_new(image);
    }
    ~Reader()
    {
        c.kestrun_hex_reader_free(hex);
        c.kestrun_srec_reader_free(srec);
    }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    bool valid() const { return hex || srec; }

    // Last wins, as the conversions read, with every conflict reported.
    void listen(Reading &reading)
    {
        const auto user = reinterpret_cast<std::intptr_t>(&reading);
        const auto overlaps = reinterpret_cast<std::intptr_t>(reading.overlaps);
        if (hex) {
            c.kestrun_hex_reader_set_overlap(hex, KESTRUN_OVERLAP_LAST);
            c.kestrun_hex_reader_on_record(hex, onRecord, user);
            c.kestrun_hex_reader_on_conflict(hex, onConflict, overlaps);
        } else {
            c.kestrun_srec_reader_set_overlap(srec, KESTRUN_OVERLAP_LAST);
            c.kestrun_srec_reader_on_record(srec, onRecord, user);
            c.kestrun_srec_reader_on_conflict(srec, onConflict, overlaps);
        }
    }

    std::int32_t readAll(QByteArrayView text)
    {
        const auto length = std::uint64_t(text.size());
        std::int32_t rc = hex ? c.kestrun_hex_reader_feed(hex, text.data(), length)
                              : c.kestrun_srec_reader_feed(srec, text.data(), length);
        if (rc >= 0)
            rc = hex ? c.kestrun_hex_reader_finish(hex) : c.kestrun_srec_reader_finish(srec);
        return rc;
    }

    std::int32_t place(kestrun_place &at) const
    {
        return hex ? c.kestrun_hex_reader_place(hex, &at) : c.kestrun_srec_reader_place(srec, &at);
    }
};

MemoryMap::Format formatOf(const ImageCalls &c, QByteArrayView text)
{
    const auto head = std::uint64_t(std::min<qsizetype>(text.size(), 4096));
    switch (c.kestrun_detect_format(reinterpret_cast<const std::uint8_t *>(text.data()), head)) {
    case KESTRUN_FORMAT_IHEX:
        return MemoryMap::Format::IntelHex;
    case KESTRUN_FORMAT_SREC:
        return MemoryMap::Format::SRecords;
    default:
        return MemoryMap::Format::None;
    }
}

QString libraryMessage(const ImageCalls &c, std::int32_t result)
{
    std::array<char, 256> buffer{};
    if (c.GetErrorString(result, buffer.data()) <= 0)
        return QString();
    return decodeCp932(QByteArrayView(buffer.data(), qstrnlen(buffer.data(), buffer.size())));
}

} // namespace

bool MemoryMap::mayBeImageText(QByteArrayView text)
{
    return !text.isEmpty() && (text.front() == ':' || text.front() == 'S');
}

MemoryMap MemoryMap::read(const ImageCalls &c, QByteArrayView text,
                          std::vector<AddressIndex::Record> *records)
{
    MemoryMap map;
    const Format format = formatOf(c, text);
    if (format == Format::None)
        return map;
    kestrun_image *image = c.kestrun_image_new();
    {
        Reader reader(c, format, image);
        if (!image || !reader.valid()) {
            c.kestrun_image_free(image);
            return map;
        }
        map.m_format = format;
        Reading reading{format, records, {}, 4096, &map.m_overlaps};
        reader.listen(reading);
        const std::int32_t rc = reader.readAll(text);
        kestrun_place at{};
        if (rc < 0 && reader.place(at) < 0) {
            const HexErrorLine::Place where =
                HexErrorLine::placeIn(at, text, HexErrorLine::Counting::Editor);
            map.m_stop = Stop{rc, where.line, where.noEndRecord, libraryMessage(c, rc)};
        } else if (rc < 0) {
            map.m_stop = Stop{rc, 0, false, libraryMessage(c, rc)};
        }
        compact(reading.runs);
        kestrun_segment segment{};
        for (std::uint64_t from = 0; c.kestrun_image_next(image, from, &segment) == ResultOk;
             from = std::uint64_t(segment.address) + segment.length) {
            const auto high = std::uint32_t(segment.address + segment.length - 1);
            auto run = std::upper_bound(
                reading.runs.begin(), reading.runs.end(), segment.address,
                [](std::uint32_t address, const Run &r) { return address < r.low; });
            const std::uint64_t line = run == reading.runs.begin() ? 0 : std::prev(run)->line;
            map.m_segments.push_back({segment.address, high, line});
        }
    }
    std::uint32_t type = KESTRUN_START_NONE;
    std::uint32_t value = 0;
    c.kestrun_image_start(image, &type, &value);
    if (type == KESTRUN_START_LINEAR)
        map.m_start = value;
    else if (type == KESTRUN_START_SEGMENT)
        map.m_start = (value >> 16) * 16 + (value & 0xFFFF);
    c.kestrun_image_free(image);
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
