// One dump line: `indent` spaces, the eight address digits, sixteen hex
// cells and the ASCII column, then the line end. Shared by DumpFormat and
// the dump writer; and the line that stands for a gap in the one writer's
// dump.
#ifndef KESTRUN_DUMP_LINES_H
#define KESTRUN_DUMP_LINES_H

#include "line_end.h"

#include <array>
#include <cstdint>

namespace kestrun {

constexpr uint32_t kDumpLineBody = 75; // address, cells and ASCII column
constexpr uint32_t kAsciiColumn = 59;  // from the address's first digit
constexpr uint32_t kMaxIndent = 4096;

constexpr std::array<char, 256> makeDisplayCharacters()
{
    std::array<char, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = (b >= 0x20 && b <= 0x7F) ? static_cast<char>(b) : '.';
    return t;
}
// How the ASCII column shows each byte value.
inline constexpr std::array<char, 256> kDisplay = makeDisplayCharacters();

inline uint64_t dumpLineSize(uint32_t indent, const LineEnd &lineEnd)
{
    return uint64_t(indent) + kDumpLineBody + lineEnd.length;
}

// The line of the sixteen addresses from `address` (a multiple of 16),
// `bytes` holding their values; only cells from..to-1 are shown, the rest
// are blank. Returns where the line (with its line end) ended.
char *putDumpLine(char *p, uint32_t indent, uint64_t address, const uint8_t *bytes,
                  unsigned from, unsigned to, const LineEnd &lineEnd);

// The line that stands for `lines` (at least two) lines of fill from
// `address` in the one writer's dump: "*** gap 00000020-0000FFFF (65504
// bytes)". Returns where the line (with its line end) ended.
char *putGapLine(char *p, uint32_t indent, uint64_t address, uint64_t lines,
                 const LineEnd &lineEnd);
uint64_t gapLineSize(uint32_t indent, uint64_t lines, const LineEnd &lineEnd);

} // namespace kestrun

#endif
