// The rows of a data view of an image text: 16 bytes a row by absolute
// address, each segment of the memory map opened by a heading row, so
// that a row number names a place without a row being kept for it. The
// bytes of a row are read from the text itself, through the address
// index and the library's tokenizer: nothing holds a copy of the image.
#ifndef PELCOR_DATA_ROWS_H
#define PELCOR_DATA_ROWS_H

#include "core/AddressIndex.h"
#include "core/MemoryMap.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class DataRows {
public:
    static constexpr std::uint32_t kWidth = 16;

    // A heading row names its segment; a data row the first address of
    // its 16 (a multiple of 16), some of which may lie outside the segment
    // or in a gap it keeps inside.
    struct Row {
        bool heading;
        std::size_t segment;
        std::uint32_t address;
    };

    void setSegments(std::vector<MemoryMap::Segment> segments);
    const std::vector<MemoryMap::Segment> &segments() const { return m_segments; }
    std::uint64_t count() const { return m_first.empty() ? 0 : m_total; }
    Row row(std::uint64_t index) const;
    // The data row that shows `address`; none outside every segment's rows.
    std::optional<std::uint64_t> rowOf(std::uint32_t address) const;
    // Whether `address` lies on some data row.
    bool shows(std::uint32_t address) const { return rowOf(address).has_value(); }

    // The text of a line (from 1), without its line end.
    using LineText = std::function<QByteArrayView(std::uint64_t line)>;
    // Reads `count` bytes from `address` out of the text: held[i] says
    // whether a record holds address + i, bytes[i] its value (0 where
    // none does). The first record that holds an address gives it.
    static void read(const AddressIndex &index, const LineText &lineText, std::uint32_t address,
                     std::uint32_t count, std::uint8_t *bytes, bool *held);

    // The character column of a row of kWidth bytes: ASCII and half-width
    // kana as they are, a double-byte character over its first byte and a
    // blank over its second, a blank for a byte no record holds, '.' for
    // the rest.
    static QString characters(const std::uint8_t *bytes, const bool *held);

private:
    std::vector<MemoryMap::Segment> m_segments;
    // The row of each segment's heading.
    std::vector<std::uint64_t> m_first;
    std::uint64_t m_total = 0;
};

#endif
