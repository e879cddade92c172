// What the harnesses know of Intel HEX text independently of the library:
// the exact length BinaryToHex writes for a window, and a whole write-read
// round trip through both conversions.
#ifndef KESTRUN_FUZZ_HEX_LAYOUT_H
#define KESTRUN_FUZZ_HEX_LAYOUT_H

#include "exports.h"
#include "tail_buffer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrun_fuzz {

constexpr uint64_t kBlock = 0x10000;
constexpr uint64_t kOutputMargin = 512;

inline uint32_t lineEndLength(uint32_t newLine)
{
    return (newLine & 0xFF00) ? 2 : 1;
}

// Data records of at most `perRecord` bytes that never cross a 64 KiB
// boundary, one extended record per boundary (two at 1 MiB), the end record;
// every line closed by a line end of `lineEnd` bytes.
inline uint64_t hexTextLength(uint64_t window, uint64_t perRecord, uint64_t lineEnd)
{
    uint64_t length = 11 + lineEnd;
    if (window == 0)
        return length;
    const uint64_t blocks = (window + kBlock - 1) / kBlock;
    const uint64_t lastBlock = window - (blocks - 1) * kBlock;
    const uint64_t records = (blocks - 1) * ((kBlock + perRecord - 1) / perRecord)
                             + (lastBlock + perRecord - 1) / perRecord;
    const uint64_t boundaries = (blocks - 1) + (blocks > 16 ? 1 : 0);
    return length + 2 * window + records * (11 + lineEnd) + boundaries * (15 + lineEnd);
}

// Writes `size` bytes (at least 1) as HEX into a buffer with room to spare.
// Returns BinaryToHex's result.
inline int32_t writeHex(const uint8_t *data, uint32_t size, int32_t recordLength, uint32_t newLine,
                        std::string &text)
{
    const uint64_t perRecord = recordLength > 255 ? 255 : uint64_t(recordLength);
    const uint64_t capacity =
        hexTextLength(size, perRecord, lineEndLength(newLine)) + kOutputMargin + 1;
    std::unique_ptr<char[]> buffer(new char[capacity]);
    uint32_t written = 0;
    const uint32_t start = 0;
    uint32_t end = size - 1;
    const int32_t result = BinaryToHex(data, buffer.get(), size, uint32_t(capacity), recordLength,
                                       &written, &start, &end, 0, newLine, 0, nullptr);
    if (result == ResultOk)
        text.assign(buffer.get(), written);
    return result;
}

constexpr size_t kLargestReadBack = 0x40000;

// Reads HEX text with the automatic window into a buffer of `capacity`
// bytes (at most kLargestReadBack), which `image` receives; `size` receives
// the window's size. Returns HexToBinary's result.
inline int32_t readHex(const std::string &text, uint32_t capacity, const uint8_t *&image,
                       uint32_t &size, uint32_t &end)
{
    static TailBuffer<uint8_t> buffer(kLargestReadBack);
    uint8_t *out = buffer.take(capacity, 0);
    image = out;
    size = 0;
    const uint32_t start = 0;
    end = 0;
    return HexToBinary(text.c_str(), out, int32_t(text.size()), capacity, &size, &start, &end, 0, 0,
                       nullptr);
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_HEX_LAYOUT_H
