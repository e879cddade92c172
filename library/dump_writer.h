// The dump writer's part in the one writer: convert's dump writes a run of
// two or more lines of fill as one line that names it, so that a sparse
// image gives a few lines, not a line for every 16 addresses between its
// pieces. The dump writer's own calls (kestrun_dump_writer_*), which the
// dump reports use, keep a line for every 16 addresses.
#ifndef KESTRUN_DUMP_WRITER_H
#define KESTRUN_DUMP_WRITER_H

#include "exports.h"
#include "image.h"

#include <cstdint>

namespace kestrun {

// From now on, `writer` writes each run of two or more whole lines of its
// window that hold no byte put as one gap line (putGapLine).
void writeGapLines(kestrun_dump_writer *writer);

// The exact characters such a writer of the window first..last writes for
// the bytes of `image` within from..stop-1 (and no others).
uint64_t gapDumpTextSize(const kestrun_dump_options &options, uint64_t first, uint64_t last,
                         const Image &image, uint64_t from, uint64_t stop);

} // namespace kestrun

#endif
