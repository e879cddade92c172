// The ELF reader: the file gathered whole, its header's tables checked
// against the file's length before libelf sees them (libelf quietly takes
// fewer program headers than a cut file names), then the allocated
// sections, or without section headers the PT_LOAD segments, stored at
// their load addresses.
#include "elf_reader.h"

#include <libelf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kestrun {

namespace {

struct ElfClose {
    void operator()(Elf *elf) const { elf_end(elf); }
};

// The header fields that say where the tables lie, read from the bytes
// themselves: libelf will not open a file whose tables are cut.
struct RawHeader {
    uint64_t size = 0; // of the ELF header
    uint64_t sectionFields = 0; // the offset of e_shoff, and of e_shnum after e_phnum
    int word = 4;
    uint64_t phoff = 0, shoff = 0;
    uint64_t phentsize = 0, phnum = 0, shentsize = 0, shnum = 0;
    bool phnumInSection0 = false;
};

uint64_t field(const uint8_t *at, int width, bool little)
{
    uint64_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= uint64_t(at[little ? i : width - 1 - i]) << (8 * i);
    return value;
}

// False when the class or byte order is none ELF has.
bool readRawHeader(const uint8_t *bytes, uint64_t length, RawHeader &raw)
{
    const bool is64 = bytes[EI_CLASS] == ELFCLASS64;
    const bool little = bytes[EI_DATA] == ELFDATA2LSB;
    if ((!is64 && bytes[EI_CLASS] != ELFCLASS32) || (!little && bytes[EI_DATA] != ELFDATA2MSB))
        return false;
    raw.size = is64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr);
    if (length < raw.size)
        return true;
    const int word = raw.word = is64 ? 8 : 4;
    raw.sectionFields = 24 + 2 * word;
    const uint8_t *p = bytes + 24 + word; // e_phoff, after e_ident, type, machine, version, entry
    raw.phoff = field(p, word, little);
    raw.shoff = field(p + word, word, little);
    p += 2 * word + 4 + 2; // e_flags, e_ehsize
    raw.phentsize = field(p, 2, little);
    raw.phnum = field(p + 2, 2, little);
    raw.shentsize = field(p + 4, 2, little);
    raw.shnum = field(p + 6, 2, little);
    // Past 0xFFFF sections or 0xFFFE program headers the counts are in
    // section 0 (sh_size, sh_info); libelf would make room for as many
    // sections as it says before anyone checks them against the file.
    const bool extended = (raw.shnum == 0 && raw.shoff != 0) || raw.phnum == PN_XNUM;
    const uint64_t first = is64 ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
    if (extended && raw.shoff <= length && first <= length - raw.shoff) {
        const uint8_t *zero = bytes + raw.shoff;
        if (raw.shnum == 0)
            raw.shnum = field(zero + (is64 ? 32 : 20), word, little);
        if (raw.phnum == PN_XNUM) {
            raw.phnum = field(zero + (is64 ? 44 : 28), 4, little);
            raw.phnumInSection0 = true;
        }
    } else if (raw.shnum == 0 && raw.shoff != 0) {
        raw.shnum = 1; // section 0 itself, which is cut
    }
    return true;
}

// Where a table of `count` entries of `size` bytes at `offset` ends; past
// `length` (or beyond 64 bits) when it does not fit.
uint64_t tableEnd(uint64_t offset, uint64_t count, uint64_t size, uint64_t length)
{
    if (offset > length || (size && count > (length - offset) / size))
        return offset > length ? offset : offset + count * size;
    return offset + count * size;
}

bool fits(uint64_t offset, uint64_t size, uint64_t length)
{
    return offset <= length && size <= length - offset;
}

constexpr char kLfsPointer[] = "version https://git-lfs.github.com/";

// BFD's test that a section lies in a segment (ELF_SECTION_IN_SEGMENT for
// an allocated section that is not empty): its file bytes within the
// segment's and its addresses within the segment's memory.
bool inSegment(const GElf_Shdr &section, const GElf_Phdr &segment)
{
    const bool tls = section.sh_flags & SHF_TLS;
    if (!(segment.p_type == PT_TLS ? tls : segment.p_type == PT_LOAD && !tls))
        return false;
    if (section.sh_type != SHT_NOBITS
        && (section.sh_offset < segment.p_offset
            || section.sh_offset - segment.p_offset > segment.p_filesz
            || section.sh_size > segment.p_filesz - (section.sh_offset - segment.p_offset)))
        return false;
    return section.sh_addr >= segment.p_vaddr
           && section.sh_addr - segment.p_vaddr <= segment.p_memsz
           && section.sh_size <= segment.p_memsz - (section.sh_addr - segment.p_vaddr);
}

} // namespace

int32_t ElfReader::fail(int32_t result, int32_t kind, uint64_t index, uint64_t at)
{
    m_result = result;
    m_place = kestrun_place{};
    m_place.result = result;
    m_place.offset = m_place.record_offset = at;
    m_fault = kestrun_fault{kind, index, at, kind == KESTRUN_FAULT_SEGMENT_PAST_END
                                                      || kind == KESTRUN_FAULT_SECTION_PAST_END
                                                  ? uint64_t(0xFFFFFFFFu)
                                                  : uint64_t(m_file.size())};
    return result;
}

std::string ElfReader::detail() const
{
    const auto index = (unsigned long long)m_fault.index;
    const auto at = (unsigned long long)m_fault.at;
    const auto limit = (unsigned long long)m_fault.limit;
    char text[200] = {};
    switch (m_fault.kind) {
    case KESTRUN_FAULT_NOT_ELF:
        return "not an ELF file";
    case KESTRUN_FAULT_LFS_POINTER:
        return "a Git LFS pointer, not the ELF file itself (git lfs pull fetches it)";
    case KESTRUN_FAULT_HEADER_CUT:
        std::snprintf(text, sizeof text, "truncated: the ELF header ends at offset %llu, beyond "
                                         "the file's %llu bytes", at, limit);
        break;
    case KESTRUN_FAULT_HEADER_DAMAGED:
        return "damaged ELF header";
    case KESTRUN_FAULT_RELOCATABLE:
        return "a relocatable object, not an executable: link it first";
    case KESTRUN_FAULT_PROGRAM_HEADERS_CUT:
        std::snprintf(text, sizeof text, "truncated: the program headers end at offset %llu, "
                                         "beyond the file's %llu bytes", at, limit);
        break;
    case KESTRUN_FAULT_SECTION_HEADERS_CUT:
        std::snprintf(text, sizeof text, "truncated: the section headers end at offset %llu, "
                                         "beyond the file's %llu bytes", at, limit);
        break;
    case KESTRUN_FAULT_SEGMENT_CUT:
        std::snprintf(text, sizeof text, "truncated: segment %llu ends at offset %llu, beyond "
                                         "the file's %llu bytes", index, at, limit);
        break;
    case KESTRUN_FAULT_SECTION_CUT:
        std::snprintf(text, sizeof text, "truncated: section %llu ends at offset %llu, beyond "
                                         "the file's %llu bytes", index, at, limit);
        break;
    case KESTRUN_FAULT_PROGRAM_HEADER_DAMAGED:
        std::snprintf(text, sizeof text, "damaged program header %llu", index);
        break;
    case KESTRUN_FAULT_SECTION_HEADER_DAMAGED:
        std::snprintf(text, sizeof text, "damaged section header %llu", index);
        break;
    case KESTRUN_FAULT_SEGMENT_PAST_END:
    case KESTRUN_FAULT_SECTION_PAST_END:
        std::snprintf(text, sizeof text, "%s %llu at %08llX passes address FFFFFFFF",
                      m_fault.kind == KESTRUN_FAULT_SEGMENT_PAST_END ? "segment" : "section",
                      index, at);
        break;
    case KESTRUN_FAULT_SEGMENT_NOT_STORED:
    case KESTRUN_FAULT_SECTION_NOT_STORED:
        std::snprintf(text, sizeof text, "%s %llu at %08llX",
                      m_fault.kind == KESTRUN_FAULT_SEGMENT_NOT_STORED ? "segment" : "section",
                      index, at);
        break;
    default:
        break;
    }
    return text;
}

int32_t ElfReader::feed(const char *bytes, uint64_t length)
{
    if (m_result != ResultOk)
        return m_result;
    m_file.insert(m_file.end(), bytes, bytes + length);
    if (!progress.report(m_file.size()))
        return fail(ResultCancelled, KESTRUN_FAULT_NONE, 0, m_file.size());
    return ResultOk;
}

int32_t ElfReader::store(bool section, uint64_t index, uint64_t address, uint64_t offset,
                         uint64_t size)
{
    if (address > kAddressSpace || size > kAddressSpace - address)
        return fail(ResultAddressFault,
                    section ? KESTRUN_FAULT_SECTION_PAST_END : KESTRUN_FAULT_SEGMENT_PAST_END, index,
                    address);
    const auto *data = reinterpret_cast<const uint8_t *>(m_file.data()) + offset;
    uint64_t skip = 0;
    if (const uint64_t count = window.clip(address, size, skip); m_image && count) {
        const int32_t stored = m_image->store(address + skip, data + skip, count,
                                             Writer{0, source}, overlap, &overlaps);
        if (stored < 0) {
            fail(stored,
                 section ? KESTRUN_FAULT_SECTION_NOT_STORED : KESTRUN_FAULT_SEGMENT_NOT_STORED,
                 index, address);
            m_place.offset = m_place.record_offset = offset;
            return stored;
        }
    }
    ++pieces;
    dataBytes += size;
    if (onRecord) {
        const kestrun_record seen{0, uint32_t(address), uint32_t(std::min<uint64_t>(size, UINT32_MAX)),
                                  0, offset, data, 0};
        if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
            return fail(rc, KESTRUN_FAULT_NONE, 0, offset);
    }
    return ResultOk;
}

// Checks that the program and section header tables lie in the file, and
// keeps the program headers.
int32_t ElfReader::readTables(Elf *elf, const GElf_Ehdr &header)
{
    const uint64_t length = m_file.size();
    size_t sections = 0;
    if (elf_getshdrnum(elf, &sections) != 0)
        return fail(ResultNotElf, KESTRUN_FAULT_SECTION_HEADER_DAMAGED, 0, header.e_shoff);
    if (const uint64_t end = tableEnd(header.e_shoff, sections, header.e_shentsize, length);
        sections && end > length)
        return fail(ResultNotElf, KESTRUN_FAULT_SECTION_HEADERS_CUT, 0, end);
    // Past 0xFFFF program headers the count is in section 0 (PN_XNUM);
    // libelf would cut a count the file cannot hold down to what it holds.
    uint64_t count = header.e_phnum;
    if (count == PN_XNUM) {
        GElf_Shdr first;
        if (!gelf_getshdr(elf_getscn(elf, 0), &first))
            return fail(ResultNotElf, KESTRUN_FAULT_SECTION_HEADER_DAMAGED, 0, header.e_shoff);
        count = first.sh_info;
    }
    if (const uint64_t end = tableEnd(header.e_phoff, count, header.e_phentsize, length);
        count && end > length)
        return fail(ResultNotElf, KESTRUN_FAULT_PROGRAM_HEADERS_CUT, 0, end);
    size_t read = 0;
    if (count && (elf_getphdrnum(elf, &read) != 0 || read != count))
        return fail(ResultNotElf, KESTRUN_FAULT_PROGRAM_HEADER_DAMAGED, read, header.e_phoff);
    m_segments.resize(count);
    bool everyPhysicalZero = true;
    int loadsWithMemory = 0;
    for (size_t i = 0; i < count; ++i) {
        GElf_Phdr &segment = m_segments[i];
        if (!gelf_getphdr(elf, int(i), &segment))
            return fail(ResultNotElf, KESTRUN_FAULT_PROGRAM_HEADER_DAMAGED, i,
                        header.e_phoff + i * header.e_phentsize);
        if (segment.p_type == PT_LOAD && segment.p_filesz
            && !fits(segment.p_offset, segment.p_filesz, length))
            return fail(ResultNotElf, KESTRUN_FAULT_SEGMENT_CUT, i,
                        segment.p_offset + segment.p_filesz);
        everyPhysicalZero = everyPhysicalZero && segment.p_paddr == 0;
        loadsWithMemory += segment.p_type == PT_LOAD && segment.p_memsz != 0;
    }
    // Some linkers leave every physical address 0; objcopy then loads at
    // the virtual addresses rather than put every segment at 0.
    m_virtual = everyPhysicalZero && loadsWithMemory > 1;
    return ResultOk;
}

// objcopy's view: each allocated section with contents at its LMA, the
// physical address of its segment plus its offset into the segment's
// file bytes (the virtual address when no segment holds it).
int32_t ElfReader::readSections(Elf *elf, size_t sectionCount)
{
    for (size_t i = 1; i < sectionCount; ++i) {
        GElf_Shdr section;
        if (!gelf_getshdr(elf_getscn(elf, i), &section))
            return fail(ResultNotElf, KESTRUN_FAULT_SECTION_HEADER_DAMAGED, i, 0);
        if (!(section.sh_flags & SHF_ALLOC) || section.sh_type == SHT_NOBITS
            || section.sh_size == 0)
            continue;
        if (!fits(section.sh_offset, section.sh_size, m_file.size()))
            return fail(ResultNotElf, KESTRUN_FAULT_SECTION_CUT, i,
                        section.sh_offset + section.sh_size);
        uint64_t address = section.sh_addr;
        if (!m_virtual)
            for (const GElf_Phdr &segment : m_segments)
                if (inSegment(section, segment)) {
                    address = segment.p_paddr + (section.sh_offset - segment.p_offset);
                    break;
                }
        if (const int32_t rc = store(true, i, address, section.sh_offset, section.sh_size);
            rc < 0)
            return rc;
    }
    return ResultOk;
}

// Without section headers, a loader's view: each PT_LOAD's file bytes.
int32_t ElfReader::readSegments()
{
    for (size_t i = 0; i < m_segments.size(); ++i) {
        const GElf_Phdr &segment = m_segments[i];
        if (segment.p_type != PT_LOAD || segment.p_filesz == 0)
            continue;
        if (const int32_t rc = store(false, i, m_virtual ? segment.p_vaddr : segment.p_paddr,
                                     segment.p_offset, segment.p_filesz);
            rc < 0)
            return rc;
    }
    return ResultOk;
}

// The checks libelf is not trusted with: the magic, and whether the header
// and its tables lie in the file. Sets `sectionsEnd` to where the section
// headers end; when past the file's end, they are taken out of the header.
int32_t ElfReader::checkHeader(uint64_t &sectionsEnd)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(m_file.data());
    const uint64_t length = m_file.size();
    if (length >= sizeof kLfsPointer - 1
        && std::memcmp(bytes, kLfsPointer, sizeof kLfsPointer - 1) == 0)
        return fail(ResultNotElf, KESTRUN_FAULT_LFS_POINTER);
    RawHeader raw;
    if (length < SELFMAG || std::memcmp(bytes, ELFMAG, SELFMAG) != 0)
        return fail(ResultNotElf, KESTRUN_FAULT_NOT_ELF);
    if (length < EI_NIDENT)
        return fail(ResultNotElf, KESTRUN_FAULT_HEADER_CUT, 0, EI_NIDENT);
    if (!readRawHeader(bytes, length, raw))
        return fail(ResultNotElf, KESTRUN_FAULT_HEADER_DAMAGED);
    if (length < raw.size)
        return fail(ResultNotElf, KESTRUN_FAULT_HEADER_CUT, 0, raw.size);
    // Before libelf, which refuses a file whose tables are cut without
    // saying so.
    sectionsEnd = tableEnd(raw.shoff, raw.shnum, raw.shentsize, length);
    if (sectionsEnd > length && raw.phnumInSection0)
        return fail(ResultNotElf, KESTRUN_FAULT_SECTION_HEADERS_CUT, 0, sectionsEnd);
    if (const uint64_t end = tableEnd(raw.phoff, raw.phnum, raw.phentsize, length); end > length)
        return fail(ResultNotElf, KESTRUN_FAULT_PROGRAM_HEADERS_CUT, 0, end);
    // Section headers come last in a linker's output, so a cut file loses
    // them first: the file is read on without them to find out whether a
    // segment is cut as well, which says more.
    if (sectionsEnd > length) {
        char *fields = m_file.data() + raw.sectionFields;
        std::memset(fields, 0, raw.word); // e_shoff
        std::memset(fields + raw.word + 4 + 2 + 2 + 2 + 2, 0, 4); // e_shnum, e_shstrndx
    }
    return ResultOk;
}

int32_t ElfReader::finish()
{
    if (m_result != ResultOk)
        return m_result;
    const uint64_t length = m_file.size();
    uint64_t sectionsEnd = 0;
    if (const int32_t rc = checkHeader(sectionsEnd); rc < 0)
        return rc;
    if (elf_version(EV_CURRENT) == EV_NONE)
        return fail(ResultNotElf, KESTRUN_FAULT_HEADER_DAMAGED);
    // libelf reads but never writes a memory image opened for reading.
    std::unique_ptr<Elf, ElfClose> elf(elf_memory(m_file.data(), m_file.size()));
    GElf_Ehdr header;
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF || !gelf_getehdr(elf.get(), &header))
        return fail(ResultNotElf, KESTRUN_FAULT_HEADER_DAMAGED);
    if (header.e_type == ET_REL)
        return fail(ResultNotElf, KESTRUN_FAULT_RELOCATABLE);
    if (const int32_t rc = readTables(elf.get(), header); rc < 0)
        return rc;
    if (sectionsEnd > length)
        return fail(ResultNotElf, KESTRUN_FAULT_SECTION_HEADERS_CUT, 0, sectionsEnd);
    size_t sections = 0;
    elf_getshdrnum(elf.get(), &sections);
    if (const int32_t rc = sections ? readSections(elf.get(), sections) : readSegments(); rc < 0)
        return rc;
    // The entry point is the start address, as objcopy writes it to HEX.
    if (m_image && header.e_entry != 0 && header.e_entry <= 0xFFFFFFFFu) {
        m_image->startType = KESTRUN_START_LINEAR;
        m_image->startValue = uint32_t(header.e_entry);
    }
    std::vector<char>().swap(m_file);
    return ResultOk;
}

} // namespace kestrun

void kestrun::ElfReader::statsInto(kestrun_read_stats &s) const
{
    s.records[0] = pieces;
    s.overlaps = overlaps.overlaps;
    s.conflicting_bytes = overlaps.conflicting_bytes;
    s.data_bytes = dataBytes;
}
