/*
 * Kestrun: check values over images.
 *
 *     kestrun_check *crc = kestrun_check_new("crc-32", NULL);
 *     uint64_t value;
 *     kestrun_check_image(crc, image, 0x08000000, 0x0803FFFF, 0xFF, &value);
 *     kestrun_check_free(crc);
 *
 * A check is a CRC of the Rocksoft model (width, poly, init, refin,
 * refout, xorout) or a byte sum, named or given by its parameters; or,
 * named, a Fletcher or Adler sum (srec_cat's) or a digest (SHA-256,
 * SHA-1, SHA-512, MD5 through libcrypto), whose value is wider than 64
 * bits and is read with kestrun_check_bytes.
 * Over an image range, addresses without data count as the fill byte, as
 * a programmed flash reads them.
 */
#ifndef KESTRUN_CHECK_API_H
#define KESTRUN_CHECK_API_H

#include "kestrun_image.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kestrun_check kestrun_check;

/* A CRC model: `width` 8 to 64 bits; `poly`, `init` and `xorout` within
 * it, unreflected (poly without its top bit); refin and refout 0 or 1. */
typedef struct kestrun_crc_model {
    uint32_t width;
    uint64_t poly;
    uint64_t init;
    int32_t refin;
    int32_t refout;
    uint64_t xorout;
} kestrun_crc_model;

/* The check named `name` (lower case, as kestrun_check_preset lists them:
 * "crc-32", "crc-16/modbus", "stm32", "sum8", ...). ResultBadArgument
 * (through *result when not null) for an unknown name; null then or when
 * memory is short. */
KESTRUN_API kestrun_check *kestrun_check_new(const char *name, int32_t *result);
/* A CRC of `model`; ResultBadArgument for a model out of range. */
KESTRUN_API kestrun_check *kestrun_check_new_crc(const kestrun_crc_model *model, int32_t *result);
KESTRUN_API void kestrun_check_free(kestrun_check *check);
/* The name of preset `index` (from 0) and a line saying what it is, both
 * static; ResultOverflow past the last. */
KESTRUN_API int32_t kestrun_check_preset(uint32_t index, const char **name,
                                         const char **description);
/* The bits of the check's value (8 to 64; a digest's 128 to 512); the
 * value takes (bits + 7) / 8 bytes in an image. 0 for a null handle. */
KESTRUN_API uint32_t kestrun_check_width(const kestrun_check *check);
/* Starts again from the model's initial value. */
KESTRUN_API void kestrun_check_reset(kestrun_check *check);
/* Takes the next `count` bytes. */
KESTRUN_API int32_t kestrun_check_update(kestrun_check *check, const uint8_t *bytes,
                                         uint64_t count);
/* The value of the bytes taken since the last reset. A check over 32-bit
 * words ("stm32") completes a last partial word with FF bytes. 0 for a
 * digest. */
KESTRUN_API uint64_t kestrun_check_value(const kestrun_check *check);
/* The value of the bytes taken since the last reset as an image stores
 * it: its (bits + 7) / 8 bytes into out[0..size), in `endian` order
 * (KESTRUN_*_ENDIAN; a digest in its own order, as hashlib gives it,
 * whatever `endian`), a last partial word completed with `fill`.
 * ResultOverflow when `size` is short, ResultBadArgument for an unknown
 * order, ResultNoMemory. */
KESTRUN_API int32_t kestrun_check_bytes(const kestrun_check *check, uint8_t fill, int32_t endian,
                                        uint8_t *out, uint32_t size);
/* Resets the check, takes the addresses first..last of `image`, `fill`
 * where nothing is held (and to complete a last partial word), and stores
 * the value in *value (0 for a digest: kestrun_check_bytes then gives
 * it). ResultBadArgument when first > last. */
KESTRUN_API int32_t kestrun_check_image(kestrun_check *check, const kestrun_image *image,
                                        uint32_t first, uint32_t last, uint8_t fill,
                                        uint64_t *value);

/* Byte order of a value stored in an image. */
#define KESTRUN_LITTLE_ENDIAN 0
#define KESTRUN_BIG_ENDIAN 1

/* Computes the check over first..last as kestrun_check_image does and
 * stores its bytes at `slot` as kestrun_check_bytes gives them (all of a
 * digest's), over what was there.
 * ResultBadArgument when first > last, the slot lies within first..last
 * or `endian` is unknown; ResultAddressFault when the slot passes
 * 0xFFFFFFFF. Nothing is stored on a failure. *value (when not null)
 * receives the value. */
KESTRUN_API int32_t kestrun_image_insert_check(kestrun_image *image, kestrun_check *check,
                                               uint32_t first, uint32_t last, uint8_t fill,
                                               uint32_t slot, int32_t endian, uint64_t *value);
/* The value stored at `slot` in `endian` order, `bytes` long (1 to 8),
 * into *value: ResultOk, or ResultOverflow when an address of the slot
 * holds no data; ResultAddressFault past 0xFFFFFFFF. */
KESTRUN_API int32_t kestrun_image_read_value(const kestrun_image *image, uint32_t slot,
                                             uint32_t bytes, int32_t endian, uint64_t *value);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUN_CHECK_API_H */
