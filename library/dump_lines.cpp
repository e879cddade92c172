#include "dump_lines.h"

#include "hex_digits.h"
#include "hex_vector.h"

#include <cstring>

namespace kestrun {

namespace {


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

} // namespace

char *putDumpLine(char *p, uint32_t indent, uint64_t address, const uint8_t *bytes,
                  unsigned from, unsigned to, const LineEnd &lineEnd)
{
    // The usual indents in one store; the address overwrites what is over.
    if (indent <= 8)
        std::memcpy(p, "        ", 8);
    else
        std::memset(p, ' ', indent);
    p += indent;
    putHexWord(putHexWord(p, static_cast<uint32_t>(address >> 16)),
               static_cast<uint32_t>(address & 0xFFFF));
    p[8] = p[9] = ' ';
    char *cells = p + 10;
    char *ascii = p + kAsciiColumn;
    if (from == 0 && to == 16) {
#if KESTRUN_HEX_VECTOR
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
        putDisplay16(ascii, v);
        if (putDumpCells16(cells, v)) {
            p[kAsciiColumn - 1] = ' ';
            return lineEnd.put(p + kDumpLineBody);
        }
#endif
        for (int j = 0; j < 16; ++j) {
            std::memcpy(cells + 3 * j, kCells[bytes[j]].c, 4);
            ascii[j] = kDisplay[bytes[j]];
        }
    } else {
        for (unsigned j = 0; j < 16; ++j) {
            char *cell = cells + 3 * j;
            if (j < from || j >= to) {
                cell[0] = cell[1] = cell[2] = ' ';
                ascii[j] = ' ';
                continue;
            }
            putHexByte(cell, bytes[j]);
            cell[2] = ' ';
            ascii[j] = kDisplay[bytes[j]];
        }
    }
    p[kAsciiColumn - 1] = ' ';
    return lineEnd.put(p + kDumpLineBody);
}

namespace {

constexpr char kGapWord[] = "*** gap ";
constexpr char kBytesWord[] = " bytes)";

unsigned decimalDigits(uint64_t value)
{
    unsigned n = 1;
    for (; value >= 10; value /= 10)
        ++n;
    return n;
}

} // namespace

char *putGapLine(char *p, uint32_t indent, uint64_t address, uint64_t lines,
                 const LineEnd &lineEnd)
{
    const uint64_t bytes = 16 * lines;
    const uint64_t last = address + bytes - 1;
    std::memset(p, ' ', indent);
    p += indent;
    std::memcpy(p, kGapWord, sizeof kGapWord - 1);
    p += sizeof kGapWord - 1;
    p = putHexWord(putHexWord(p, uint32_t(address >> 16)), uint32_t(address & 0xFFFF));
    *p++ = '-';
    p = putHexWord(putHexWord(p, uint32_t(last >> 16)), uint32_t(last & 0xFFFF));
    *p++ = ' ';
    *p++ = '(';
    const unsigned digits = decimalDigits(bytes);
    uint64_t rest = bytes;
    for (unsigned i = digits; i-- > 0; rest /= 10)
        p[i] = char('0' + rest % 10);
    p += digits;
    std::memcpy(p, kBytesWord, sizeof kBytesWord - 1);
    return lineEnd.put(p + sizeof kBytesWord - 1);
}

uint64_t gapLineSize(uint32_t indent, uint64_t lines, const LineEnd &lineEnd)
{
    return uint64_t(indent) + (sizeof kGapWord - 1) + 17 + 2 + decimalDigits(16 * lines)
           + (sizeof kBytesWord - 1) + lineEnd.length;
}

} // namespace kestrun
