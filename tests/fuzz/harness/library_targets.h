// The library's fuzz targets.
#ifndef KESTRUN_FUZZ_LIBRARY_TARGETS_H
#define KESTRUN_FUZZ_LIBRARY_TARGETS_H

#include "binary_to_hex.h"
#include "check_sum.h"
#include "dump_format.h"
#include "elf_input.h"
#include "fuzz_target.h"
#include "hex_to_binary.h"
#include "image_merge.h"
#include "line_hex_to_bin.h"
#include "text_pieces.h"

namespace kestrun_fuzz {

inline constexpr FuzzTarget kLibraryTargets[] = {
    {"line_hex_to_bin", lineHexToBinOne}, {"hex_to_binary", hexToBinaryOne},
    {"binary_to_hex", binaryToHexOne},    {"dump_format", dumpFormatOne},
    {"check_sum", checkSumOne},           {"hex_pieces", hexPiecesOne},
    {"srec_reader", srecReaderOne},       {"elf_input", elfInputOne},
    {"image_merge", imageMergeOne},
};

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_LIBRARY_TARGETS_H
