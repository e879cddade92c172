// One input argument of merge, crc and cmp as a sparse image, read with
// the reader's overlap rule and tagged with the input's number, so that
// conflicts name it. Intel HEX only, until the other formats' loader is in.
#ifndef KESTRUN_CLI_IMAGE_INPUT_H
#define KESTRUN_CLI_IMAGE_INPUT_H

#include "ConflictLog.h"
#include "exports.h"

#include <QString>

#include <memory>

struct ImageFree {
    void operator()(kestrun_image *image) const { kestrun_image_free(image); }
};
using ImagePointer = std::unique_ptr<kestrun_image, ImageFree>;

namespace ImageInput {

// The image of `path` ("-": standard input), or null with `error` as
// "FILE:LINE: message" or "FILE: message".
ImagePointer load(const QString &path, std::uint32_t source, std::int32_t policy, ConflictLog &log,
                  QString &error);

} // namespace ImageInput

#endif
