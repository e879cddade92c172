#include "core/MemoryMap.h"

#include "core/Cp932.h"
#include "core/HexErrorLine.h"
#include "core/ImageHandle.h"

#include <algorithm>
#include <array>

namespace {

// What one read may hold at a time (ReadLimits::windowWeight): the image of the addresses it stores,
// weighed as their bytes and a share for each record that does not
// continue the one before (the run and line extent the image keeps for
// it). A text whose image weighs more is read once to weigh its blocks of
// addresses, then once for each window of blocks within the weight; a
// block that alone weighs more is weighed again in smaller blocks, from
// the part of the text that writes it.
constexpr std::uint64_t kRecordWeight = 256;
constexpr std::size_t kBlocks = std::size_t(1) << 14;
constexpr std::size_t kSmallerBlocks = std::size_t(1) << 10;

// Beyond this many, further conflicts are not kept: a text written twice
// over in scattered records would otherwise keep one per record.
constexpr std::size_t kKeptOverlaps = 16384;

// Where the record callback collapses consecutive records into runs of
// written addresses, for the first line of each segment; runs that touch
// after all are merged now and then, which keeps their number near the
// number of segments however the records are laid.
struct Run {
    std::uint32_t low;
    std::uint32_t high;
    std::uint64_t line;
};

// What the weighing pass learns of a block of addresses: the weight of
// the records that write it, and the part of the text a window holding
// it reads: from the record its first record's bases come from, to the
// end of its last record.
struct Block {
    std::uint32_t weight = 0;
    std::uint64_t from = UINT64_MAX;
    std::uint64_t fromLine = 0;
    std::uint64_t to = 0;
};

// Where a HEX text's data records get their bases: the last 04 record and
// an 02 after it (an 04 clears the segment base).
struct Bases {
    std::uint64_t offset = UINT64_MAX;
    std::uint64_t line = 0;
    std::uint64_t segmentOffset = UINT64_MAX;
    std::uint64_t segmentLine = 0;
};

struct Reading {
    explicit Reading(MemoryMap::Format f, AddressIndex *a = nullptr)
        : format(f), addresses(a)
    {
    }

    MemoryMap::Format format;
    AddressIndex *addresses;
    // The addresses the pass stores, [low, stop).
    std::uint64_t low = 0;
    std::uint64_t stop = std::uint64_t(1) << 32;
    std::vector<Run> runs;
    std::size_t compactAt = 4096;
    // With a limit, the pass stops once the weight of what it read passes it.
    std::uint64_t limit = 0;
    std::uint64_t weight = 0;
    bool overWeight = false;
    // The weighing pass adds each record to its blocks, of 2^blockShift
    // addresses from blockLow up to blockStop.
    std::vector<Block> *blocks = nullptr;
    std::uint64_t blockLow = 0;
    std::uint64_t blockStop = 0;
    unsigned blockShift = 0;
    Bases bases;
    // The blocks of the last data record, whose end the next record's
    // beginning is (none when first > last).
    std::size_t endingFirst = 1;
    std::size_t endingLast = 0;
    std::uint64_t lastStop = UINT64_MAX;
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

bool isDataRecord(MemoryMap::Format format, std::uint32_t type)
{
    return format == MemoryMap::Format::IntelHex ? type == 0 : type >= 1 && type <= 3;
}

// The last data record ends where the text goes on at `offset`.
void endRecord(Reading &reading, std::uint64_t offset)
{
    for (std::size_t b = reading.endingFirst; b <= reading.endingLast; ++b)
        (*reading.blocks)[b].to = std::max((*reading.blocks)[b].to, offset);
    reading.endingFirst = 1;
    reading.endingLast = 0;
}

// Adds a record to the blocks it writes, for the weighing pass.
void weigh(Reading &reading, const kestrun_record &record, std::uint64_t extra)
{
    endRecord(reading, record.offset);
    const bool hex = reading.format == MemoryMap::Format::IntelHex;
    if (hex && record.type == 4)
        reading.bases = Bases{record.offset, record.line};
    if (hex && record.type == 2 && reading.bases.segmentOffset == UINT64_MAX) {
        reading.bases.segmentOffset = record.offset;
        reading.bases.segmentLine = record.line;
    }
    if (!isDataRecord(reading.format, record.type) || record.length == 0)
        return;
    const Bases &bases = reading.bases;
    const std::uint64_t from = std::min({bases.offset, bases.segmentOffset, record.offset});
    const std::uint64_t fromLine = from == bases.offset           ? bases.line
                                   : from == bases.segmentOffset ? bases.segmentLine
                                                                 : record.line;
    const std::uint64_t begin = std::max<std::uint64_t>(record.address, reading.blockLow);
    const std::uint64_t end =
        std::min(std::uint64_t(record.address) + record.length, reading.blockStop);
    if (begin >= end)
        return;
    const unsigned shift = reading.blockShift;
    reading.endingFirst = std::size_t((begin - reading.blockLow) >> shift);
    reading.endingLast = std::size_t((end - 1 - reading.blockLow) >> shift);
    for (std::uint64_t at = begin; at < end;) {
        const std::uint64_t block = (at - reading.blockLow) >> shift;
        const std::uint64_t to = std::min(end, reading.blockLow + ((block + 1) << shift));
        Block &b = (*reading.blocks)[std::size_t(block)];
        b.weight = std::uint32_t(std::min<std::uint64_t>(UINT32_MAX, b.weight + (to - at) + extra));
        if (from < b.from) {
            b.from = from;
            b.fromLine = fromLine;
        }
        extra = 0;
        at = to;
    }
}

std::int32_t onRecord(const kestrun_record *record, std::intptr_t userValue)
{
    auto &reading = *reinterpret_cast<Reading *>(userValue);
    const std::uint64_t extra = std::uint64_t(record->address) == reading.lastStop ? 0 : kRecordWeight;
    if (reading.blocks)
        weigh(reading, *record, extra);
    if (!isDataRecord(reading.format, record->type) || record->length == 0)
        return ResultOk;
    if (reading.addresses)
        reading.addresses->add(
            {record->editor_line, record->address, std::uint16_t(record->length)});
    const std::uint64_t begin = record->address;
    const std::uint64_t end = begin + record->length;
    reading.lastStop = end;
    if (reading.limit) {
        reading.weight += record->length + extra;
        if (reading.weight > reading.limit) {
            reading.overWeight = true;
            return ResultCancelled;
        }
    }
    const std::uint64_t from = std::max(begin, reading.low);
    const std::uint64_t to = std::min(end, reading.stop);
    if (from >= to)
        return ResultOk;
    const auto low = std::uint32_t(from);
    const auto high = std::uint32_t(to - 1);
    std::vector<Run> &runs = reading.runs;
    if (!runs.empty() && runs.back().high != UINT32_MAX && runs.back().high + 1 == low) {
        runs.back().high = high;
        return ResultOk;
    }
    runs.push_back({low, high, record->line});
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

// The map's segments as the passes find them, in address order: a
// segment cut at the edge of a window is joined again. Past the kept
// number, segments closer than a gap that doubles until they fit are kept
// as one, so a text of a million scattered bytes maps to a picture, not
// to a million entries.
class SegmentList {
public:
    explicit SegmentList(std::size_t kept) : m_most(std::max<std::size_t>(kept, 2)) {}

    void add(std::uint32_t low, std::uint32_t high, std::uint64_t line)
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

    std::vector<MemoryMap::Segment> take() { return std::move(m_kept); }
    std::uint64_t hiddenGap() const { return m_hiddenGap; }

private:
    // The earlier of two lines, 0 standing for none.
    static std::uint64_t firstLine(std::uint64_t a, std::uint64_t b)
    {
        return a == 0 ? b : b == 0 ? a : std::min(a, b);
    }

    void coarsen()
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

    std::size_t m_most;
    std::vector<MemoryMap::Segment> m_kept;
    std::uint64_t m_hiddenGap = 0;
};

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

    // Last wins, as the conversions read, with every conflict reported,
    // storing the addresses low..high (none when low > high).
    void listen(Reading &reading, std::vector<MemoryMap::Overlap> &overlaps, std::uint32_t low,
                std::uint32_t high)
    {
        const auto user = reinterpret_cast<std::intptr_t>(&reading);
        const auto conflicts = reinterpret_cast<std::intptr_t>(&overlaps);
        if (hex) {
            c.kestrun_hex_reader_set_overlap(hex, KESTRUN_OVERLAP_LAST);
            c.kestrun_hex_reader_set_window(hex, low, high);
            c.kestrun_hex_reader_on_record(hex, onRecord, user);
            c.kestrun_hex_reader_on_conflict(hex, onConflict, conflicts);
        } else {
            c.kestrun_srec_reader_set_overlap(srec, KESTRUN_OVERLAP_LAST);
            c.kestrun_srec_reader_set_window(srec, low, high);
            c.kestrun_srec_reader_on_record(srec, onRecord, user);
            c.kestrun_srec_reader_on_conflict(srec, onConflict, conflicts);
        }
    }

    std::int32_t readAll(QByteArrayView text)
    {
        std::int32_t rc = feed(text);
        if (rc >= 0)
            rc = hex ? c.kestrun_hex_reader_finish(hex) : c.kestrun_srec_reader_finish(srec);
        return rc;
    }

    // Only text[from, to), which begins a record on `line`; its end is not
    // the text's.
    std::int32_t readPart(QByteArrayView text, std::uint64_t from, std::uint64_t to,
                          std::uint64_t line)
    {
        if (hex)
            c.kestrun_hex_reader_set_origin(hex, from, line);
        else
            c.kestrun_srec_reader_set_origin(srec, from, line);
        return feed(text.sliced(qsizetype(from), qsizetype(to - from)));
    }

    std::int32_t feed(QByteArrayView text)
    {
        const auto length = std::uint64_t(text.size());
        return hex ? c.kestrun_hex_reader_feed(hex, text.data(), length)
                   : c.kestrun_srec_reader_feed(srec, text.data(), length);
    }

    std::int32_t place(kestrun_place &at) const
    {
        return hex ? c.kestrun_hex_reader_place(hex, &at) : c.kestrun_srec_reader_place(srec, &at);
    }
};

// What one pass over the text ended with.
struct Pass {
    bool ran = false; // false: no memory for the image or the reader
    std::int32_t result = ResultOk;
    bool placed = false;
    kestrun_place at{};
    std::uint32_t startType = KESTRUN_START_NONE;
    std::uint32_t startValue = 0;
};

// The part of the text a pass reads: [from, to), from on `line`; line 0
// for the whole text.
struct Part {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::uint64_t line = 0;
};

// Reads the text (or the part) storing the addresses low..high, and adds
// the segments the image then holds to `segments`.
Pass readPass(const ImageCalls &c, Reading &reading, QByteArrayView text, std::uint32_t low,
              std::uint32_t high, std::vector<MemoryMap::Overlap> &overlaps,
              SegmentList *segments, const Part &part = {})
{
    Pass pass;
    ImageHandle image = newImage(c);
    if (!image)
        return pass;
    Reader reader(c, reading.format, image.get());
    if (!reader.valid())
        return pass;
    pass.ran = true;
    if (low <= high) {
        reading.low = low;
        reading.stop = std::uint64_t(high) + 1;
    } else {
        reading.low = reading.stop = 0;
    }
    reader.listen(reading, overlaps, low, high);
    pass.result = part.line ? reader.readPart(text, part.from, part.to, part.line)
                            : reader.readAll(text);
    if (reading.blocks)
        endRecord(reading, part.line ? part.to : std::uint64_t(text.size()));
    pass.placed = pass.result < 0 && reader.place(pass.at) < 0;
    c.kestrun_image_start(image.get(), &pass.startType, &pass.startValue);
    if (!segments || reading.overWeight)
        return pass;
    compact(reading.runs);
    kestrun_segment segment{};
    for (std::uint64_t from = 0; c.kestrun_image_next(image.get(), from, &segment) == ResultOk;
         from = std::uint64_t(segment.address) + segment.length) {
        const auto last = std::uint32_t(segment.address + segment.length - 1);
        auto run = std::upper_bound(
            reading.runs.begin(), reading.runs.end(), segment.address,
            [](std::uint32_t address, const Run &r) { return address < r.low; });
        const std::uint64_t line = run == reading.runs.begin() ? 0 : std::prev(run)->line;
        segments->add(segment.address, last, line);
    }
    return pass;
}

// Reads the addresses [low, stop) that `part` of the text writes in windows
// within `limit`, weighing them first in blocks (kBlocks of them at the
// top, with the addresses when given, and `weighed` the weighing pass).
bool readInWindows(const ImageCalls &c, MemoryMap::Format format, QByteArrayView text,
                   const Part &part, std::uint64_t low, std::uint64_t stop, std::uint64_t limit,
                   AddressIndex *addresses, std::vector<MemoryMap::Overlap> &overlaps,
                   SegmentList &segments, Pass *weighed)
{
    const std::size_t most = weighed ? kBlocks : kSmallerBlocks;
    unsigned shift = 0;
    while (((stop - low - 1) >> shift) >= most)
        ++shift;
    std::vector<Block> blocks(std::size_t(((stop - low - 1) >> shift) + 1));
    Reading weighing(format, addresses);
    weighing.blocks = &blocks;
    weighing.blockLow = low;
    weighing.blockStop = stop;
    weighing.blockShift = shift;
    const Pass pass = readPass(c, weighing, text, 1, 0, overlaps, nullptr, part);
    if (!pass.ran)
        return false;
    if (weighed)
        *weighed = pass;
    for (std::size_t first = 0; first < blocks.size(); ++first) {
        if (blocks[first].weight == 0)
            continue;
        std::uint64_t weight = blocks[first].weight;
        Part window{blocks[first].from, blocks[first].to, blocks[first].fromLine};
        std::size_t last = first;
        while (last + 1 < blocks.size() && weight + blocks[last + 1].weight <= limit) {
            const Block &next = blocks[++last];
            weight += next.weight;
            if (next.weight == 0)
                continue;
            if (next.from < window.from) {
                window.from = next.from;
                window.line = next.fromLine;
            }
            window.to = std::max(window.to, next.to);
        }
        const std::uint64_t windowLow = low + (std::uint64_t(first) << shift);
        const std::uint64_t windowStop = std::min(stop, low + (std::uint64_t(last + 1) << shift));
        if (weight > limit && shift > 0) {
            if (!readInWindows(c, format, text, window, windowLow, windowStop, limit, nullptr,
                               overlaps, segments, nullptr))
                return false;
        } else {
            Reading reading(format);
            if (!readPass(c, reading, text, std::uint32_t(windowLow), std::uint32_t(windowStop - 1),
                          overlaps, &segments, window)
                     .ran)
                return false;
        }
        first = last;
    }
    return true;
}

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
        addresses->setTokenizer(c, format == Format::IntelHex ? KESTRUN_FORMAT_IHEX
                                                              : KESTRUN_FORMAT_SREC);
    SegmentList segments(limits.keptSegments);
    // Most texts are read once, into one image.
    Reading whole(format, addresses);
    whole.limit = std::max<std::uint64_t>(limits.windowWeight, 1);
    Pass pass = readPass(c, whole, text, 0, UINT32_MAX, map.m_overlaps, &segments);
    if (!pass.ran)
        return map;
    if (whole.overWeight) {
        map.m_overlaps.clear();
        if (addresses)
            addresses->clear();
        if (!readInWindows(c, format, text, Part{}, 0, std::uint64_t(1) << 32,
                           std::max<std::uint64_t>(limits.windowWeight, 1), addresses,
                           map.m_overlaps, segments, &pass))
            return MemoryMap();
        // Each window's conflicts came in the order of its reading.
        std::stable_sort(map.m_overlaps.begin(), map.m_overlaps.end(),
                         [](const Overlap &a, const Overlap &b) { return a.line < b.line; });
    }
    map.m_format = format;
    if (pass.placed) {
        const HexErrorLine::Place where = HexErrorLine::inEditor(pass.at);
        map.m_stop = Stop{pass.result, where.line, where.noEndRecord, libraryMessage(c, pass.result)};
    } else if (pass.result < 0) {
        map.m_stop = Stop{pass.result, 0, false, libraryMessage(c, pass.result)};
    }
    if (pass.startType == KESTRUN_START_LINEAR)
        map.m_start = pass.startValue;
    else if (pass.startType == KESTRUN_START_SEGMENT)
        map.m_start = (pass.startValue >> 16) * 16 + (pass.startValue & 0xFFFF);
    map.m_hiddenGap = segments.hiddenGap();
    map.m_segments = segments.take();
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
