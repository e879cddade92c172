// Dump formatting: one line per 16 positions, with the address, sixteen hex
// cells and an ASCII column.
//
// Callers rely on a side effect: every byte of `data` from position 0 to the
// end that is not printable is overwritten with '.', the positions before
// the start included. The lines do that as they pass; whatever they do not
// reach is done apart, so the data ends up the same whichever way the call
// ends.
#include "exports.h"
#include "guard.h"
#include "hex_digits.h"
#include "dump_lines.h"
#include "line_end.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrun {

namespace {

constexpr uint64_t kMaxTable = 0xFFFFFFFF;

void maskUnprintable(uint8_t *data, uint64_t from, uint64_t to)
{
    for (uint64_t p = from; p < to; ++p)
        data[p] = static_cast<uint8_t>(kDisplay[data[p]]);
}

struct Window {
    uint64_t start;
    uint64_t stop; // one past the last position shown
    uint64_t dataLength;
    uint8_t blank;
};

// The line at `address` into `p`; the data it shows is masked as it passes.
char *writeLine(char *p, uint8_t *data, const Window &w, uint64_t address, uint32_t indent,
                const LineEnd &lineEnd)
{
    const unsigned from = address >= w.start ? 0 : unsigned(w.start - address);
    const unsigned to = address + 16 <= w.stop ? 16 : unsigned(w.stop - address);
    const uint8_t *bytes = data + address;
    uint8_t line[16];
    if (address + 16 > w.dataLength) {
        for (unsigned j = 0; j < 16; ++j)
            line[j] = address + j < w.dataLength ? data[address + j] : w.blank;
        bytes = line;
    }
    char *const text = p;
    p = putDumpLine(p, indent, address, bytes, from, to, lineEnd);
    if (from == 0 && to == 16 && address + 16 <= w.dataLength)
        // A whole line of data: its ASCII column is the masked bytes.
        std::memcpy(data + address, text + indent + kAsciiColumn, 16);
    else
        maskUnprintable(data, std::min(address, w.dataLength),
                        std::min({address + 16, w.stop, w.dataLength}));
    return p;
}

} // namespace

} // namespace kestrun

using namespace kestrun;

extern "C" KESTRUN_API int32_t DumpFormat(uint8_t *data, char *text, uint32_t dataLength,
                                          uint32_t capacity, uint32_t *writtenLength,
                                          const uint32_t *start, uint32_t *end, uint32_t blank,
                                          uint32_t newLine, uint32_t indent, intptr_t userValue,
                                          ProgressCallback progress)
{
    return guarded([&]() -> int32_t {
        const LineEnd lineEnd(newLine);
        const bool emptyData = *end == 0 && dataLength == 0;
        if (*end == 0)
            *end = dataLength - 1;
        if (!emptyData && 2 * uint64_t(*end) + 1024 > kMaxTable)
            return ResultNoMemory;

        const Window w{*start, emptyData ? 0 : uint64_t(*end) + 1, dataLength,
                       static_cast<uint8_t>(blank)};
        const uint64_t lineSize = dumpLineSize(indent, lineEnd);
        const uint64_t firstLine = w.start & ~uint64_t(15);
        const uint64_t maskStop = std::min(w.stop, w.dataLength);
        maskUnprintable(data, 0, std::min(firstLine, maskStop));

        int32_t result = ResultOk;
        uint64_t used = 0;
        uint64_t address = firstLine;
        for (;;) {
            if (progress
                && !progress(static_cast<int32_t>(address), static_cast<int32_t>(*end),
                             userValue)) {
                result = ResultCancelled;
                break;
            }
            if (address >= w.stop)
                break;
            if (used + lineSize + 1 > capacity) {
                result = ResultOverflow;
                break;
            }
            // The line is laid out in place; the NUL after it is overwritten
            // by the next line.
            char *p = writeLine(text + used, data, w, address, indent, lineEnd);
            *p = '\0';
            used = static_cast<uint64_t>(p - text);
            address += 16;
        }
        maskUnprintable(data, std::max(address, firstLine), maskStop);
        *writtenLength = static_cast<uint32_t>(used);
        return result;
    });
}
