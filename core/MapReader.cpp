#include "core/MapReader.h"

#include "core/ImageHandle.h"
#include "core/ImageInput.h"

#include <algorithm>
#include <memory>

namespace {

// What one read may hold at a time (ReadLimits::windowWeight): the image
// of the addresses it stores, weighed as their bytes and a share for each
// record that does not continue the one before (the run and line extent
// the image keeps for it). A block of addresses that alone weighs more is
// weighed again in smaller blocks, from the part of the text that writes
// it.
constexpr std::uint64_t kRecordWeight = 256;
constexpr std::size_t kBlocks = std::size_t(1) << 14;
constexpr std::size_t kSmallerBlocks = std::size_t(1) << 10;

// Beyond this many, further conflicts are not kept: a text written twice
// over in scattered records would otherwise keep one per record.
constexpr std::size_t kKeptOverlaps = 16384;

// No record reaches this far along its line.
constexpr qsizetype kLongestLine = 4096;

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
// it reads: from the first record its records rely on, to the end of its
// last record.
struct Block {
    std::uint32_t weight = 0;
    std::uint64_t from = UINT64_MAX;
    std::uint64_t fromLine = 0;
    std::uint64_t to = 0;
};

// A record the data after it may rely on: where it begins, on which line
// (as the reader counts).
struct Origin {
    std::uint64_t offset = UINT64_MAX;
    std::uint64_t line = 0;
};

// The bases the records read so far put in force, as the library's
// tokenizer finds them, and the record that last changed each: a part of
// the text that begins at the earliest of those whose base is not zero
// reads the data after them as the whole text does, since a reader starts
// with every base at zero.
struct Bases {
    kestrun_line_state state{};
    Origin segment;
    Origin linear;
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

// A data record is one the reader hands its bytes with.
bool isData(const kestrun_record &record)
{
    return record.data != nullptr && record.length > 0;
}

} // namespace

// The part of the text a pass reads: [from, to), `from` beginning a record
// on `line`; line 0 for the whole text.
struct MapReader::Part {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::uint64_t line = 0;
};

// The state of one pass, which its callbacks fill.
struct MapReader::Reading {
    Reading(MapReader &r, AddressIndex *a) : reader(r), addresses(a) {}

    MapReader &reader;
    AddressIndex *addresses;
    // A pass over the whole text notes where the editor's lines part from
    // the reader's.
    bool notesLines = false;
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

    // The last data record ends where the text goes on at `offset`.
    void endRecord(std::uint64_t offset)
    {
        for (std::size_t b = endingFirst; b <= endingLast; ++b)
            (*blocks)[b].to = std::max((*blocks)[b].to, offset);
        endingFirst = 1;
        endingLast = 0;
    }

    // Learns from a record without data whether it changes the bases.
    void noteBases(const kestrun_record &record)
    {
        const QByteArrayView text = reader.m_text;
        if (record.offset >= std::uint64_t(text.size()))
            return;
        const auto begin = qsizetype(record.offset);
        const qsizetype most = std::min(text.size(), begin + kLongestLine);
        qsizetype end = begin;
        while (end < most && text[end] != '\n' && text[end] != '\r')
            ++end;
        const kestrun_line_state before = bases.state;
        kestrun_token token{};
        reader.m_calls.kestrun_tokenize_line(std::int32_t(reader.m_format), text.data() + begin,
                                             std::uint64_t(end - begin), &bases.state, &token);
        const Origin here{record.offset, record.line};
        if (bases.state.segment_base != before.segment_base)
            bases.segment = here;
        if (bases.state.linear_base != before.linear_base)
            bases.linear = here;
    }

    // Adds a record to the blocks it writes, for the weighing pass.
    void weigh(const kestrun_record &record, std::uint64_t extra)
    {
        endRecord(record.offset);
        if (!record.data) {
            noteBases(record);
            return;
        }
        if (record.length == 0)
            return;
        Origin from{record.offset, record.line};
        for (const auto &[value, origin] : {std::pair(bases.state.segment_base, bases.segment),
                                            std::pair(bases.state.linear_base, bases.linear)})
            if (value != 0 && origin.offset < from.offset)
                from = origin;
        const std::uint64_t begin = std::max<std::uint64_t>(record.address, blockLow);
        const std::uint64_t end = std::min(std::uint64_t(record.address) + record.length, blockStop);
        if (begin >= end)
            return;
        endingFirst = std::size_t((begin - blockLow) >> blockShift);
        endingLast = std::size_t((end - 1 - blockLow) >> blockShift);
        for (std::uint64_t at = begin; at < end;) {
            const std::uint64_t block = (at - blockLow) >> blockShift;
            const std::uint64_t to = std::min(end, blockLow + ((block + 1) << blockShift));
            Block &b = (*blocks)[std::size_t(block)];
            b.weight = std::uint32_t(std::min<std::uint64_t>(UINT32_MAX, b.weight + (to - at) + extra));
            if (from.offset < b.from) {
                b.from = from.offset;
                b.fromLine = from.line;
            }
            extra = 0;
            at = to;
        }
    }

    std::int32_t take(const kestrun_record &record)
    {
        if (notesLines)
            reader.noteLine(record.line, record.editor_line);
        const std::uint64_t extra = std::uint64_t(record.address) == lastStop ? 0 : kRecordWeight;
        if (blocks)
            weigh(record, extra);
        if (!isData(record))
            return ResultOk;
        if (addresses)
            addresses->add({record.editor_line, record.address, std::uint16_t(record.length)});
        const std::uint64_t begin = record.address;
        const std::uint64_t end = begin + record.length;
        lastStop = end;
        if (limit) {
            weight += record.length + extra;
            if (weight > limit) {
                overWeight = true;
                return ResultCancelled;
            }
        }
        const std::uint64_t from = std::max(begin, low);
        const std::uint64_t to = std::min(end, stop);
        if (from >= to)
            return ResultOk;
        const auto first = std::uint32_t(from);
        const auto last = std::uint32_t(to - 1);
        if (!runs.empty() && runs.back().high != UINT32_MAX && runs.back().high + 1 == first) {
            runs.back().high = last;
            return ResultOk;
        }
        runs.push_back({first, last, record.line});
        if (runs.size() >= compactAt) {
            compact(runs);
            compactAt = std::max<std::size_t>(4096, 2 * runs.size());
        }
        return ResultOk;
    }

    static std::int32_t onRecord(const kestrun_record *record, std::intptr_t userValue)
    {
        return reinterpret_cast<Reading *>(userValue)->take(*record);
    }

    static std::int32_t onConflict(const kestrun_conflict *conflict, std::intptr_t userValue)
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
};

MapReader::MapReader(const ImageCalls &calls, MemoryMap::Format format, QByteArrayView text,
                     const MemoryMap::ReadLimits &limits)
    : m_calls(calls), m_format(format), m_text(text),
      m_limit(std::max<std::uint64_t>(limits.windowWeight, 1))
{
}

void MapReader::noteLine(std::uint64_t line, std::uint64_t editorLine)
{
    const auto shift = std::int64_t(editorLine - line);
    if (m_shifts.empty() ? shift != 0 : m_shifts.back().shift != shift)
        m_shifts.push_back({line, shift});
}

std::uint64_t MapReader::editorLine(std::uint64_t line) const
{
    const auto after =
        std::upper_bound(m_shifts.begin(), m_shifts.end(), line,
                         [](std::uint64_t wanted, const LineShift &s) { return wanted < s.line; });
    return after == m_shifts.begin() ? line : line + std::prev(after)->shift;
}

MapReader::Outcome MapReader::read(SegmentList &segments,
                                   std::vector<MemoryMap::Overlap> &overlaps,
                                   AddressIndex *addresses)
{
    // Most texts are read once, into one image.
    Reading whole(*this, addresses);
    whole.limit = m_limit;
    whole.notesLines = true;
    Outcome outcome = readPass(whole, 0, UINT32_MAX, overlaps, &segments, Part{});
    if (!outcome.ran || !whole.overWeight)
        return outcome;
    overlaps.clear();
    m_shifts.clear();
    if (addresses)
        addresses->clear();
    if (!readInWindows(Part{}, 0, std::uint64_t(1) << 32, addresses, overlaps, segments,
                       &outcome))
        return Outcome{};
    // Each window's conflicts came in the order of its reading.
    std::stable_sort(overlaps.begin(), overlaps.end(),
                     [](const MemoryMap::Overlap &a, const MemoryMap::Overlap &b) {
                         return a.line < b.line;
                     });
    return outcome;
}

// Reads the text (or the part) storing the addresses low..high (none when
// low > high), last wins as the conversions read, and adds the segments
// the image then holds to `segments` when given.
MapReader::Outcome MapReader::readPass(Reading &reading, std::uint32_t low, std::uint32_t high,
                                       std::vector<MemoryMap::Overlap> &overlaps,
                                       SegmentList *segments, const Part &part)
{
    Outcome outcome;
    const ImageCalls &c = m_calls;
    ImageHandle image = newImage(c);
    if (!image)
        return outcome;
    outcome.ran = true;
    if (low <= high) {
        reading.low = low;
        reading.stop = std::uint64_t(high) + 1;
    } else {
        reading.low = reading.stop = 0;
    }
    ImageInputOptions options;
    options.format = m_format == MemoryMap::Format::SRecords ? InputFormat::SRecord
                                                             : InputFormat::IntelHex;
    options.overlap = KESTRUN_OVERLAP_LAST;
    options.window = ImageInputOptions::Window{low, high};
    options.onRecord = Reading::onRecord;
    options.recordUser = reinterpret_cast<std::intptr_t>(&reading);
    options.onConflict = Reading::onConflict;
    options.conflictUser = reinterpret_cast<std::intptr_t>(&overlaps);
    QByteArrayView text = m_text;
    if (part.line) {
        options.part = ImageInputOptions::Part{part.from, part.line};
        text = text.sliced(qsizetype(part.from), qsizetype(part.to - part.from));
    }
    MemoryPieces pieces(text);
    const ImageInput in = readImageInput(c, image.get(), pieces, InputArgument{}, options);
    outcome.result = in.result;
    if (reading.blocks)
        reading.endRecord(part.line ? part.to : std::uint64_t(m_text.size()));
    outcome.placed = in.place.has_value();
    if (in.place)
        outcome.at = *in.place;
    c.kestrun_image_start(image.get(), &outcome.startType, &outcome.startValue);
    if (!segments || reading.overWeight)
        return outcome;
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
    return outcome;
}

// Reads the addresses [low, stop) that `part` of the text writes in windows
// within the limit, weighing them first in blocks (kBlocks of them at the
// top, with the addresses when given, and `weighed` the weighing pass).
bool MapReader::readInWindows(const Part &part, std::uint64_t low, std::uint64_t stop,
                              AddressIndex *addresses, std::vector<MemoryMap::Overlap> &overlaps,
                              SegmentList &segments, Outcome *weighed)
{
    const std::size_t most = weighed ? kBlocks : kSmallerBlocks;
    unsigned shift = 0;
    while (((stop - low - 1) >> shift) >= most)
        ++shift;
    std::vector<Block> blocks(std::size_t(((stop - low - 1) >> shift) + 1));
    Reading weighing(*this, addresses);
    weighing.notesLines = weighed != nullptr;
    weighing.blocks = &blocks;
    weighing.blockLow = low;
    weighing.blockStop = stop;
    weighing.blockShift = shift;
    const Outcome pass = readPass(weighing, 1, 0, overlaps, nullptr, part);
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
        while (last + 1 < blocks.size() && weight + blocks[last + 1].weight <= m_limit) {
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
        if (weight > m_limit && shift > 0) {
            if (!readInWindows(window, windowLow, windowStop, nullptr, overlaps, segments, nullptr))
                return false;
        } else {
            Reading reading(*this, nullptr);
            if (!readPass(reading, std::uint32_t(windowLow), std::uint32_t(windowStop - 1),
                          overlaps, &segments, window)
                     .ran)
                return false;
        }
        first = last;
    }
    return true;
}
