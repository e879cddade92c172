// The fuzz targets of the program's parsers.
#ifndef PELCOR_FUZZ_CORE_TARGETS_H
#define PELCOR_FUZZ_CORE_TARGETS_H

#include "cp932_decoding.h"
#include "fuzz_target.h"
#include "ini_document.h"

namespace kestrun_fuzz {

inline constexpr FuzzTarget kCoreTargets[] = {
    {"ini_document", iniDocumentOne},
    {"cp932_decoding", cp932DecodingOne},
};

} // namespace kestrun_fuzz

#endif // PELCOR_FUZZ_CORE_TARGETS_H
