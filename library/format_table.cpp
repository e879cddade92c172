// The formats, one row each. Rows are in the order their probes are asked:
// a binary magic before the text marks.
#include "format_table.h"

#include "elf_reader.h"
#include "hex_reader.h"
#include "srec_reader.h"

#include <iterator>

namespace kestrun {

namespace {

template <typename Reader> std::unique_ptr<FormatReader> newReader(Image *image)
{
    return std::make_unique<Reader>(image);
}

constexpr FormatRow kRows[] = {
    {KESTRUN_FORMAT_ELF, "elf", "elf axf", "ELF", 0, probeElf, newReader<ElfReader>, nullptr,
     nullptr},
    {KESTRUN_FORMAT_UF2, "uf2", "uf2", "UF2", KESTRUN_FORMAT_FLAG_BYTES, probeUf2, newUf2FormatReader,
     newUf2FormatWriter, uf2WriteSize},
    {KESTRUN_FORMAT_IHEX, "ihex", "hex ihex ihx", "Intel HEX", 0, probeHex,
     newReader<HexReader>, newHexFormatWriter, hexWriteSize},
    {KESTRUN_FORMAT_SREC, "srec", "srec s19 s28 s37 mot", "Motorola S-record", 0, probeSRec,
     newReader<SRecReader>, newSRecFormatWriter, srecWriteSize},
    {KESTRUN_FORMAT_TI_TXT, "ti-txt", "", "TI-TXT", 0, probeTiTxt, newTiTxtFormatReader,
     newTiTxtFormatWriter, nullptr},
    {KESTRUN_FORMAT_VMEM, "vmem", "mem vmem", "Verilog VMEM", 0, probeVmem, newVmemFormatReader,
     newVmemFormatWriter, nullptr},
    {KESTRUN_FORMAT_BINARY, "bin", "bin", "Binary",
     KESTRUN_FORMAT_FLAG_WINDOW | KESTRUN_FORMAT_FLAG_BYTES, nullptr,
     newBinaryFormatReader, newBinaryFormatWriter, binaryWriteSize},
    {KESTRUN_FORMAT_DUMP, "dump", "txt", "Dump", KESTRUN_FORMAT_FLAG_WINDOW, nullptr, nullptr,
     newDumpFormatWriter, dumpWriteSize},
    {KESTRUN_FORMAT_C_ARRAY, "c-array", "c", "C array", 0, nullptr, nullptr,
     newCArrayFormatWriter, nullptr},
};

static_assert(std::size(kRows) == KESTRUN_FORMAT_COUNT, "a row for every format");

} // namespace

const FormatRow *formatRows(size_t &count)
{
    count = std::size(kRows);
    return kRows;
}

const FormatRow *formatRow(int32_t format)
{
    for (const FormatRow &row : kRows)
        if (row.value == format)
            return &row;
    return nullptr;
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API int32_t kestrun_format_describe(int32_t format, kestrun_format_info *info)
{
    const FormatRow *row = formatRow(format);
    if (!row || !info)
        return ResultBadArgument;
    uint32_t flags = row->flags;
    if (row->newReader)
        flags |= KESTRUN_FORMAT_FLAG_READ;
    if (row->newWriter)
        flags |= KESTRUN_FORMAT_FLAG_WRITE;
    if (row->probe)
        flags |= KESTRUN_FORMAT_FLAG_DETECT;
    *info = kestrun_format_info{row->value, flags, row->name, row->extensions, row->title};
    return ResultOk;
}

} // extern "C"
