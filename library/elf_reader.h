// ELF executables as images, as GNU objcopy's -O binary, -O ihex and
// -O srec output holds them: the contents of the allocated sections at
// their load addresses, so that the ELF and program headers a linker
// places inside the first PT_LOAD stay out. A file without section
// headers gives the file bytes of its PT_LOAD segments instead. The file is
// gathered whole as it is fed (its headers point anywhere in it) and read
// through libelf at the end; every table and every piece is checked
// against the bytes there are before use, so a file cut short is refused
// with what is cut.
#ifndef KESTRUN_ELF_READER_H
#define KESTRUN_ELF_READER_H

#include "exports.h"
#include "hex_reader.h"
#include "image.h"

#include <gelf.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrun {

class ElfReader final : public FormatReader {
public:
    explicit ElfReader(Image *image) : m_image(image) {}

    uint64_t pieces = 0; // sections or segments read
    kestrun_hex_stats overlaps{};

    int32_t feed(const char *bytes, uint64_t length) override;
    int32_t finish() override;
    const kestrun_place *place() const override { return m_result < 0 ? &m_place : nullptr; }
    void statsInto(kestrun_read_stats &stats) const override;
    const kestrun_fault &fault() const override { return m_fault; }
    std::string detail() const override;

private:
    int32_t fail(int32_t result, int32_t kind, uint64_t index = 0, uint64_t at = 0);
    int32_t checkHeader(uint64_t &sectionsEnd);
    int32_t readTables(Elf *elf, const GElf_Ehdr &header);
    int32_t readSections(Elf *elf, size_t sectionCount);
    int32_t readSegments();
    int32_t store(bool section, uint64_t index, uint64_t address, uint64_t offset, uint64_t size);

    Image *m_image; // null: the pieces are reported, not stored
    std::vector<char> m_file;
    std::vector<GElf_Phdr> m_segments; // every program header
    // Every program header's physical address is 0 and more than one
    // PT_LOAD has memory: the virtual addresses are the load addresses.
    bool m_virtual = false;
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
    kestrun_fault m_fault{};
};

} // namespace kestrun

#endif
