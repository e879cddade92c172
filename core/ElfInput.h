// ELF executables as images: the file bytes of each PT_LOAD segment at its
// physical (load) address, which is what GNU objcopy's -O binary and
// -O ihex output hold for a program linked with load addresses. Read
// through libelf; the library stays free of it.
#ifndef PELCOR_ELF_INPUT_H
#define PELCOR_ELF_INPUT_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace ElfInput {

struct Store {
    std::int32_t overlap = KESTRUN_OVERLAP_LAST;
    std::uint32_t source = 0;
    kestrun_conflict_fn onConflict = nullptr;
    std::intptr_t conflictUser = 0;
};

// Stores the segments of the ELF file `bytes` into `image`, its entry
// point (when not 0) as the linear start address. Returns an
// empty string, or what is wrong (not ELF, truncated, a segment past
// 32 bits, the library's result for a refused overlap) and *result the
// library's code or ResultBadArgument for a bad file.
QString read(const ImageCalls &calls, kestrun_image *image, QByteArrayView bytes,
             const Store &store, std::int32_t *result);

} // namespace ElfInput

#endif
