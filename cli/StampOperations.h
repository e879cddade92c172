// The image operations that stamp values into an image or change its
// bytes in place: --insert-length, --serial and --replace, rows of
// ImageOperations' table (their reading, modifiers and running).
#ifndef KESTRUN_CLI_STAMP_OPERATIONS_H
#define KESTRUN_CLI_STAMP_OPERATIONS_H

#include "ImageOperations.h"

namespace StampOperations {

// --insert-length ADDR
QString readSlot(const QStringList &words, ImageOperation &op);
// --serial ADDR=FIRST[+STEP]
QString readSerial(const QStringList &words, ImageOperation &op);
// --replace FIND=REPLACE, two strings of hexadecimal byte pairs of one length
QString readReplace(const QStringList &words, ImageOperation &op);

// --width N (decimal bytes), --endian little|big, --count N (decimal).
QString modify(const QString &name, const QString &value, ImageOperation &op);
// The length's width is 1, 2 or 4 bytes; the slot within FFFFFFFF.
QString finishLength(ImageOperation &op);
// The last number fits the width; the slot within FFFFFFFF.
QString finishSerial(ImageOperation &op);

QString insertLength(const ImageCalls &calls, kestrun_image *image, const ImageOperation &op,
                     OperationContext &context);
QString serial(const ImageCalls &calls, kestrun_image *image, const ImageOperation &op,
               OperationContext &context);
QString replace(const ImageCalls &calls, kestrun_image *image, const ImageOperation &op,
                OperationContext &context);

// `pattern` with its %u or %0Nu (one, at most) replaced by `index`; empty
// for a name without one.
QString outputName(const QString &pattern, std::uint32_t index);

} // namespace StampOperations

#endif
