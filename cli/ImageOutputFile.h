// The output of the kestrun commands that write an image (convert, merge):
// the format --to or the output's extension names, the options that shape
// it, and the image written to -o (or standard output) through core's
// ImageOutput, so that both commands write every format alike.
#ifndef KESTRUN_CLI_IMAGE_OUTPUT_FILE_H
#define KESTRUN_CLI_IMAGE_OUTPUT_FILE_H

#include "core/ImageOutput.h"
#include "core/LibraryCalls.h"

#include <QString>

#include <optional>

struct Invocation;

namespace ImageOutputFile {

// --to's format, else the output's extension's; merge writes HEX where
// neither names one (standard output, an unknown extension), convert
// needs one (none).
std::optional<OutputFormat> formatOf(const Invocation &invocation);

// Why the output options do not fit the format (an S-record too long for
// its address size, HEX address records for another format); empty when
// they do.
QString check(const Invocation &invocation);

// Writes `image` to the invocation's output in its format; the exit status
// (0, or 1 reported on standard error). Nothing replaces an old file unless
// all was written.
int write(const Invocation &invocation, const ImageCalls &calls, const kestrun_image *image);

} // namespace ImageOutputFile

#endif
