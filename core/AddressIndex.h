// Where the data records of an image text (Intel HEX or S-records) put
// their bytes, by line, as the library's reader reports each record: the
// absolute address under a column of the text, and the record that holds
// an address. Windowless; the document windows ask it for the caret's
// address and for go-to, and fill it from the read of their MemoryMap.
//
// Records on consecutive lines of one length whose addresses step evenly
// (as every writer lays them) are kept as one run, so that a text's
// index costs a few bytes per extended address record, not 16 per line.
#ifndef PELCOR_ADDRESS_INDEX_H
#define PELCOR_ADDRESS_INDEX_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

class AddressIndex {
public:
    // One data record: its line (from 1), the address of its first byte
    // (bases applied), its data bytes (a record holds at most 255) and the
    // column of its first data digit (the colon or S being column 1).
    struct Record {
        std::uint64_t line;
        std::uint32_t address;
        std::uint16_t length;
        std::uint16_t firstColumn;
    };

    AddressIndex() = default;
    // Reads `text` with the library (MemoryMap::read); the records up to the first bad one
    // (or all of them) are kept, so that the part above an error still
    // answers.
    static AddressIndex read(const ImageCalls &calls, QByteArrayView text);

    // Adds the record after the last, in line order.
    void add(const Record &record);
    void clear() { m_runs.clear(); }

    bool empty() const { return m_runs.empty(); }
    std::uint64_t size() const;

    // The address of the data byte whose digits include `column` (from 1,
    // the colon being column 1) on `line`; none off a data field.
    std::optional<std::uint32_t> addressAt(std::uint64_t line, int column) const;
    // The first line whose record holds `address`; none when none does.
    std::optional<std::uint64_t> lineOf(std::uint32_t address) const;
    // That line, the column (from 1) of the address's first digit and the
    // number of data digits from there to the record's end.
    struct Place {
        std::uint64_t line;
        int column;
        int digitsLeft;
    };
    std::optional<Place> placeOf(std::uint32_t address) const;
    // The last record on or above `line`, and the first on or below it.
    std::optional<Record> atOrAbove(std::uint64_t line) const;
    std::optional<Record> atOrBelow(std::uint64_t line) const;

    // Calls each(record) for every record, in line order.
    template <typename Each> void forEach(Each &&each) const
    {
        for (const Run &run : m_runs)
            for (std::uint32_t i = 0; i < run.count; ++i)
                each(run.record(i));
    }

    std::size_t memoryBytes() const { return m_runs.capacity() * sizeof(Run); }

private:
    // `count` records from `firstLine` on, the i-th at firstAddress +
    // i * step; step is at least length when count > 1, and the last
    // record ends within the 32-bit space.
    struct Run {
        std::uint64_t firstLine;
        std::uint32_t firstAddress;
        std::uint32_t count;
        std::uint32_t step;
        std::uint16_t length;
        std::uint16_t firstColumn;

        Record record(std::uint32_t i) const
        {
            return {firstLine + i, firstAddress + i * step, length, firstColumn};
        }
    };

    // The run holding `line`'s record, or the last one before it.
    std::vector<Run>::const_iterator runAtOrAbove(std::uint64_t line) const;

    std::vector<Run> m_runs;
};

#endif
