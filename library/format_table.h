// The formats the one reader and the one writer know, one row each: its
// name and extensions, how its content is told, and the reader and writer
// behind the handles. Adding a format is adding a row.
#ifndef KESTRUN_FORMAT_TABLE_H
#define KESTRUN_FORMAT_TABLE_H

#include "exports.h"
#include "format_reader.h"
#include "image.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrun {

// What the one writer handle asks of a format's writer.
class FormatWriter {
public:
    virtual ~FormatWriter() = default;
    virtual void onProgress(ProgressCallback progress, uint64_t total, intptr_t user) = 0;
    virtual int32_t put(uint32_t address, const uint8_t *bytes, uint64_t count) = 0;
    // Every byte of `image` within first..last; by default put piece by piece.
    virtual int32_t image(const kestrun_image *image, uint32_t first, uint32_t last);
    virtual int32_t finish() = 0;
    // Writing a run in two parts (kestrun_writer_split and the calls after
    // it); a format that cannot cut its text refuses.
    virtual int32_t split(uint64_t, uint64_t, uint64_t &, uint64_t &) const
    {
        return ResultBadArgument;
    }
    virtual int32_t resume(uint64_t) { return ResultBadArgument; }
    virtual int32_t finishPart() { return ResultBadArgument; }
};

struct FormatRow {
    int32_t value;          // KESTRUN_FORMAT_*
    const char *name;       // the word a user names it by
    const char *extensions; // space-separated, lower case; the first is written
    const char *title;      // for a file dialog's list
    uint32_t flags;         // KESTRUN_FORMAT_FLAG_*, but READ and WRITE (from the makers)
    // True when content starting with `bytes` is of this format.
    bool (*probe)(const uint8_t *bytes, uint64_t length);
    // Null for a format that is not read, or not written.
    std::unique_ptr<FormatReader> (*newReader)(Image *image);
    std::unique_ptr<FormatWriter> (*newWriter)(const kestrun_write_options &options,
                                               kestrun_sink_fn sink, intptr_t user,
                                               int32_t &result);
    // The exact size written; null: counted by writing to a counting sink.
    int32_t (*size)(const kestrun_write_options &options, const kestrun_image *image,
                    uint32_t first, uint32_t last, uint64_t *size);
};

// The row of `format`; null for a value no row has.
const FormatRow *formatRow(int32_t format);
// The rows in the order their probes are asked, and how many there are.
const FormatRow *formatRows(size_t &count);

// The makers and probes of each row, beside their formats.
std::unique_ptr<FormatReader> newHexFormatReader(Image *image);
std::unique_ptr<FormatReader> newSRecFormatReader(Image *image);
std::unique_ptr<FormatReader> newBinaryFormatReader(Image *image);
std::unique_ptr<FormatReader> newElfFormatReader(Image *image);
std::unique_ptr<FormatWriter> newHexFormatWriter(const kestrun_write_options &, kestrun_sink_fn,
                                                 intptr_t, int32_t &);
std::unique_ptr<FormatWriter> newSRecFormatWriter(const kestrun_write_options &, kestrun_sink_fn,
                                                  intptr_t, int32_t &);
std::unique_ptr<FormatWriter> newDumpFormatWriter(const kestrun_write_options &, kestrun_sink_fn,
                                                  intptr_t, int32_t &);
std::unique_ptr<FormatWriter> newBinaryFormatWriter(const kestrun_write_options &,
                                                    kestrun_sink_fn, intptr_t, int32_t &);
int32_t hexWriteSize(const kestrun_write_options &, const kestrun_image *, uint32_t, uint32_t,
                     uint64_t *);
int32_t srecWriteSize(const kestrun_write_options &, const kestrun_image *, uint32_t, uint32_t,
                      uint64_t *);
int32_t dumpWriteSize(const kestrun_write_options &, const kestrun_image *, uint32_t, uint32_t,
                      uint64_t *);
int32_t binaryWriteSize(const kestrun_write_options &, const kestrun_image *, uint32_t, uint32_t,
                        uint64_t *);
std::unique_ptr<FormatReader> newTiTxtFormatReader(Image *image);
std::unique_ptr<FormatReader> newVmemFormatReader(Image *image);
std::unique_ptr<FormatReader> newUf2FormatReader(Image *image);
std::unique_ptr<FormatWriter> newTiTxtFormatWriter(const kestrun_write_options &, kestrun_sink_fn,
                                                   intptr_t, int32_t &);
std::unique_ptr<FormatWriter> newVmemFormatWriter(const kestrun_write_options &, kestrun_sink_fn,
                                                  intptr_t, int32_t &);
std::unique_ptr<FormatWriter> newCArrayFormatWriter(const kestrun_write_options &,
                                                    kestrun_sink_fn, intptr_t, int32_t &);
std::unique_ptr<FormatWriter> newUf2FormatWriter(const kestrun_write_options &, kestrun_sink_fn,
                                                 intptr_t, int32_t &);
int32_t uf2WriteSize(const kestrun_write_options &, const kestrun_image *, uint32_t, uint32_t,
                     uint64_t *);
bool probeTiTxt(const uint8_t *bytes, uint64_t length);
bool probeVmem(const uint8_t *bytes, uint64_t length);
bool probeUf2(const uint8_t *bytes, uint64_t length);
bool probeElf(const uint8_t *bytes, uint64_t length);
bool probeHex(const uint8_t *bytes, uint64_t length);
bool probeSRec(const uint8_t *bytes, uint64_t length);

} // namespace kestrun

#endif
