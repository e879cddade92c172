// The ELF reader: the file gathered whole, then its program headers walked
// through libelf. A file cut short names segments beyond its end, so every
// header and segment is checked against the bytes there are before use.
#include "elf_reader.h"

#include <gelf.h>
#include <libelf.h>

#include <cstdio>
#include <memory>

namespace kestrun {

namespace {

struct ElfClose {
    void operator()(Elf *elf) const { elf_end(elf); }
};

std::string libelfError()
{
    const char *message = elf_errmsg(-1);
    return message ? message : "unknown libelf error";
}

template <typename... Args> std::string format(const char *pattern, Args... args)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

} // namespace

int32_t ElfReader::fail(int32_t result, uint64_t offset, std::string detail)
{
    m_result = result;
    m_place = kestrun_place{};
    m_place.result = result;
    m_place.offset = m_place.record_offset = offset;
    m_detail = std::move(detail);
    return result;
}

int32_t ElfReader::feed(const char *bytes, uint64_t length)
{
    if (m_result != ResultOk)
        return m_result;
    m_file.insert(m_file.end(), bytes, bytes + length);
    if (!progress.report(m_file.size()))
        return fail(ResultCancelled, m_file.size(), std::string());
    return ResultOk;
}

int32_t ElfReader::storeSegment(uint64_t index, uint64_t address, uint64_t offset, uint64_t size)
{
    const auto *data = reinterpret_cast<const uint8_t *>(m_file.data()) + offset;
    uint64_t skip = 0;
    if (const uint64_t count = window.clip(address, size, skip); m_image && count) {
        const int32_t stored = m_image->store(address + skip, data + skip, count,
                                             Writer{0, source}, overlap, &overlaps);
        if (stored < 0)
            return fail(stored, offset,
                        format("segment %llu at %08llX", (unsigned long long)index,
                               (unsigned long long)address));
    }
    ++segments;
    dataBytes += size;
    if (onRecord) {
        const kestrun_record seen{0, uint32_t(address), uint32_t(std::min<uint64_t>(size, UINT32_MAX)),
                                  0, offset, data, 0};
        if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
            return fail(rc, offset, std::string());
    }
    return ResultOk;
}

int32_t ElfReader::finish()
{
    if (m_result != ResultOk)
        return m_result;
    if (elf_version(EV_CURRENT) == EV_NONE)
        return fail(ResultNotElf, 0, "libelf cannot be used: " + libelfError());
    // libelf reads but never writes a memory image opened for reading.
    std::unique_ptr<Elf, ElfClose> elf(elf_memory(m_file.data(), m_file.size()));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
        return fail(ResultNotElf, 0, "not an ELF file");
    GElf_Ehdr header;
    if (!gelf_getehdr(elf.get(), &header))
        return fail(ResultNotElf, 0, "truncated or damaged ELF header: " + libelfError());
    size_t count = 0;
    if (elf_getphdrnum(elf.get(), &count) != 0)
        return fail(ResultNotElf, header.e_phoff,
                    "truncated or damaged program headers: " + libelfError());
    const uint64_t fileSize = m_file.size();
    if (header.e_phoff > fileSize || uint64_t(header.e_phentsize) * count > fileSize - header.e_phoff)
        return fail(ResultNotElf, header.e_phoff,
                    format("truncated: the program headers end beyond the file's %llu bytes",
                           (unsigned long long)fileSize));
    for (size_t i = 0; i < count; ++i) {
        GElf_Phdr segment;
        if (!gelf_getphdr(elf.get(), int(i), &segment))
            return fail(ResultNotElf, header.e_phoff + i * header.e_phentsize,
                        format("program header %zu: %s", i, libelfError().c_str()));
        if (segment.p_type != PT_LOAD || segment.p_filesz == 0)
            continue;
        if (segment.p_offset > fileSize || segment.p_filesz > fileSize - segment.p_offset)
            return fail(ResultNotElf, segment.p_offset,
                        format("truncated: segment %zu ends at offset %llu, beyond the file's "
                               "%llu bytes",
                               i, (unsigned long long)(segment.p_offset + segment.p_filesz),
                               (unsigned long long)fileSize));
        if (segment.p_paddr + segment.p_filesz > kAddressSpace)
            return fail(ResultAddressFault, segment.p_offset,
                        format("segment %zu at %08llX passes address FFFFFFFF", i,
                               (unsigned long long)segment.p_paddr));
        if (const int32_t rc =
                storeSegment(i, segment.p_paddr, segment.p_offset, segment.p_filesz);
            rc < 0)
            return rc;
    }
    // The entry point is the start address, as objcopy writes it to HEX.
    if (m_image && header.e_entry != 0 && header.e_entry <= 0xFFFFFFFFu) {
        m_image->startType = KESTRUN_START_LINEAR;
        m_image->startValue = uint32_t(header.e_entry);
    }
    std::vector<char>().swap(m_file);
    return ResultOk;
}

} // namespace kestrun
