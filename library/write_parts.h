// Writing one run of bytes in two parts at once: the writers that can cut
// their text where a second writer, resumed there, writes what one writer
// would (kestrun_writer_split, kestrun_writer_resume,
// kestrun_writer_finish_part).
#ifndef KESTRUN_WRITE_PARTS_H
#define KESTRUN_WRITE_PARTS_H

#include "exports.h"

#include <cstdint>

namespace kestrun {

int32_t hexWriterSplit(const kestrun_hex_writer *writer, uint64_t address, uint64_t length,
                       uint64_t &firstBytes, uint64_t &firstSize);
int32_t hexWriterResume(kestrun_hex_writer *writer, uint64_t address);
int32_t hexWriterFinishPart(kestrun_hex_writer *writer);

int32_t dumpWriterSplit(const kestrun_dump_writer *writer, uint64_t address, uint64_t length,
                        uint64_t &firstBytes, uint64_t &firstSize);
int32_t dumpWriterResume(kestrun_dump_writer *writer, uint64_t address);
int32_t dumpWriterFinishPart(kestrun_dump_writer *writer);

} // namespace kestrun

#endif
