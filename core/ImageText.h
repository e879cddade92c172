// An image written whole in any format to a sink, through the library's
// one writer, as kestrun's convert and merge write it and the frame's
// image jobs show it: every segment in address order, then the start and
// end records (text), or the window first..last (binary, dump).
//
//     QByteArray text;
//     TextLayout layout;   // 32 bytes a record, CR LF, address records as needed
//     std::int32_t rc = writeSRecordText(calls, image, layout, appendToBytes,
//                                        reinterpret_cast<std::intptr_t>(&text));
#ifndef PELCOR_IMAGE_TEXT_H
#define PELCOR_IMAGE_TEXT_H

#include "core/LibraryCalls.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

struct TextLayout {
    std::uint32_t recordLength = 0x20;
    std::uint32_t lineEnd = KESTRUN_NEWLINE_CRLF;
    // HEX: KESTRUN_ADDRESS_*; S-records: KESTRUN_SREC_* (both automatic
    // unless given).
    std::optional<std::uint32_t> addressRecords;
    std::optional<std::uint32_t> addressSize;
    // A linear start address written in place of the image's own.
    std::optional<std::uint32_t> startAddress;
    // Binary and dump: the addresses written, the byte of those without
    // data, and (dump) the spaces before each line.
    std::uint32_t first = 0;
    std::uint32_t last = UINT32_MAX;
    std::uint8_t fill = 0xFF;
    std::uint32_t indent = 0;
    // VMEM: bits a word; UF2: the family ID of its blocks (0: none).
    std::uint32_t wordWidth = 32;
    std::uint32_t family = 0;
    // Progress in the image's data bytes; a zero return stops the writer.
    ProgressCallback progress = nullptr;
    std::intptr_t progressUser = 0;
};

// ResultOk, the writer's failure (ResultAddressFault: an address the
// records cannot reach) or what the sink returned. `format` is a
// KESTRUN_FORMAT_* the library writes.
std::int32_t writeImage(const ImageCalls &calls, const kestrun_image *image, std::int32_t format,
                        const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user);
std::int32_t writeHexText(const ImageCalls &calls, const kestrun_image *image,
                          const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user);
std::int32_t writeSRecordText(const ImageCalls &calls, const kestrun_image *image,
                              const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user);

// A sink that appends to the QByteArray at `user`.
std::int32_t appendToBytes(const char *bytes, std::uint64_t length, std::intptr_t user);

#endif
