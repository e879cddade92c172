// An image written whole as Intel HEX or S-record text to a sink, as
// kestrun's convert and merge write it and the frame's image jobs show it:
// every segment in address order, then the start and end records.
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
    // Progress in the image's data bytes; a zero return stops the writer.
    ProgressCallback progress = nullptr;
    std::intptr_t progressUser = 0;
};

// ResultOk, the writer's failure (ResultAddressFault: an address the
// records cannot reach) or what the sink returned.
std::int32_t writeHexText(const ImageCalls &calls, const kestrun_image *image,
                          const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user);
std::int32_t writeSRecordText(const ImageCalls &calls, const kestrun_image *image,
                              const TextLayout &layout, kestrun_sink_fn sink, std::intptr_t user);

// A sink that appends to the QByteArray at `user`.
std::int32_t appendToBytes(const char *bytes, std::uint64_t length, std::intptr_t user);

#endif
