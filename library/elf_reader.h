// ELF executables as images: the file bytes of each PT_LOAD segment at its
// physical (load) address, which is what GNU objcopy's -O binary and
// -O ihex output hold for a program linked with load addresses. The file
// is gathered whole as it is fed (its headers point anywhere in it) and
// read through libelf at the end.
#ifndef KESTRUN_ELF_READER_H
#define KESTRUN_ELF_READER_H

#include "exports.h"
#include "hex_reader.h"
#include "image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

class ElfReader : public ReaderSettings {
public:
    explicit ElfReader(Image *image) : m_image(image) {}

    uint64_t segments = 0;
    kestrun_hex_stats overlaps{};

    int32_t feed(const char *bytes, uint64_t length);
    int32_t finish();
    const kestrun_place *place() const { return m_result < 0 ? &m_place : nullptr; }
    const std::string &detail() const { return m_detail; }

private:
    int32_t fail(int32_t result, uint64_t offset, std::string detail);
    int32_t storeSegment(uint64_t index, uint64_t address, uint64_t offset, uint64_t size);

    Image *m_image; // null: segments are reported, not stored
    std::vector<char> m_file;
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
    std::string m_detail;
};

} // namespace kestrun

#endif
