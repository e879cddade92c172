// An image written whole in one of the library's output formats: Intel
// HEX, S-records, binary (from the lowest to the highest data byte, as
// objcopy -O binary makes it), dump lines, or any other the library's
// format table writes. Every kestrun command that writes an image
// (convert, merge) chooses the format and writes through here, so that a
// name like fw.bin means binary whichever command made it.
//
//     ImageOutput out;
//     out.format = outputFormatOfFile(calls, path).value_or(OutputFormat::IntelHex);
//     out.layout.recordLength = 0x10;
//     const std::int32_t rc = out.write(calls, image, sink, user);
#ifndef PELCOR_IMAGE_OUTPUT_H
#define PELCOR_IMAGE_OUTPUT_H

#include "core/ImageText.h"
#include "core/LibraryCalls.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// A format the library writes, by its KESTRUN_FORMAT_* value; the four
// the front ends treat apart are named, the others are OutputFormat(value).
enum class OutputFormat : std::int32_t {
    Binary = KESTRUN_FORMAT_BINARY,
    IntelHex = KESTRUN_FORMAT_IHEX,
    SRecord = KESTRUN_FORMAT_SREC,
    Dump = KESTRUN_FORMAT_DUMP
};

// --to's words (the library's names of the formats it writes).
std::optional<OutputFormat> outputFormatNamed(const ImageCalls &calls, QStringView word);
// By the output's extension (the library's: .hex .ihex .ihx, .srec .s19
// .s28 .s37 .mot, .bin, .txt, ...), case-insensitively; none for another
// or no extension.
std::optional<OutputFormat> outputFormatOfFile(const ImageCalls &calls, const QString &path);

struct ImageOutput {
    OutputFormat format = OutputFormat::IntelHex;
    // HEX and S-records: record length, line end, address records or
    // size, start address; the other text formats: the line end.
    TextLayout layout;
    // The byte of the gaps in binary and dump output (and of the parts of
    // a block or word without data in the formats written in those).
    std::uint8_t fillByte = 0xFF;

    // The longest S-record data of `addressSize` (KESTRUN_SREC_*; automatic
    // counts as the 32-bit records, the shortest room).
    static std::uint32_t longestSRecord(std::uint32_t addressSize);

    // Writes `image` to `sink`: ResultOk, the writer's failure
    // (ResultAddressFault: an address the records cannot reach) or what the
    // sink returned. An empty image is an empty binary or dump.
    std::int32_t write(const ImageCalls &calls, const kestrun_image *image, kestrun_sink_fn sink,
                       std::intptr_t user) const;
};

#endif
