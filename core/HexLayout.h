// Where the data of an Intel HEX text lies, found without building its
// image: the spans its data records write, their lowest and highest
// address, the records by type, the start address and the sum of the data
// bytes. The library decides whether a text is valid; this reading only
// follows the records of a text the library accepts (cut at colons, bases
// added as the library adds them), and on any other text it ends without
// harm, with whatever it found so far.
#ifndef PELCOR_HEX_LAYOUT_H
#define PELCOR_HEX_LAYOUT_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct HexLayout {
    // A run of written addresses, [begin, end).
    struct Span {
        std::uint64_t begin;
        std::uint64_t end;
    };
    // Sorted, merged where they touch or overlap.
    std::vector<Span> spans;
    // Records of each type 00 to 05.
    std::array<std::uint64_t, 6> records{};
    // The value of the last 03 or 05 record, and its type.
    std::optional<std::uint32_t> startAddress;
    int startType = 0;
    // Addresses written (each counted once) and the sum of the data bytes
    // of every record, wrapping at 32 bits.
    std::uint64_t dataBytes = 0;
    std::uint32_t recordSum = 0;
    // Some address was written twice: recordSum then counts both.
    bool overlapping = false;
    // Every record up to the end record had sound digits, length and
    // checksum; otherwise the library has the last word on the text.
    bool sound = true;

    bool empty() const { return spans.empty(); }
    std::uint32_t lowest() const { return static_cast<std::uint32_t>(spans.front().begin); }
    std::uint32_t highest() const { return static_cast<std::uint32_t>(spans.back().end - 1); }

    static HexLayout scan(QByteArrayView text);

    // The sum of the bytes the image of `text` (the text scanned) holds at
    // the written addresses, each counted once: recordSum, unless records
    // overwrote each other and the library must say which bytes stayed.
    std::uint32_t imageSum(const LibraryCalls &calls, QByteArrayView text) const;
};

#endif
