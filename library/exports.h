/*
 * Kestrun - a library of firmware memory images: Intel HEX, Motorola
 * S-records, ELF executables and raw binary read into sparse images, images
 * written as any of them or as dump lines, check values over them.
 *
 * This header is the whole interface; it includes one header a job:
 *
 *   kestrun_buffers.h  result codes and their messages, and the ten
 *                      whole-buffer calls (HexToBinary, BinaryToHex,
 *                      DumpFormat, CheckSum, ...): stateless, each call
 *                      allocates its own work memory and frees it
 *   kestrun_image.h    the sparse image, and storing, merging, comparing,
 *                      cropping, excluding, filling, moving and summing
 *   kestrun_read.h     one reader for every format, format detection, and
 *                      the splitting of a line of record text into fields
 *   kestrun_write.h    one writer for every format, into a caller's sink
 *   kestrun_check.h    CRCs and sums over an image, inserted and verified
 *   kestrun_patch.h    changed bytes written into a record text, the rest
 *                      of it kept as it was
 *
 * The caller owns every buffer it passes; handles (image, reader, writer,
 * check) are opaque, made by their _new call and released by _free. No
 * exception or fault crosses the interface: every failure is a negative
 * result code, whose message GetErrorString gives. Text is 8-bit code page
 * 932; messages are code page 932 bytes.
 *
 *     kestrun_image *image = kestrun_image_new();
 *     kestrun_reader *reader = kestrun_reader_new(kestrun_detect_format(head, n), image, &rc);
 *     ... kestrun_reader_feed(reader, piece, length) ... kestrun_reader_finish(reader);
 *     kestrun_writer *writer = kestrun_writer_new(KESTRUN_FORMAT_SREC, &options, sink, user, &rc);
 *     kestrun_writer_image(writer, image, 0, 0xFFFFFFFF); kestrun_writer_finish(writer);
 */
#ifndef KESTRUN_EXPORTS_H
#define KESTRUN_EXPORTS_H

#include "kestrun_buffers.h"
#include "kestrun_image.h"
#include "kestrun_read.h"
#include "kestrun_write.h"
#include "kestrun_check.h"
#include "kestrun_patch.h"

#endif /* KESTRUN_EXPORTS_H */
