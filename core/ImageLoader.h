// One input of merge, crc and cmp (kestrun's and the frame's) as an image
// of its own, read in any format with the overlap rule and tagged with the
// input's number, so that the conflicts name it.
//
//     ConflictLog log(names, policy);
//     QString error;
//     ImageHandle image = ImageLoader::load(calls, "b.hex", {2, policy}, log, error);
//     if (!image) print(error);   // "b.hex:12: 08004000-0800400F also written by b.hex:3"
#ifndef PELCOR_IMAGE_LOADER_H
#define PELCOR_IMAGE_LOADER_H

#include "core/ConflictLog.h"
#include "core/ImageHandle.h"
#include "core/ImageInput.h"

#include <QString>

namespace ImageLoader {

struct Request {
    // The input's tag (from 1) and the KESTRUN_OVERLAP_* rule for its records.
    std::uint32_t source = 1;
    std::int32_t policy = KESTRUN_OVERLAP_LAST;
    // A format forced (--input-format); by default the content tells.
    InputFormat format = InputFormat::Detect;
    // Progress through the input, in its bytes.
    ProgressCallback progress = nullptr;
    std::intptr_t progressUser = 0;
    // Receives where a HEX or S-record text failed, when not null.
    std::optional<kestrun_place> *place = nullptr;
};

// The image of `argument` (FILE, FILE@ADDR, "-": standard input), or null
// with `error` as "FILE:LINE: message" or "FILE: message"; a refused
// overlap names both writers, which the reader's message cannot.
ImageHandle load(const ImageCalls &calls, const QString &argument, const Request &request,
                 ConflictLog &log, QString &error);
// The same for a source at hand (a document's text), named as `argument`.
ImageHandle load(const ImageCalls &calls, InputPieces &source, const InputArgument &argument,
                 const Request &request, ConflictLog &log, QString &error);

// `refused`, the conflict that stopped `argument` being read with
// `options`, grown over the records after it that go on writing over the
// same earlier bytes: the reader stops at the first record it refuses, so
// the input (not standard input) is read again, keeping the earlier bytes.
kestrun_conflict wholeConflict(const ImageCalls &calls, const QString &argument,
                               ImageInputOptions options, const kestrun_conflict &refused);

} // namespace ImageLoader

#endif
