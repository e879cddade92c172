// What an image text (Intel HEX or S-records) puts where, as one read by
// the library's reader shows it: the segments the data make, the gaps
// between them, the records that write an address twice, the start address
// and where the text stops being valid. The map keeps ranges, never
// records or bytes, so that it stays small whatever the text (and so does
// its reading, which holds the bytes of a few megabytes of addresses at a
// time); the same
// read can fill the document's AddressIndex, so that a pause in typing
// costs one read. Windowless; the memory map panel draws it through
// MapLayout.
#ifndef PELCOR_MEMORY_MAP_H
#define PELCOR_MEMORY_MAP_H

#include "core/AddressIndex.h"
#include "core/AddressRange.h"
#include "core/LibraryCalls.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class MemoryMap {
public:
    // The library's value for each (KESTRUN_FORMAT_*); None is binary.
    enum class Format : std::int32_t {
        None = KESTRUN_FORMAT_BINARY,
        IntelHex = KESTRUN_FORMAT_IHEX,
        SRecords = KESTRUN_FORMAT_SREC
    };

    // A maximal run of written addresses and the first line (from 1, as
    // an editor counts) of a record that writes into it. A map of very
    // many segments keeps neighbours as one: `pieces` of them, with gaps
    // shorter than hiddenGap() between.
    struct Segment {
        std::uint32_t low;
        std::uint32_t high;
        std::uint64_t line;
        std::uint32_t pieces = 1;

        std::uint64_t size() const { return std::uint64_t(high) - low + 1; }
    };

    // Addresses that records wrote more than once: low..high, the line (as
    // an editor counts) of the record that came later and of the one
    // before it. `identical` when the second
    // write brought the same bytes. Touching conflicts of consecutive
    // records are one.
    struct Overlap {
        std::uint32_t low;
        std::uint32_t high;
        std::uint64_t line;
        std::uint64_t earlierLine;
        bool identical;
    };

    // Where the text stops being valid: the library's result, the line as
    // the document window counts it (as a conversion names it) and the
    // library's message for the result. Everything above it is mapped.
    struct Stop {
        std::int32_t result;
        int line;
        bool noEndRecord;
        QString message;
    };

    // What a read holds: the weight of the image one pass keeps (its
    // bytes and a share for every record that starts a run of its own),
    // and the number of segments the map keeps.
    struct ReadLimits {
        std::uint64_t windowWeight = std::uint64_t(6) << 20;
        std::size_t keptSegments = std::size_t(1) << 14;
    };

    MemoryMap() = default;

    // The format of `text` as the library's detection finds it from its
    // first line: an image text (Intel HEX or S-records) or None.
    static Format formatOf(const ImageCalls &calls, QByteArrayView text);

    // Reads `text` with the library's reader for the format the library
    // finds (Intel HEX or S-records; anything else maps as Format::None).
    // Every data record with bytes goes to `addresses` when given.
    static MemoryMap read(const ImageCalls &calls, QByteArrayView text,
                          AddressIndex *addresses = nullptr);
    static MemoryMap read(const ImageCalls &calls, QByteArrayView text,
                          AddressIndex *addresses, const ReadLimits &limits);

    Format format() const { return m_format; }
    // In address order.
    const std::vector<Segment> &segments() const { return m_segments; }
    // Gaps shorter than this lie inside segments kept together (0: none
    // does).
    std::uint64_t hiddenGap() const { return m_hiddenGap; }
    // The unwritten ranges between segments (not before the first or after
    // the last).
    std::vector<AddressRange> gaps() const;
    // In the order the reader met them.
    const std::vector<Overlap> &overlaps() const { return m_overlaps; }
    // The start address as the processor starts there: a linear value, or
    // CS * 16 + IP of an 03 record.
    std::optional<std::uint32_t> start() const { return m_start; }
    const std::optional<Stop> &stop() const { return m_stop; }

    // The segment holding `address`; none in a gap.
    std::optional<std::size_t> segmentAt(std::uint32_t address) const;
    // The first segment above, or the last below, the one holding or
    // following `address`, for stepping through segments.
    std::optional<std::size_t> nextSegment(std::uint32_t address) const;
    std::optional<std::size_t> previousSegment(std::uint32_t address) const;

    // The memory the map holds, in bytes.
    std::size_t memoryBytes() const;

private:
    Format m_format = Format::None;
    std::vector<Segment> m_segments;
    std::vector<Overlap> m_overlaps;
    std::optional<std::uint32_t> m_start;
    std::optional<Stop> m_stop;
    std::uint64_t m_hiddenGap = 0;
};

#endif
