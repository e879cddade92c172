/*
 * Kestrun: sparse images, and what is done to a whole image: storing
 * bytes under an overlap rule, merging, comparing, cropping, excluding,
 * filling, moving, swapping, splitting and summing.
 *
 *     kestrun_image *image = kestrun_image_new();
 *     kestrun_image_put(image, 0x08000000, bytes, count);
 *     kestrun_segment s;
 *     for (uint64_t from = 0; kestrun_image_next(image, from, &s) == ResultOk;
 *          from = (uint64_t)s.address + s.length)
 *         ... s.address, s.length ...
 *     kestrun_image_free(image);
 *
 * Handles are opaque; every function takes a null handle without harm
 * (ResultBadArgument, or nothing done). An image is used by one thread at
 * a time. Addresses are 32-bit; lengths are 64-bit.
 */
#ifndef KESTRUN_IMAGE_API_H
#define KESTRUN_IMAGE_API_H

#include "kestrun_buffers.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kestrun_image kestrun_image;

/* A run of bytes at consecutive addresses. `bytes` stays valid until the
 * image is next written or freed. */
typedef struct kestrun_segment {
    uint32_t address;
    uint64_t length;      /* at least 1; address + length <= 2^32 */
    const uint8_t *bytes; /* kestrun_image_piece only; null from kestrun_image_next */
} kestrun_segment;

/* Start address records: none, 03 (CS:IP, value CS * 65536 + IP) or 05. */
#define KESTRUN_START_NONE 0u
#define KESTRUN_START_SEGMENT 3u
#define KESTRUN_START_LINEAR 5u

/* A new, empty image; null when memory is short. */
KESTRUN_API kestrun_image *kestrun_image_new(void);
KESTRUN_API void kestrun_image_free(kestrun_image *image);
/* Stores `count` bytes at `address`, over what was there (last wins); the
 * bytes are marked as written by line 0 of source 0. ResultAddressFault
 * when they would pass 0xFFFFFFFF, ResultNoMemory. */
KESTRUN_API int32_t kestrun_image_put(kestrun_image *image, uint32_t address, const uint8_t *bytes,
                                      uint64_t count);
/* The bytes held (each address once). */
KESTRUN_API uint64_t kestrun_image_data_bytes(const kestrun_image *image);
/* The lowest and highest address held: ResultOk, or ResultOverflow (and
 * both untouched) for an empty image. */
KESTRUN_API int32_t kestrun_image_bounds(const kestrun_image *image, uint32_t *lowest,
                                         uint32_t *highest);
/* The first segment (maximal run of held addresses) that holds `from` or
 * lies above it: ResultOk, or ResultOverflow when there is none. Walk them
 * all with from = 0, then from = segment.address + segment.length. */
KESTRUN_API int32_t kestrun_image_next(const kestrun_image *image, uint64_t from,
                                       kestrun_segment *segment);
/* As kestrun_image_next, for the stored pieces a segment is made of, each
 * contiguous in memory (`bytes` set); a segment may be several pieces. */
KESTRUN_API int32_t kestrun_image_piece(const kestrun_image *image, uint64_t from,
                                        kestrun_segment *piece);
/* Copies the addresses address..address + count - 1 to `out`, `fill` where
 * nothing is held. ResultAddressFault when the range passes 0xFFFFFFFF. */
KESTRUN_API int32_t kestrun_image_read(const kestrun_image *image, uint32_t address,
                                       uint64_t count, uint8_t fill, uint8_t *out);
/* The start address: *type receives KESTRUN_START_NONE, _SEGMENT or
 * _LINEAR, *value its value (0 for none). The reader sets it from the last
 * 03 or 05 record. */
KESTRUN_API void kestrun_image_start(const kestrun_image *image, uint32_t *type, uint32_t *value);
KESTRUN_API int32_t kestrun_image_set_start(kestrun_image *image, uint32_t type, uint32_t value);

/* How a data record that writes addresses already written is taken. A
 * conflict is such a record whose bytes differ from those held. */
#define KESTRUN_OVERLAP_LAST 0      /* the later bytes win (default) */
#define KESTRUN_OVERLAP_FIRST 1     /* the earlier bytes stay */
#define KESTRUN_OVERLAP_IDENTICAL 2 /* equal bytes pass; a conflict is ResultOverlap */
#define KESTRUN_OVERLAP_REFUSE 3    /* any second write is ResultOverlap */

/* A data record met addresses already written: low..high are the
 * addresses from the first to the last byte that differs (all of the
 * overlap when `identical`), `line` the record now read, `earlier_line`
 * and `earlier_source` the record that wrote them before (its reader's
 * source tag; 0 for kestrun_image_put). */
typedef struct kestrun_conflict {
    uint32_t low;
    uint32_t high;
    uint64_t line;
    uint64_t earlier_line;
    uint32_t source;
    uint32_t earlier_source;
    uint64_t differing; /* bytes that differ in low..high */
    int32_t identical;  /* 1: every overlapping byte was equal */
} kestrun_conflict;

/* Overlaps counted by a reader or a merge (kestrun_read_stats has the
 * same counts); `records`, `lines` and `end_read` are an Intel HEX
 * reader's (kestrun_hex_reader_stats). */
typedef struct kestrun_hex_stats {
    uint64_t records[6];       /* records of types 00 to 05 */
    uint64_t lines;            /* lines up to and with the end record */
    uint64_t overlaps;         /* data records that met written addresses */
    uint64_t conflicting_bytes;/* addresses written with differing bytes */
    int32_t end_read;          /* 1 once the end record was read */
} kestrun_hex_stats;

/* Called for each overlap as it is met, before the policy takes it (a
 * refused one included); return ResultOk to go on, a negative code to stop
 * with it. */
typedef int32_t (*kestrun_conflict_fn)(const kestrun_conflict *conflict, intptr_t userValue);

/* Stores `count` bytes at `address` as a whole input of `source` (line 0),
 * the overlap policy deciding where bytes are held (conflicts to `fn`,
 * which may be null). ResultAddressFault past 0xFFFFFFFF, ResultOverlap,
 * ResultNoMemory. */
KESTRUN_API int32_t kestrun_image_store(kestrun_image *image, uint32_t address,
                                        const uint8_t *bytes, uint64_t count, int32_t policy,
                                        uint32_t source, kestrun_conflict_fn fn,
                                        intptr_t userValue);

/* Image operations. Ranges are low..high, both included; low > high is
 * ResultBadArgument. Who wrote each byte is forgotten by crop, exclude
 * and offset (their bytes then count as line 0 of source 0). */
/* Keeps only the bytes within low..high. */
KESTRUN_API int32_t kestrun_image_crop(kestrun_image *image, uint32_t low, uint32_t high);
/* Drops the bytes within low..high. */
KESTRUN_API int32_t kestrun_image_exclude(kestrun_image *image, uint32_t low, uint32_t high);
/* Writes the `length` (1-256) bytes of `pattern` over and over into the
 * addresses of low..high that hold nothing, the pattern's first byte at
 * low; held bytes stay. */
KESTRUN_API int32_t kestrun_image_fill(kestrun_image *image, uint32_t low, uint32_t high,
                                       const uint8_t *pattern, uint32_t length);
/* Moves every byte, and the start address, by `delta`: a 03 start
 * (CS:IP) moves the address CS * 16 + IP names and stays a CS:IP while it
 * is below 0x100000 (CS its top four bits, as objcopy writes it), a linear
 * one after. ResultAddressFault (the image untouched) when one would
 * leave 0..2^32-1. */
KESTRUN_API int32_t kestrun_image_offset(kestrun_image *image, int64_t delta);
/* Reverses the bytes of each aligned word of `width` (2, 4 or 8) bytes:
 * the byte at A moves to A XOR (width - 1), and so does the start address,
 * as srec_cat's -byte-swap moves them; a word partly held keeps its gaps
 * where the swap puts them. */
KESTRUN_API int32_t kestrun_image_byte_swap(kestrun_image *image, uint32_t width);
/* Keeps one lane of interleaved memories, as srec_cat's -split: of every
 * `multiple` bytes from `offset` on, the `width` bytes there, the lanes
 * closed up. The byte at A, when A >= offset and (A - offset) % multiple
 * < width, moves to (A - offset) / multiple * width + (A - offset) %
 * multiple; the others go. The start address stays. ResultBadArgument
 * unless multiple, width >= 1 and offset + width <= multiple. */
KESTRUN_API int32_t kestrun_image_split(kestrun_image *image, uint32_t multiple, uint32_t offset,
                                        uint32_t width);
/* The inverse of kestrun_image_split, as srec_cat's -unsplit: the byte at
 * A moves to A / width * multiple + A % width + offset. The arguments as
 * kestrun_image_split's; ResultAddressFault (the image untouched) when a
 * byte would pass 0xFFFFFFFF. */
KESTRUN_API int32_t kestrun_image_unsplit(kestrun_image *image, uint32_t multiple,
                                          uint32_t offset, uint32_t width);

/* Writes the `length` (1-256) bytes of `replace` over every occurrence of
 * the `length` bytes of `find` within a run of held addresses, left to
 * right, an occurrence never overlapping the one before (as Python's
 * bytes.replace); *count (when not null) receives how many. */
KESTRUN_API int32_t kestrun_image_replace(kestrun_image *image, const uint8_t *find,
                                          const uint8_t *replace, uint32_t length,
                                          uint64_t *count);

/* The 32-bit sum of the bytes at first..last, `fill` where nothing is
 * held, as CheckSum sums a buffer. */
KESTRUN_API uint32_t kestrun_image_sum(const kestrun_image *image, uint32_t first, uint32_t last,
                                       uint8_t fill);

/* Stores every byte of `from` into `into`, each marked as written by its
 * line in `from` and by `source` (the tag conflicts name it by), under
 * `policy` (KESTRUN_OVERLAP_*) where `into` holds the address already;
 * `fn` (may be null) hears each overlap first, as a reader's conflict
 * callback does, `earlier_source` naming the input that wrote it before.
 * Returns ResultOk, ResultOverlap as the policy refuses, or what `fn`
 * returned; `into` then keeps what was stored before the refusal. The
 * start address is the caller's to decide: neither image's changes.
 * `stats` (may be null) counts the overlaps and conflicting bytes. */
KESTRUN_API int32_t kestrun_image_merge(kestrun_image *into, const kestrun_image *from,
                                        uint32_t source, int32_t policy, kestrun_conflict_fn fn,
                                        intptr_t userValue, kestrun_hex_stats *stats);

/* What a difference between two images is. */
#define KESTRUN_DIFF_ONLY_A 1 /* data in A, none in B */
#define KESTRUN_DIFF_ONLY_B 2 /* data in B, none in A */
#define KESTRUN_DIFF_BYTES 3  /* data in both (or data and fill), bytes differ */

/* A maximal run of consecutive addresses that differ in one way; `a` and
 * `b` hold the first `shown` bytes of the run (at most 8; a side without
 * data there shows 0). */
typedef struct kestrun_difference {
    uint32_t kind;
    uint32_t low;
    uint32_t high;
    uint32_t shown;
    uint8_t a[8];
    uint8_t b[8];
} kestrun_difference;

/* Called for each difference in address order; return ResultOk to go on,
 * a negative code to stop the comparison with it. */
typedef int32_t (*kestrun_difference_fn)(const kestrun_difference *difference,
                                         intptr_t userValue);

/* Compares two images address by address. `fill` -1: an address held by
 * one image only is a difference of its own kind; 0 to 255: such an
 * address is that byte in the other image (equal, or KESTRUN_DIFF_BYTES).
 * *differences (when not null) receives the number of differences met.
 * ResultOk (equal or not), ResultBadArgument, or what `fn` returned. */
KESTRUN_API int32_t kestrun_image_compare(const kestrun_image *a, const kestrun_image *b,
                                          int32_t fill, kestrun_difference_fn fn,
                                          intptr_t userValue, uint64_t *differences);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUN_IMAGE_API_H */
