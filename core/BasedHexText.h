// HEX text whose first byte lies at a base address, made of pieces that
// the library writes from address 0: one piece per 64 KiB block of
// addresses, each after a linear address record of its own (none below
// 64 KiB), each piece's end record overwritten by the next. Only the first
// block can start inside a block; its records' addresses are moved up as
// they are made, through the caller's LineRewriter, which the caller's
// progress report keeps up.
#ifndef PELCOR_BASED_HEX_TEXT_H
#define PELCOR_BASED_HEX_TEXT_H

#include "core/LineRewriter.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace BasedHexText {

// Writes the positions first..last of one piece into `text`, with room
// for `capacity` characters; `written` receives the characters written,
// its end record included. Returns a library result.
using WritePiece = std::function<std::int32_t(std::uint32_t first, std::uint32_t last, char *text,
                                              std::uint64_t capacity, std::uint32_t &written)>;

// The whole text for first..last from address `base` into `text`;
// `used` receives its length. Returns the first failing piece's result.
std::int32_t write(char *text, std::uint64_t capacity, std::uint32_t first, std::uint32_t last,
                   std::uint32_t base, const QByteArray &lineEnd, LineRewriter &rewriter,
                   const WritePiece &writePiece, std::uint64_t &used);

} // namespace BasedHexText

#endif
