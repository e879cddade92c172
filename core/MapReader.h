// The reading behind a MemoryMap: the one image input over the text, in its
// format, with a record callback that collects runs of written addresses
// (and the AddressIndex when asked) and a conflict callback that collects
// overlaps. A text whose image weighs more than ReadLimits::windowWeight is
// read once to weigh its blocks of addresses, then once for each window of
// blocks within the weight, each window from the part of the text that
// writes it, so that a read holds a few megabytes of image at a time.
#ifndef PELCOR_MAP_READER_H
#define PELCOR_MAP_READER_H

#include "core/AddressIndex.h"
#include "core/LibraryCalls.h"
#include "core/MemoryMap.h"
#include "core/SegmentList.h"

#include <QByteArrayView>

#include <cstdint>
#include <vector>

class MapReader {
public:
    // How the reading ended: the first pass over the whole text tells.
    struct Outcome {
        bool ran = false; // false: no memory for an image or a reader
        std::int32_t result = ResultOk;
        bool placed = false; // `at` holds the reader's place of the failure
        kestrun_place at{};
        std::uint32_t startType = KESTRUN_START_NONE;
        std::uint32_t startValue = 0;
    };

    // `text` (of `format`, Intel HEX or S-records) must outlive the reader.
    MapReader(const ImageCalls &calls, MemoryMap::Format format, QByteArrayView text,
              const MemoryMap::ReadLimits &limits);

    // Reads the text: its segments into `segments`, what records wrote
    // twice into `overlaps` (in the order of the lines), every data record
    // with bytes into `addresses` when given. An outcome that has not run
    // leaves the three incomplete.
    Outcome read(SegmentList &segments, std::vector<MemoryMap::Overlap> &overlaps,
                 AddressIndex *addresses);
    // The segments' and overlaps' lines are the reader's (LF CR ends one
    // line): the line an editor shows for one of them, once read.
    std::uint64_t editorLine(std::uint64_t line) const;

private:
    struct Reading;
    struct Part;
    // From `line` on, an editor's lines are `shift` more than the reader's.
    struct LineShift {
        std::uint64_t line;
        std::int64_t shift;
    };

    void noteLine(std::uint64_t line, std::uint64_t editorLine);

    Outcome readPass(Reading &reading, std::uint32_t low, std::uint32_t high,
                     std::vector<MemoryMap::Overlap> &overlaps, SegmentList *segments,
                     const Part &part);
    bool readInWindows(const Part &part, std::uint64_t low, std::uint64_t stop,
                       AddressIndex *addresses, std::vector<MemoryMap::Overlap> &overlaps,
                       SegmentList &segments, Outcome *weighed);

    const ImageCalls &m_calls;
    MemoryMap::Format m_format;
    QByteArrayView m_text;
    std::uint64_t m_limit;
    // In line order; none for a text whose lines an editor counts alike.
    std::vector<LineShift> m_shifts;
};

#endif
