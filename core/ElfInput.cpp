#include "core/ElfInput.h"

#include <gelf.h>
#include <libelf.h>

#include <memory>

namespace ElfInput {

namespace {

struct ElfClose {
    void operator()(Elf *elf) const { elf_end(elf); }
};

QString hex(std::uint64_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(8, u'0');
}

QString libelfError()
{
    const char *message = elf_errmsg(-1);
    return QString::fromLocal8Bit(message ? message : "unknown libelf error");
}

} // namespace

QString read(const ImageCalls &calls, kestrun_image *image, QByteArrayView bytes,
             const Store &store, std::int32_t *result)
{
    *result = ResultBadArgument;
    if (elf_version(EV_CURRENT) == EV_NONE)
        return QStringLiteral("libelf cannot be used: %1").arg(libelfError());
    // libelf reads but never writes a memory image opened for reading.
    std::unique_ptr<Elf, ElfClose> elf(
        elf_memory(const_cast<char *>(bytes.data()), std::size_t(bytes.size())));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
        return QStringLiteral("not an ELF file");
    GElf_Ehdr header;
    if (!gelf_getehdr(elf.get(), &header))
        return QStringLiteral("truncated or damaged ELF header: %1").arg(libelfError());
    std::size_t segments = 0;
    if (elf_getphdrnum(elf.get(), &segments) != 0)
        return QStringLiteral("truncated or damaged program headers: %1").arg(libelfError());
    const std::uint64_t fileSize = std::uint64_t(bytes.size());
    // Headers in range first: an ELF file cut short names its own
    // segments beyond its end.
    if (header.e_phoff > fileSize
        || std::uint64_t(header.e_phentsize) * segments > fileSize - header.e_phoff)
        return QStringLiteral("truncated: the program headers end beyond the file's %1 bytes")
            .arg(fileSize);
    for (std::size_t i = 0; i < segments; ++i) {
        GElf_Phdr segment;
        if (!gelf_getphdr(elf.get(), int(i), &segment))
            return QStringLiteral("program header %1: %2").arg(i).arg(libelfError());
        if (segment.p_type != PT_LOAD || segment.p_filesz == 0)
            continue;
        if (segment.p_offset > fileSize || segment.p_filesz > fileSize - segment.p_offset)
            return QStringLiteral("truncated: segment %1 ends at offset %2, beyond the file's %3 "
                                  "bytes")
                .arg(i)
                .arg(segment.p_offset + segment.p_filesz)
                .arg(fileSize);
        if (segment.p_paddr + segment.p_filesz > (std::uint64_t(1) << 32)) {
            *result = ResultAddressFault;
            return QStringLiteral("segment %1 at %2 passes address FFFFFFFF")
                .arg(i)
                .arg(hex(segment.p_paddr));
        }
        const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.data()) + segment.p_offset;
        *result = calls.kestrun_image_store(image, std::uint32_t(segment.p_paddr), data,
                                            segment.p_filesz, store.overlap, store.source,
                                            store.onConflict, store.conflictUser);
        if (*result < 0)
            return QStringLiteral("segment %1 at %2").arg(i).arg(hex(segment.p_paddr));
    }
    // The entry point is the start address, as objcopy writes it to HEX.
    if (header.e_entry != 0 && header.e_entry <= 0xFFFFFFFFu)
        calls.kestrun_image_set_start(image, KESTRUN_START_LINEAR, std::uint32_t(header.e_entry));
    *result = ResultOk;
    return QString();
}

} // namespace ElfInput
