// One input argument of merge, crc and cmp as an image of its own, read
// in any format with the overlap rule and tagged with the input's number,
// so that the conflicts name it.
#ifndef KESTRUN_CLI_IMAGE_LOADER_H
#define KESTRUN_CLI_IMAGE_LOADER_H

#include "ConflictLog.h"
#include "core/ImageInput.h"
#include "exports.h"

#include <QString>

#include <memory>

struct ImageFree {
    void operator()(kestrun_image *image) const { kestrun_image_free(image); }
};
using ImagePointer = std::unique_ptr<kestrun_image, ImageFree>;

namespace ImageLoader {

// The image of `argument` (FILE, FILE@ADDR, "-": standard input), or null
// with `error` as "FILE:LINE: message" or "FILE: message". `format`
// forces one (--input-format); by default the content tells.
ImagePointer load(const QString &argument, std::uint32_t source, std::int32_t policy,
                  ConflictLog &log, QString &error, InputFormat format = InputFormat::Detect);

} // namespace ImageLoader

#endif
