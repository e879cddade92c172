// The memory map of a large HEX document as the user meets it: drawn after
// the text's first screen, drawn again after a pause in typing, the memory
// it holds (and what its read needs for a moment), and the caret's address
// in the status bar anywhere in the text.
#ifndef PELCOR_MAP_BENCH_H
#define PELCOR_MAP_BENCH_H

#include <QString>

#include <cstdint>
#include <vector>

class FrmMDI;

// `image` becomes HEX text with 32-byte records in `folder`.
void benchMemoryMap(FrmMDI &frame, const QString &folder, const std::vector<std::uint8_t> &image);

#endif
