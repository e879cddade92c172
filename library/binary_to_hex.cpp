// BinaryToHex: a window of a binary image becomes Intel HEX text in the
// caller's buffer, with the lines and automatic address records of the HEX
// writer (hex_lines), HEX address 0 standing for the window's start.
#include "exports.h"
#include "guard.h"
#include "hex_digits.h"
#include "hex_lines.h"
#include "line_end.h"

#include <algorithm>

namespace kestrun {

namespace {

constexpr uint64_t kMargin = 512;
constexpr uint64_t kMaxTable = 0xFFFFFFFF;

struct Output {
    char *text;
    uint64_t capacity;
    uint64_t used = 0;
    LineEnd lineEnd;

    // A line and the NUL that follows every line.
    bool fits(uint64_t lineBytes) const { return used + lineBytes + 1 <= capacity; }
    char *cursor() const { return text + used; }
    void closeLines(char *p)
    {
        *p = '\0';
        used = static_cast<uint64_t>(p - text);
    }
};

// The extended record(s) before the data of 64 KiB block `block`.
bool writeBoundary(Output &out, AddressRecords &addressing, uint64_t block)
{
    AddressRecord records[2];
    const int n = addressing.before(block, records);
    if (!out.fits(n * recordLineSize(4 + 2, out.lineEnd)))
        return false;
    char *p = out.cursor();
    for (int i = 0; i < n; ++i)
        p = putAddressRecord(p, records[i].type, records[i].value, out.lineEnd);
    out.closeLines(p);
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
        AddressRecords addressing(KESTRUN_ADDRESS_AUTO);
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
                if (!out.fits(recordLineSize(4, out.lineEnd)))
                    return ResultOverflow;
                out.closeLines(putEndRecord(out.cursor(), out.lineEnd));
                break;
            }
            if (offset == kBlockSize) {
                if (!writeBoundary(out, addressing, ++block))
                    return ResultOverflow;
                offset = 0;
                continue;
            }
            const uint32_t count = static_cast<uint32_t>(
                std::min<uint64_t>({stop - position, perRecord, kBlockSize - offset}));
            if (!out.fits(recordLineSize(4 + count, out.lineEnd)))
                return ResultOverflow;
            const uint64_t dataStop = std::min<uint64_t>(position + count, dataLength);
            const auto fromData =
                static_cast<uint32_t>(dataStop > position ? dataStop - position : 0);
            out.closeLines(putDataRecord(out.cursor(), static_cast<uint32_t>(offset),
                                         data + (fromData ? position : 0), fromData, count,
                                         static_cast<uint8_t>(blank), out.lineEnd));
            position += count;
            offset += count;
        }
        *writtenLength = static_cast<uint32_t>(out.used);
        *end = static_cast<uint32_t>(position);
        return ResultOk;
    });
}
