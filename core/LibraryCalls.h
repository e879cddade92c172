// The library exports a conversion needs, as one table. Pelcor fills it
// with its run-time binding (KestrunBinding), which reports a missing library to
// the user; the kestrun command fills it with the exports it links. Both
// then convert through the same ConversionEngine.
#ifndef PELCOR_LIBRARY_CALLS_H
#define PELCOR_LIBRARY_CALLS_H

#include "exports.h"

#include <cstdint>
#include <optional>

struct LibraryCalls {
    // CheckSum; no value when the export could not be called.
    std::optional<std::uint32_t> (*checkSum)(const std::uint8_t *data, std::uint32_t dataLength,
                                             std::uint32_t first, std::uint32_t last,
                                             std::uint32_t blank, char *digits);
    decltype(&::HexToBinary) hexToBinary;
    decltype(&::BinaryToHex) binaryToHex;
    decltype(&::DumpFormat) dumpFormat;
};

#endif
