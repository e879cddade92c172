// HEX writing: a window of a binary image becomes Intel HEX text.
//
// Extended address policy: nothing for the first 64 KiB; segment records
// 1000 to F000 for the rest of the first MiB; at the 1 MiB boundary a
// segment record back to 0000 followed by a linear record 0010, and from
// there on one linear record at every 64 KiB boundary. Every common reader
// finds each byte at its own address in such a file, and our own reader
// still reads files written the older way (segment records after linear
// ones) as before.
#include "exports.h"
#include "guard.h"
#include "hex_digits.h"
#include "line_end.h"

#include <algorithm>

namespace kestrun {

namespace {

constexpr uint64_t kMargin = 512;
constexpr uint64_t kBlockSize = 0x10000;
constexpr uint64_t kMaxTable = 0xFFFFFFFF;
constexpr uint32_t kMaxRecordLength = 255;

struct Output {
    char *text;
    uint64_t capacity;
    uint64_t used = 0;
    LineEnd lineEnd;

    // A record line of `payload` digit pairs: colon, the pairs, checksum,
    // line end and the NUL that follows every line.
    uint64_t recordLineSize(uint64_t payload) const
    {
        return 1 + 2 * payload + 2 + lineEnd.length + 1;
    }
    bool fits(uint64_t bytes) const { return used + bytes <= capacity; }
    char *cursor() const { return text + used; }
    void closeLine(char *p)
    {
        p = lineEnd.put(p);
        *p = '\0';
        used = static_cast<uint64_t>(p - text);
    }
};

// Writes ":02 0000 tt vvvv cc" and its line end; returns where it ended.
char *putAddressRecord(char *p, uint32_t type, uint32_t value, const LineEnd &lineEnd)
{
    *p++ = ':';
    p = putHexByte(p, 0x02);
    p = putHexWord(p, 0x0000);
    p = putHexByte(p, type);
    p = putHexWord(p, value);
    const uint32_t sum = 0x02 + type + (value >> 8) + (value & 0xFF);
    p = putHexByte(p, 0x100 - (sum & 0xFF));
    return lineEnd.put(p);
}

// The extended record(s) before the data of 64 KiB block `block` (1, 2, ...).
bool writeBoundary(Output &out, uint64_t block)
{
    const bool megabyte = block == 16;
    const uint64_t size = megabyte ? 2 * out.recordLineSize(6) - 1 : out.recordLineSize(6);
    if (!out.fits(size))
        return false;
    char *p = out.cursor();
    if (block < 16) {
        p = putAddressRecord(p, 0x02, static_cast<uint32_t>(block * 0x1000), out.lineEnd);
    } else {
        if (megabyte)
            p = putAddressRecord(p, 0x02, 0x0000, out.lineEnd);
        p = putAddressRecord(p, 0x04, static_cast<uint32_t>(block), out.lineEnd);
    }
    *p = '\0';
    out.used = static_cast<uint64_t>(p - out.text);
    return true;
}

// One data record of `count` positions from `position`, at `offset` in its
// 64 KiB block. The caller has checked that the line fits.
void writeDataRecord(Output &out, const uint8_t *data, uint64_t dataLength, uint64_t position,
                     uint32_t count, uint32_t offset, uint8_t blank)
{
    char *p = out.cursor();
    *p++ = ':';
    p = putHexByte(p, count);
    p = putHexWord(p, offset);
    p = putHexByte(p, 0x00);
    uint32_t sum = count + (offset >> 8) + (offset & 0xFF);
    const uint64_t dataStop = std::min<uint64_t>(position + count, dataLength);
    const uint32_t fromData = dataStop > position ? static_cast<uint32_t>(dataStop - position) : 0;
    const uint8_t *src = data + position;
    for (uint32_t i = 0; i < fromData; ++i) {
        p = putHexByte(p, src[i]);
        sum += src[i];
    }
    for (uint32_t i = fromData; i < count; ++i) {
        p = putHexByte(p, blank);
        sum += blank;
    }
    p = putHexByte(p, 0x100 - (sum & 0xFF));
    out.closeLine(p);
}

bool writeEndRecord(Output &out)
{
    if (!out.fits(out.recordLineSize(4)))
        return false;
    char *p = out.cursor();
    static constexpr char kEnd[] = ":00000001FF";
    std::memcpy(p, kEnd, sizeof kEnd - 1);
    out.closeLine(p + sizeof kEnd - 1);
    return true;
}

} // namespace

} // namespace kestrun

using namespace kestrun;

extern "C" KESTRUN_API int32_t BinaryToHex(const uint8_t *data, char *text, uint32_t dataLength,
                                           uint32_t capacity, int32_t recordLength,
                                           uint32_t *writtenLength, const uint32_t *start,
                                           uint32_t *end, uint32_t blank, uint32_t newLine,
                                           intptr_t userValue, ProgressCallback progress)
{
    return guarded([&]() -> int32_t {
        Output out{text, capacity, 0, LineEnd(newLine)};
        const bool emptyData = *end == 0 && dataLength == 0;
        if (*end == 0)
            *end = dataLength - 1;
        const uint64_t last = *end;
        // Digits are looked up per byte value; the position table this
        // conversion has always been sized by only sets its limit.
        if (!emptyData && 2 * last + 1024 > kMaxTable)
            return ResultNoMemory;
        // A record length of 0 would make no progress, and more than 255
        // does not fit the length field.
        if (recordLength < 1)
            return ResultOverflow;
        const uint32_t perRecord = std::min<uint32_t>(recordLength, kMaxRecordLength);

        // The window is start..last; an empty one holds nothing.
        uint64_t position = *start;
        const uint64_t stop = emptyData ? position : last + 1;
        uint64_t offset = 0;
        uint64_t block = 0;
        for (;;) {
            if (progress
                && !progress(static_cast<int32_t>(position), static_cast<int32_t>(*end), userValue))
                return ResultCancelled;
            if (out.used + kMargin > out.capacity)
                return ResultOverflow;
            if (position >= stop) {
                if (!writeEndRecord(out))
                    return ResultOverflow;
                break;
            }
            if (offset == kBlockSize) {
                if (!writeBoundary(out, ++block))
                    return ResultOverflow;
                offset = 0;
                continue;
            }
            const uint32_t count = static_cast<uint32_t>(
                std::min<uint64_t>({stop - position, perRecord, kBlockSize - offset}));
            if (!out.fits(out.recordLineSize(4 + count)))
                return ResultOverflow;
            writeDataRecord(out, data, dataLength, position, count, static_cast<uint32_t>(offset),
                            static_cast<uint8_t>(blank));
            position += count;
            offset += count;
        }
        *writtenLength = static_cast<uint32_t>(out.used);
        *end = static_cast<uint32_t>(position);
        return ResultOk;
    });
}
