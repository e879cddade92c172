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
#include "line_end.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrun {

namespace {

constexpr uint64_t kMaxTable = 0xFFFFFFFF;
constexpr uint32_t kLineBody = 75; // address, cells and ASCII column
constexpr uint32_t kAsciiColumn = 59;

constexpr std::array<char, 256> makeDisplayCharacters()
{
    std::array<char, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = (b >= 0x20 && b <= 0x7F) ? static_cast<char>(b) : '.';
    return t;
}
constexpr std::array<char, 256> kDisplay = makeDisplayCharacters();

// A byte's cell as four characters: its two digits, the cell's space, and
// one spare that the next cell (or the column after the last) overwrites,
// so a cell is one four-byte store.
struct Cell {
    char c[4];
};
constexpr std::array<Cell, 256> makeCells()
{
    std::array<Cell, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = Cell{{kDigitPairs[b].c[0], kDigitPairs[b].c[1], ' ', ' '}};
    return t;
}
constexpr std::array<Cell, 256> kCells = makeCells();

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

// The cells and ASCII column of the line at `address`; `cells` points at the
// first cell, `ascii` at the ASCII column.
void writeCells(uint8_t *data, const Window &w, uint64_t address, char *cells, char *ascii)
{
    const bool plain = address >= w.start && address + 16 <= w.stop && address + 16 <= w.dataLength;
    if (plain) {
        uint8_t *src = data + address;
        for (int j = 0; j < 16; ++j) {
            const uint8_t b = src[j];
            std::memcpy(cells + 3 * j, kCells[b].c, 4);
            ascii[j] = kDisplay[b];
            src[j] = static_cast<uint8_t>(kDisplay[b]);
        }
        return;
    }
    for (int j = 0; j < 16; ++j) {
        const uint64_t p = address + j;
        char *cell = cells + 3 * j;
        const bool inData = p < w.dataLength;
        const uint8_t b = inData ? data[p] : w.blank;
        if (inData && p < w.stop)
            data[p] = static_cast<uint8_t>(kDisplay[b]);
        if (p < w.start || p >= w.stop) {
            cell[0] = cell[1] = cell[2] = ' ';
            ascii[j] = ' ';
            continue;
        }
        putHexByte(cell, b);
        cell[2] = ' ';
        ascii[j] = kDisplay[b];
    }
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
        const uint64_t lineSize = uint64_t(indent) + kLineBody + lineEnd.length;
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
            char *p = text + used;
            std::memset(p, ' ', indent);
            p += indent;
            putHexWord(putHexWord(p, static_cast<uint32_t>(address >> 16)),
                       static_cast<uint32_t>(address & 0xFFFF));
            p[8] = p[9] = ' ';
            writeCells(data, w, address, p + 10, p + kAsciiColumn);
            p[kAsciiColumn - 1] = ' ';
            p = lineEnd.put(p + kLineBody);
            *p = '\0';
            used = static_cast<uint64_t>(p - text);
            address += 16;
        }
        maskUnprintable(data, std::max(address, firstLine), maskStop);
        *writtenLength = static_cast<uint32_t>(used);
        return result;
    });
}
