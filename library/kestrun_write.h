/*
 * Kestrun: writing images. One writer handle for every format, chosen by a
 * format value, sends an image, or bytes put in address order, to the
 * caller's sink in pieces, with the exact size of what it will write known
 * beforehand.
 *
 *     kestrun_write_options o;
 *     kestrun_write_options_init(KESTRUN_FORMAT_SREC, &o);
 *     kestrun_writer *w = kestrun_writer_new(KESTRUN_FORMAT_SREC, &o, sink, user, &rc);
 *     rc = kestrun_writer_image(w, image, 0, 0xFFFFFFFF);
 *     if (rc == ResultOk) rc = kestrun_writer_finish(w);
 *     kestrun_writer_free(w);
 *
 * A writer is used by one thread at a time; a null handle is taken without
 * harm.
 */
#ifndef KESTRUN_WRITE_API_H
#define KESTRUN_WRITE_API_H

#include "kestrun_read.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kestrun_hex_writer kestrun_hex_writer;
typedef struct kestrun_dump_writer kestrun_dump_writer;
typedef struct kestrun_srec_writer kestrun_srec_writer;

/* --- Writing text --- */

/* Takes `length` bytes of text; return ResultOk to go on, a negative code
 * to stop the writer with it. The bytes are valid during the call only. */
typedef int32_t (*kestrun_sink_fn)(const char *bytes, uint64_t length, intptr_t userValue);

/* Extended address records of the HEX writer. */
#define KESTRUN_ADDRESS_AUTO 0    /* 02 below 1 MiB, 02 0000 and 04 from there on (BinaryToHex's) */
#define KESTRUN_ADDRESS_NONE 1    /* none: every address below 64 KiB */
#define KESTRUN_ADDRESS_SEGMENT 2 /* 02 only: every address below 1 MiB */
#define KESTRUN_ADDRESS_LINEAR 4  /* 04 only */

/* Start address record of the HEX writer, before the end record. */
#define KESTRUN_START_KEEP 0xFFFFFFFFu /* the image's (kestrun_hex_writer_image) */


/* ---- One writer for every format ---- */

typedef struct kestrun_writer kestrun_writer;

/* Everything a writer of any format may be told; each format reads the
 * fields that concern it. */
typedef struct kestrun_write_options {
    uint32_t record_length;   /* HEX 1-255; S-records 1 to 255 - 1 - the address bytes */
    uint32_t line_end;        /* KESTRUN_NEWLINE_*: text formats */
    uint32_t address_records; /* HEX: KESTRUN_ADDRESS_* */
    uint32_t address_size;    /* S-records: KESTRUN_SREC_* */
    uint32_t start_type;      /* HEX, S-records: KESTRUN_START_NONE, _SEGMENT (HEX), _LINEAR or _KEEP */
    uint32_t start_value;
    int32_t header;           /* S-records: 1 for an S0 record of header_text first */
    const char *header_text;
    uint32_t header_length;   /* at most 252 */
    int32_t count_record;     /* S-records: 1 for an S5/S6 count */
    uint32_t indent;          /* dump: spaces before each line, at most 4096 */
    uint8_t fill;             /* dump and binary: the byte of addresses without data */
    /* Dump and binary: the addresses the output covers, first..last; bytes
     * put outside them are passed over. Binary output starts at `first`. */
    uint32_t first;
    uint32_t last;
    uint32_t word_width; /* VMEM: bits a word, 8, 16, 32 or 64; a word data fills in part gets the fill */
    uint32_t family;     /* UF2: the family ID of every block (flag 0x2000), 0 for none */
} kestrun_write_options;

/* The defaults of `format`: 32 bytes a record, CR LF, automatic address
 * records and size, the image's start address kept, an S0 "HDR" header and
 * the count record, no indent, fill FF, first..last the whole space,
 * 32-bit VMEM words, no UF2 family.
 * TI-TXT is written as srec_cat writes it: an @ line (4, 6 or more
 * digits) at each run of data, 16 bytes a line, q at the end; VMEM as
 * srec_cat -VMem without its comment line; C arrays as a const uint8_t
 * array and its address for each run of data, and a table of them; UF2 as
 * blocks of 256 bytes at addresses aligned to 256, their gaps the fill. */
KESTRUN_API void kestrun_write_options_init(int32_t format, kestrun_write_options *options);
/* A writer of `format` (any KESTRUN_FORMAT_* but ELF) to
 * `sink`; null, with ResultBadArgument (an unknown format, options out of
 * range) or ResultNoMemory through *result (when not null). Its dump is
 * kestrun_dump_writer_new's but for gaps: each run of two or more whole
 * lines of the window that hold no byte is one line naming it, as
 * "*** gap 00000020-0000FFFF (65504 bytes)". */
KESTRUN_API kestrun_writer *kestrun_writer_new(int32_t format, const kestrun_write_options *options,
                                               kestrun_sink_fn sink, intptr_t userValue,
                                               int32_t *result);
KESTRUN_API void kestrun_writer_free(kestrun_writer *writer);
/* Progress: the bytes put so far of `total`, as for the reader. */
KESTRUN_API void kestrun_writer_on_progress(kestrun_writer *writer, ProgressCallback progress,
                                            uint64_t total, intptr_t userValue);
/* `count` bytes at `address`. Text formats: bytes that follow the last
 * ones continue their record. Dump and binary: in ascending address
 * order; addresses skipped read as the fill. ResultAddressFault when the
 * bytes pass what the format can address. */
KESTRUN_API int32_t kestrun_writer_put(kestrun_writer *writer, uint32_t address,
                                       const uint8_t *bytes, uint64_t count);
/* Every byte of `image` within first..last in address order, and (HEX,
 * S-records) its start address for KESTRUN_START_KEEP; an automatic
 * S-record size is the image's highest address. Dump and binary take the
 * part within both first..last and their own window. */
KESTRUN_API int32_t kestrun_writer_image(kestrun_writer *writer, const kestrun_image *image,
                                         uint32_t first, uint32_t last);
/* The closing records (start, count, end) or the rest of the window (dump
 * and binary), and the last bytes to the sink. */
KESTRUN_API int32_t kestrun_writer_finish(kestrun_writer *writer);
/* One run of `length` bytes from `address`, written in two parts at once
 * (on two threads): the text of the first `first_bytes` bytes takes
 * exactly `first_size` bytes, and a second writer of the same options,
 * resumed at `address + first_bytes`, writes what follows it. `writer` has
 * been given nothing yet; for the dump, `address` is its window's first.
 *
 *     kestrun_writer_split(a, address, length, &n, &size);
 *     kestrun_writer_resume(b, address + n);   // b's text goes at `size`
 *     ... put bytes address..+n-1 into a, the rest into b ...
 *     kestrun_writer_finish_part(a);           // no closing records
 *     kestrun_writer_finish(b);
 *
 * HEX and the dump cut a run of two blocks (64 KiB) or more near its
 * middle; otherwise, and for every other format, ResultBadArgument. */
KESTRUN_API int32_t kestrun_writer_split(const kestrun_writer *writer, uint32_t address,
                                         uint64_t length, uint64_t *first_bytes,
                                         uint64_t *first_size);
/* A writer given nothing yet goes on from a split point as the one writer
 * of the whole run would; ResultBadArgument elsewhere. */
KESTRUN_API int32_t kestrun_writer_resume(kestrun_writer *writer, uint32_t address);
/* The text of every byte put, without closing records; the bytes put must
 * end at the split point. The writer takes nothing more. */
KESTRUN_API int32_t kestrun_writer_finish_part(kestrun_writer *writer);
/* The exact bytes kestrun_writer_image of `image` within first..last and
 * kestrun_writer_finish write, into *size. */
KESTRUN_API int32_t kestrun_write_size(int32_t format, const kestrun_write_options *options,
                                       const kestrun_image *image, uint32_t first, uint32_t last,
                                       uint64_t *size);

/* ---- The format's own writers ----
 * The writers of the one writer above, by format; kept for programs that
 * were written against them. kestrun_writer_* is to be preferred. */

typedef struct kestrun_hex_options {
    uint32_t record_length;   /* data bytes a record, 1-255 */
    uint32_t line_end;        /* KESTRUN_NEWLINE_* */
    uint32_t address_records; /* KESTRUN_ADDRESS_* */
    uint32_t start_type;      /* KESTRUN_START_NONE, _SEGMENT, _LINEAR or _KEEP */
    uint32_t start_value;
} kestrun_hex_options;

/* The defaults: 32 bytes a record, CR LF, automatic address records, the
 * start address kept. */
KESTRUN_API void kestrun_hex_options_init(kestrun_hex_options *options);

/* A writer that sends HEX text to `sink`. ResultBadArgument (through *result,
 * when not null) for options out of range; null then or when memory is short. */
KESTRUN_API kestrun_hex_writer *kestrun_hex_writer_new(const kestrun_hex_options *options,
                                                       kestrun_sink_fn sink, intptr_t userValue,
                                                       int32_t *result);
KESTRUN_API void kestrun_hex_writer_free(kestrun_hex_writer *writer);
/* Writes `count` bytes from HEX address `address` on. Bytes that follow the
 * last ones put continue their record; any other address starts a new one.
 * Records never cross a 64 KiB boundary. ResultAddressFault when the bytes
 * pass 0xFFFFFFFF or what the address records can reach. */
KESTRUN_API int32_t kestrun_hex_writer_put(kestrun_hex_writer *writer, uint32_t address,
                                           const uint8_t *bytes, uint64_t count);
/* Puts every segment of `image` (or only those parts within first..last)
 * in address order, and takes its start address for KESTRUN_START_KEEP. */
KESTRUN_API int32_t kestrun_hex_writer_image(kestrun_hex_writer *writer,
                                             const kestrun_image *image, uint32_t first,
                                             uint32_t last);
/* The start record (if any), the end record, and the last bytes to the
 * sink. The writer takes nothing after it. */
KESTRUN_API int32_t kestrun_hex_writer_finish(kestrun_hex_writer *writer);
/* The exact characters a writer with `options` writes for `count` bytes
 * put in one piece at `address`, with the end record and, unless it is
 * KESTRUN_START_KEEP, the start record. ResultOk or the code put would give. */
KESTRUN_API int32_t kestrun_hex_text_size(const kestrun_hex_options *options, uint32_t address,
                                          uint64_t count, uint64_t *size);
/* The same for kestrun_hex_writer_image of `image` within first..last. */
KESTRUN_API int32_t kestrun_hex_image_size(const kestrun_hex_options *options,
                                           const kestrun_image *image, uint32_t first,
                                           uint32_t last, uint64_t *size);

/* Dump lines as DumpFormat writes them: 16 addresses a line, `indent`
 * spaces, the eight address digits, the cells and the ASCII column;
 * addresses outside first..last blank, addresses in it without data `fill`. */
typedef struct kestrun_dump_options {
    uint32_t line_end; /* KESTRUN_NEWLINE_* */
    uint32_t indent;   /* at most 4096 */
    uint8_t fill;
} kestrun_dump_options;

/* A writer of the dump lines of first..last to `sink`; null for options
 * out of range (ResultBadArgument through *result) or short memory. */
KESTRUN_API kestrun_dump_writer *kestrun_dump_writer_new(const kestrun_dump_options *options,
                                                         uint32_t first, uint32_t last,
                                                         kestrun_sink_fn sink,
                                                         intptr_t userValue, int32_t *result);
KESTRUN_API void kestrun_dump_writer_free(kestrun_dump_writer *writer);
/* Bytes at `address`, in ascending address order; parts outside the window
 * are passed over, addresses skipped show the fill. */
KESTRUN_API int32_t kestrun_dump_writer_put(kestrun_dump_writer *writer, uint32_t address,
                                            const uint8_t *bytes, uint64_t count);
/* Puts the image's bytes of the window (first..last as given to new). */
KESTRUN_API int32_t kestrun_dump_writer_image(kestrun_dump_writer *writer,
                                              const kestrun_image *image);
/* The lines not yet written, to the end of the window. */
KESTRUN_API int32_t kestrun_dump_writer_finish(kestrun_dump_writer *writer);
/* The exact characters of the dump of first..last (0 when last < first). */
KESTRUN_API uint64_t kestrun_dump_text_size(const kestrun_dump_options *options, uint32_t first,
                                            uint32_t last);
/* Progress of a writer, reported before each line: the bytes put so far of
 * `total` (as the caller counts them), scaled as for the reader; a zero
 * return stops the writer with ResultCancelled. */
KESTRUN_API void kestrun_hex_writer_on_progress(kestrun_hex_writer *writer,
                                                ProgressCallback progress, uint64_t total,
                                                intptr_t userValue);
KESTRUN_API void kestrun_dump_writer_on_progress(kestrun_dump_writer *writer,
                                                 ProgressCallback progress, uint64_t total,
                                                 intptr_t userValue);

/* Address sizes of the S-record writer: S1/S9 (16 bits), S2/S8 (24) or
 * S3/S7 (32), or the smallest that holds the highest address. */
#define KESTRUN_SREC_AUTO 0u
#define KESTRUN_SREC_S19 2u
#define KESTRUN_SREC_S28 3u
#define KESTRUN_SREC_S37 4u

typedef struct kestrun_srec_options {
    uint32_t record_length; /* data bytes a record, 1 to 255 - 1 - the address bytes */
    uint32_t line_end;      /* KESTRUN_NEWLINE_* */
    uint32_t address_size;  /* KESTRUN_SREC_* */
    uint32_t highest;       /* for AUTO with kestrun_srec_writer_put: the highest address put */
    int32_t header;         /* 1: an S0 record of header_length bytes from `header_text` first */
    const char *header_text;
    uint32_t header_length; /* at most 252 */
    int32_t count_record;   /* 1: an S5 (S6 past 65535 records; none past 2^24 - 1) */
    uint32_t start_type;    /* KESTRUN_START_NONE (address 0), _LINEAR or _KEEP */
    uint32_t start_value;
} kestrun_srec_options;

/* The defaults: 32 bytes a record, CR LF, automatic size, an S0 "HDR"
 * header, the count record, the image's start address kept. */
KESTRUN_API void kestrun_srec_options_init(kestrun_srec_options *options);
/* A writer of S-record text to `sink`; null for options out of range
 * (ResultBadArgument through *result) or short memory. */
KESTRUN_API kestrun_srec_writer *kestrun_srec_writer_new(const kestrun_srec_options *options,
                                                         kestrun_sink_fn sink,
                                                         intptr_t userValue, int32_t *result);
KESTRUN_API void kestrun_srec_writer_free(kestrun_srec_writer *writer);
KESTRUN_API void kestrun_srec_writer_on_progress(kestrun_srec_writer *writer,
                                                 ProgressCallback progress, uint64_t total,
                                                 intptr_t userValue);
/* Bytes at `address`; those that follow the last ones continue their
 * record. ResultAddressFault when they pass what the address size holds. */
KESTRUN_API int32_t kestrun_srec_writer_put(kestrun_srec_writer *writer, uint32_t address,
                                            const uint8_t *bytes, uint64_t count);
/* Every segment of `image` within first..last, and its start address for
 * KESTRUN_START_KEEP; an automatic address size is the image's highest. */
KESTRUN_API int32_t kestrun_srec_writer_image(kestrun_srec_writer *writer,
                                              const kestrun_image *image, uint32_t first,
                                              uint32_t last);
/* The count record, the termination record and the last bytes. */
KESTRUN_API int32_t kestrun_srec_writer_finish(kestrun_srec_writer *writer);
/* The exact characters kestrun_srec_writer_image of `image` within
 * first..last writes, through finish. */
KESTRUN_API int32_t kestrun_srec_image_size(const kestrun_srec_options *options,
                                            const kestrun_image *image, uint32_t first,
                                            uint32_t last, uint64_t *size);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUN_WRITE_API_H */
