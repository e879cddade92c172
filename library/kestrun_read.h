/*
 * Kestrun: reading images. One reader handle for every format, chosen by a
 * format value, takes the input in pieces of any size into an image; the
 * format of an input is told from its first bytes; a line of record text
 * is split into its fields.
 *
 *     int32_t format = kestrun_detect_format(first, firstLength);
 *     kestrun_reader *reader = kestrun_reader_new(format, image, &rc);
 *     while (rc == ResultOk && (n = read(fd, piece, sizeof piece)) > 0)
 *         rc = kestrun_reader_feed(reader, piece, n);
 *     if (rc >= 0)
 *         rc = kestrun_reader_finish(reader);
 *     if (rc < 0) { kestrun_place at; kestrun_reader_place(reader, &at); ... }
 *     kestrun_reader_free(reader);
 *
 * A reader is used by one thread at a time; a null handle is taken without
 * harm. Offsets into an input and line numbers are 64-bit.
 */
#ifndef KESTRUN_READ_API_H
#define KESTRUN_READ_API_H

#include "kestrun_image.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Formats: each has a reader (but dump) and a writer. */
#define KESTRUN_FORMAT_BINARY 0 /* raw bytes, at an address the caller sets */
#define KESTRUN_FORMAT_IHEX 1   /* Intel HEX */
#define KESTRUN_FORMAT_SREC 2   /* Motorola S-records */
#define KESTRUN_FORMAT_ELF 3    /* an ELF executable: its allocated sections */
#define KESTRUN_FORMAT_DUMP 4   /* dump lines (written only) */
#define KESTRUN_FORMAT_TI_TXT 5 /* TI-TXT: @ADDR lines, hex byte lines, q */
#define KESTRUN_FORMAT_VMEM 6   /* Verilog VMEM ($readmemh): @ADDR in words, hex words */
#define KESTRUN_FORMAT_C_ARRAY 7 /* C source, an array a run of data (written only) */
#define KESTRUN_FORMAT_UF2 8    /* UF2 blocks of 512 bytes */
#define KESTRUN_FORMAT_COUNT 9

/* The format of an input that starts with `bytes` (its first 4 KiB are
 * plenty): ELF and UF2 by their magic numbers; Intel HEX when its first
 * line (after any CR and LF) starts with a colon and two hex digits,
 * S-records when with S, a digit and two hex digits; TI-TXT when it is an
 * @ and hex digits alone, the next line not blank a hex pair or q; VMEM
 * when, past blanks and comments, an @ and hex digits are followed on
 * their line by a hex word; else binary. Every caller that has to guess a
 * format asks this. */
KESTRUN_API int32_t kestrun_detect_format(const uint8_t *bytes, uint64_t length);

/* What a format is, for a front end's lists of names, extensions and file
 * types: every value from 0 to KESTRUN_FORMAT_COUNT - 1 has one. */
#define KESTRUN_FORMAT_FLAG_READ 1u   /* the one reader reads it */
#define KESTRUN_FORMAT_FLAG_WRITE 2u  /* the one writer writes it */
#define KESTRUN_FORMAT_FLAG_DETECT 4u /* kestrun_detect_format tells it by its content */
#define KESTRUN_FORMAT_FLAG_WINDOW 8u /* written over the options' first..last, gaps filled */
#define KESTRUN_FORMAT_FLAG_BYTES 16u /* written as bytes, not as text */
typedef struct kestrun_format_info {
    int32_t format;         /* KESTRUN_FORMAT_* */
    uint32_t flags;         /* KESTRUN_FORMAT_FLAG_* */
    const char *name;       /* the word it is named by: "ihex", "srec", "bin", ... */
    const char *extensions; /* file extensions, space-separated, lower case, without
                               the dot; the first is the one written; "" for none */
    const char *title;      /* its name in a list of file types: "Intel HEX" */
} kestrun_format_info;
/* Fills *info for `format`: ResultOk, or ResultBadArgument for a value
 * without a format or a null `info`. The strings are the library's and
 * live as long as it is loaded. */
KESTRUN_API int32_t kestrun_format_describe(int32_t format, kestrun_format_info *info);

/* Returned by kestrun_reader_feed once the end record has been read:
 * the rest of the text is not looked at. */
#define KESTRUN_END_READ 1

typedef struct kestrun_hex_reader kestrun_hex_reader;
typedef struct kestrun_srec_reader kestrun_srec_reader;

/* One record, as read: type 00 `address` is where its first byte lands
 * (bases applied), 02 and 04 the base it sets, 03 and 05 the start value,
 * 01 zero; `length` its data bytes; `line` from 1; `offset` that of its
 * colon in the whole text; `data` a 00 record's bytes (valid during the
 * callback only), null for the other types. */
typedef struct kestrun_record {
    uint32_t type;
    uint32_t address;
    uint32_t length;
    uint64_t line;
    uint64_t offset;
    const uint8_t *data;
    uint64_t editor_line; /* the line as an editor counts it (see kestrun_place) */
} kestrun_record;

/* Where reading stopped on a failure: the result, the line (from 1) and
 * column (from 1, in bytes) of the character at fault, the offset of that
 * character and of the record (or whatever stands in its place) it
 * belongs to. `no_end_record` is 1 when the text ended without its end
 * record; the place is then the line after the last. */
typedef struct kestrun_place {
    int32_t result;
    int32_t no_end_record;
    uint64_t line;
    uint64_t column;
    uint64_t offset;
    uint64_t record_offset;
    /* For ResultChecksumError, has_values is 1, `found` the checksum byte
     * the record holds and `expected` the one its other bytes call for. */
    int32_t has_values;
    uint32_t found;
    uint32_t expected;
    /* The line as an editor counts it: CR LF, LF and CR alone each end a
     * line (`line` counts an LF CR pair as one line end, as objcopy does). */
    uint64_t editor_line;
} kestrun_place;

/* Called for each record read; return ResultOk to go on, a negative code
 * to stop the reader with it. */
typedef int32_t (*kestrun_record_fn)(const kestrun_record *record, intptr_t userValue);


/* ---- One reader for every format ---- */

typedef struct kestrun_reader kestrun_reader;

/* What a reader has read so far. `records` counts records by type: Intel
 * HEX 00-05, S-records S0-S9; binary and ELF count the pieces, sections or segments
 * stored as type 0. `lines` is the last line read (as `line` counts). */
typedef struct kestrun_read_stats {
    int32_t format;
    uint64_t records[10];
    uint64_t lines;
    uint64_t overlaps;          /* data that met addresses already written */
    uint64_t conflicting_bytes; /* addresses written with differing bytes */
    uint64_t data_bytes;        /* data bytes read (those outside a window included) */
    int32_t end_read;           /* 1 once the end record (HEX 01, S7-S9) was read */
} kestrun_read_stats;

/* A reader of `format` (KESTRUN_FORMAT_*, not DUMP) into `image` (not
 * owned; it must outlive the reader). The text formats are read as
 * strictly as GNU objcopy, srec_cat and Python's intelhex read them (see
 * kestrun_hex_reader_new and kestrun_srec_reader_new for the rules of
 * each); binary input lands at the address set by kestrun_reader_set_address
 * (0 by default); ELF input is read whole at finish (its headers point
 * anywhere in it): the contents of its allocated sections (SHF_ALLOC, not
 * SHT_NOBITS) at their load addresses, as GNU objcopy takes them (the
 * section's offset in its PT_LOAD from the segment's physical address, or
 * the virtual addresses when every physical address is 0 and there is
 * more than one PT_LOAD); the file bytes of each PT_LOAD when it has no
 * section headers; e_entry as the start address. A relocatable object,
 * a file without the ELF magic and one cut short are refused with
 * ResultNotElf (kestrun_reader_fault says which). With a null `image` the
 * records (binary: the pieces; ELF: the sections or segments) are read,
 * checked and handed to the record callback,
 * and stored nowhere. Null, with ResultBadArgument (unknown format) or
 * ResultNoMemory through *result (when not null). */
KESTRUN_API kestrun_reader *kestrun_reader_new(int32_t format, kestrun_image *image,
                                               int32_t *result);
KESTRUN_API void kestrun_reader_free(kestrun_reader *reader);
/* The format the reader was made for; -1 for a null handle. */
KESTRUN_API int32_t kestrun_reader_format(const kestrun_reader *reader);
/* One of KESTRUN_OVERLAP_*, else ResultBadArgument. Set before the first
 * feed, as every setting below. */
KESTRUN_API int32_t kestrun_reader_set_overlap(kestrun_reader *reader, int32_t policy);
/* Stores only the data bytes at addresses low..high (none when low >
 * high; all by default): the rest is read, checked and handed to the
 * record callback as before, and meets no overlap. */
KESTRUN_API void kestrun_reader_set_window(kestrun_reader *reader, uint32_t low, uint32_t high);
/* The input to be fed is the part of a longer one that begins at `offset`
 * (the start of a record) on `line` (from 1; the editor's line is taken to
 * be the same): records, conflicts and places count from there. */
KESTRUN_API void kestrun_reader_set_origin(kestrun_reader *reader, uint64_t offset,
                                           uint64_t line);
/* The tag conflicts name this reader's data by (default 0). */
KESTRUN_API void kestrun_reader_set_source(kestrun_reader *reader, uint32_t source);
/* Records whose checksum is wrong: refused with ResultChecksumError
 * (KESTRUN_CHECKSUMS_STRICT, the default), or read as if it were right
 * (KESTRUN_CHECKSUMS_ACCEPT, for a caller that is to make them right; the
 * text formats only), and counted by kestrun_reader_bad_checksums. */
#define KESTRUN_CHECKSUMS_STRICT 0
#define KESTRUN_CHECKSUMS_ACCEPT 1
KESTRUN_API void kestrun_reader_set_checksums(kestrun_reader *reader, int32_t policy);
KESTRUN_API uint64_t kestrun_reader_bad_checksums(const kestrun_reader *reader);
/* Binary input: the address of its first byte. ResultBadArgument for the
 * other formats. */
KESTRUN_API int32_t kestrun_reader_set_address(kestrun_reader *reader, uint32_t address);
/* Called for each record read (binary: each piece fed, type 0, line 0;
 * ELF: each piece stored, as kestrun_reader_new says, type 0, line 0,
 * `offset` its file offset). */
KESTRUN_API void kestrun_reader_on_record(kestrun_reader *reader, kestrun_record_fn fn,
                                          intptr_t userValue);
KESTRUN_API void kestrun_reader_on_conflict(kestrun_reader *reader, kestrun_conflict_fn fn,
                                            intptr_t userValue);
/* Progress through the input: the offset reached of `total` (the input's
 * length as far as the caller knows it), scaled to 31 bits where total
 * would pass them, reported before the first record and then before the
 * first record that begins 64 KiB or more past the last report. A zero
 * return stops the reader with ResultCancelled. */
KESTRUN_API void kestrun_reader_on_progress(kestrun_reader *reader, ProgressCallback progress,
                                            uint64_t total, intptr_t userValue);
/* The next `length` bytes of the input, in pieces of any size. Returns
 * ResultOk for more, KESTRUN_END_READ once an Intel HEX end record has been
 * read (the rest is not looked at), or the failure, which every later call
 * repeats. */
KESTRUN_API int32_t kestrun_reader_feed(kestrun_reader *reader, const char *bytes,
                                        uint64_t length);
/* The input has ended: ResultOk, or the failure (Intel HEX without its end
 * record is ResultNotIntelHex; a damaged ELF file ResultNotElf). */
KESTRUN_API int32_t kestrun_reader_finish(kestrun_reader *reader);
/* The place of the reader's failure: its result, or ResultOk when it has
 * none (then `place` is untouched). ELF and binary failures have line 0
 * and the file offset at fault. */
KESTRUN_API int32_t kestrun_reader_place(const kestrun_reader *reader, kestrun_place *place);
/* What more there is to say of the failure than its result's message, as
 * ASCII English with a NUL in `buffer` (`size` bytes, cut to fit): which
 * ELF segment, what was cut short. Returns the length of the whole text
 * (0 when there is nothing to add). */
KESTRUN_API uint64_t kestrun_reader_detail(const kestrun_reader *reader, char *buffer,
                                           uint64_t size);

/* Why a binary, ELF, UF2 (or, for an address, text) input was refused, for a front end to word in its
 * own language (kestrun_reader_detail words the same in English). `index`
 * is the program header, segment or section concerned, `at` the file
 * offset or address named, `limit` the file's length or FFFFFFFF. */
#define KESTRUN_FAULT_NONE 0
#define KESTRUN_FAULT_NOT_ELF 1              /* no ELF magic (ResultNotElf) */
#define KESTRUN_FAULT_LFS_POINTER 2          /* a Git LFS pointer file instead of the ELF */
#define KESTRUN_FAULT_HEADER_CUT 3           /* the ELF header ends at `at`, past `limit` */
#define KESTRUN_FAULT_HEADER_DAMAGED 4       /* an ELF header libelf cannot take */
#define KESTRUN_FAULT_RELOCATABLE 5          /* ET_REL: an object to be linked first */
#define KESTRUN_FAULT_PROGRAM_HEADERS_CUT 6  /* the program headers end at `at` */
#define KESTRUN_FAULT_SECTION_HEADERS_CUT 7  /* the section headers end at `at` */
#define KESTRUN_FAULT_SEGMENT_CUT 8          /* PT_LOAD `index`'s file bytes end at `at` */
#define KESTRUN_FAULT_SECTION_CUT 9          /* section `index`'s contents end at `at` */
#define KESTRUN_FAULT_PROGRAM_HEADER_DAMAGED 10 /* program header `index` */
#define KESTRUN_FAULT_SECTION_HEADER_DAMAGED 11 /* section header `index` */
#define KESTRUN_FAULT_SEGMENT_PAST_END 12    /* segment `index` at `at` passes FFFFFFFF */
#define KESTRUN_FAULT_SECTION_PAST_END 13    /* section `index` at `at` passes FFFFFFFF */
#define KESTRUN_FAULT_SEGMENT_NOT_STORED 14  /* segment `index` at `at`: the result says why */
#define KESTRUN_FAULT_SECTION_NOT_STORED 15  /* section `index` at `at`: the result says why */
#define KESTRUN_FAULT_BYTES_PAST_END 16      /* binary, TI-TXT or VMEM bytes at `at` pass FFFFFFFF */
#define KESTRUN_FAULT_UF2_MAGIC 17           /* UF2 block `index` at offset `at`: a wrong magic number */
#define KESTRUN_FAULT_UF2_CUT 18             /* UF2 block `index` at `at` ends at `limit`, short of 512 bytes */
#define KESTRUN_FAULT_UF2_PAYLOAD 19         /* UF2 block `index` at `at`: payload over 476 bytes or past FFFFFFFF */
typedef struct kestrun_fault {
    int32_t kind; /* KESTRUN_FAULT_* */
    uint64_t index;
    uint64_t at;
    uint64_t limit;
} kestrun_fault;
/* The fault behind the reader's failure: its kind, or KESTRUN_FAULT_NONE
 * (the result alone says it; `fault` is then zeroed). */
KESTRUN_API int32_t kestrun_reader_fault(const kestrun_reader *reader, kestrun_fault *fault);
KESTRUN_API void kestrun_reader_stats(const kestrun_reader *reader, kestrun_read_stats *stats);
/* The family the input names (a UF2 file's family ID, as its blocks give
 * it) into *family: 1, or 0 when it names none (then *family is left). */
KESTRUN_API int32_t kestrun_reader_family(const kestrun_reader *reader, uint32_t *family);

/* UF2 families by the names boards go by (RP2040, SAMD21, SAMD51,
 * NRF52840, STM32F4, ...; case does not matter): the ID into *id and
 * ResultOk, or ResultBadArgument for a name the library does not know. */
KESTRUN_API int32_t kestrun_uf2_family_id(const char *name, uint32_t *id);
/* The name of a family ID; null for an ID without one. */
KESTRUN_API const char *kestrun_uf2_family_name(uint32_t id);

/* Whether text stands after the end record: 1 with `place` (may be null)
 * set to where its first line begins (line, editor_line, column, offset;
 * `result` ResultOk), else 0 (then `place` is untouched). An Intel HEX
 * reader reads nothing after its end record (feed returns
 * KESTRUN_END_READ), as objcopy, srec_cat and intelhex do, but looks at
 * what is still fed for a line that is not blank (spaces, tabs, Ctrl-Z
 * and NUL are blank), so a caller that wants to warn of two files joined
 * end to end feeds on until this is 1 or the input ends. An S-record
 * reader reads the records after S7, S8 or S9 as any other, as srec_cat
 * does (objcopy stops at it), and names the first of them here. Always 0
 * for binary and ELF input. */
KESTRUN_API int32_t kestrun_reader_past_end(const kestrun_reader *reader, kestrun_place *place);

/* ---- Lines of record text ---- */

/* A field of a line: its first byte (from 0) and its width in bytes; a
 * width of 0 when the line has no such field, or it could not be read. */
typedef struct kestrun_field {
    uint32_t column;
    uint32_t width;
} kestrun_field;

/* The bases a text's earlier records put in force (Intel HEX 02 and 04),
 * carried from line to line by kestrun_tokenize_line; zero it before the
 * first line. */
typedef struct kestrun_line_state {
    uint32_t segment_base;
    uint32_t linear_base;
} kestrun_line_state;

/* One line of record text, split as the readers read it. */
typedef struct kestrun_token {
    int32_t format; /* KESTRUN_FORMAT_IHEX or _SREC; _BINARY: no record mark on the line */
    /* ResultOk when the line is one whole record as a reader takes it, else
     * what a reader says of it: ResultNotIntelHex or ResultNotSRecord
     * (malformed), ResultChecksumError, ResultEndRecordError. Whether the
     * records fit together (bases, counts, the end) is the reader's to say. */
    int32_t result;
    uint32_t type;       /* the record type (HEX 0-255 as written, S 0-9) */
    kestrun_field mark;  /* ':' or 'S'; the first on the line */
    kestrun_field kind;  /* S-records: the type digit; HEX: the type byte */
    kestrun_field length;
    kestrun_field address;
    kestrun_field data;
    kestrun_field checksum;
    /* The first byte the record cannot account for (a non-digit, text after
     * the checksum); the line's length without its line end when none. */
    uint32_t broken;
    int32_t complete;    /* 1: every pair the length announces is there */
    uint32_t data_address; /* the address of the first data byte, bases applied */
    uint32_t data_length;  /* data bytes the record holds (as far as it was read) */
    int32_t checksum_holds;  /* 1: the checksum is right */
    uint32_t checksum_found; /* the checksum byte written */
    uint32_t checksum_expected; /* the one the other bytes call for */
} kestrun_token;

/* Splits the `length` bytes of one line (its line end may be included) of
 * `format` text (KESTRUN_FORMAT_IHEX or _SREC; KESTRUN_FORMAT_BINARY: the
 * mark decides) into `token`. `state` (may be null) carries the bases from
 * the lines before, and is updated by an Intel HEX 02 or 04 record that is
 * whole. Returns token->result; ResultBadArgument for a null token or an
 * unknown format. */
KESTRUN_API int32_t kestrun_tokenize_line(int32_t format, const char *line, uint64_t length,
                                          kestrun_line_state *state, kestrun_token *token);

/* Where a reader may take up `format` text in the middle: the offset in
 * `text` (`length` bytes from anywhere in a longer text) of the first
 * whole line after a line feed from which a reader that starts with
 * nothing in force reads the records as a reader of the whole text reads
 * them (Intel HEX: a sound 04 record, which sets every base). -1 when the
 * bytes hold none, and for S-records, whose S5/S6 count the records before
 * as well. A caller reads a long text as two parts at once with it. */
KESTRUN_API int64_t kestrun_resume_point(int32_t format, const char *text, uint64_t length);

/* ---- The format's own readers ----
 * The readers of the one reader above, by format; kept for programs that
 * were written against them. kestrun_reader_* is to be preferred. */
/* A reader that stores the data records of one HEX text into `image`
 * (not owned; it must outlive the reader). The text is read as strictly as
 * LineHexToBin reads a record; between records only CR and LF may stand;
 * bases add up as in HexToBinary; a 03 or 05 record sets the image's start
 * address. With a null `image` the records are read, checked and handed to
 * the record callback with their bytes, and stored nowhere (so no overlap
 * is seen): a caller whose records come in address order streams them.
 * Null when memory is short. */
KESTRUN_API kestrun_hex_reader *kestrun_hex_reader_new(kestrun_image *image);
KESTRUN_API void kestrun_hex_reader_free(kestrun_hex_reader *reader);
/* One of KESTRUN_OVERLAP_*, else ResultBadArgument. Set before the first
 * feed. */
KESTRUN_API int32_t kestrun_hex_reader_set_overlap(kestrun_hex_reader *reader, int32_t policy);
/* Stores only the data bytes at addresses low..high (none when low >
 * high; all by default): the rest is read, checked and handed to the
 * record callback as before, and meets no overlap. A caller that wants
 * what an image holds without holding all of it at once reads the text
 * once for each window. Set before the first feed. */
KESTRUN_API void kestrun_hex_reader_set_window(kestrun_hex_reader *reader, uint32_t low,
                                               uint32_t high);
/* The text to be fed is the part of a longer one that begins at `offset`
 * (a record's colon) on `line` (from 1): records, conflicts and places
 * count from there. Bases start at 0, so a part should begin with the 02
 * or 04 records its data records rely on. With set_window, a caller reads
 * only the part of the text that writes the window. Set before the first
 * feed. */
KESTRUN_API void kestrun_hex_reader_set_origin(kestrun_hex_reader *reader, uint64_t offset,
                                               uint64_t line);
/* The tag conflicts name this reader's records by (default 0), so that
 * several texts read into one image tell their writers apart. */
KESTRUN_API void kestrun_hex_reader_set_source(kestrun_hex_reader *reader, uint32_t source);
KESTRUN_API void kestrun_hex_reader_on_record(kestrun_hex_reader *reader, kestrun_record_fn fn,
                                              intptr_t userValue);
KESTRUN_API void kestrun_hex_reader_on_conflict(kestrun_hex_reader *reader,
                                                kestrun_conflict_fn fn, intptr_t userValue);
/* Before each record the callback gets the offset where it begins, of
 * `total` (the text's length, as far as the caller knows it); both are
 * given in bytes, or in 2^k bytes where total would pass 2^31 - 1. A zero
 * return stops the reader with ResultCancelled. */
KESTRUN_API void kestrun_hex_reader_on_progress(kestrun_hex_reader *reader,
                                                ProgressCallback progress, uint64_t total,
                                                intptr_t userValue);
/* The next `length` bytes of the text, in pieces of any size, NUL bytes
 * included (a NUL is a character like any other, and not Intel HEX).
 * Returns ResultOk for more, KESTRUN_END_READ once the end record has been
 * read, or the failure, which every later call repeats. */
KESTRUN_API int32_t kestrun_hex_reader_feed(kestrun_hex_reader *reader, const char *text,
                                            uint64_t length);
/* The text has ended: ResultOk when the end record was read, else the
 * failure (a text without its end record is ResultNotIntelHex). */
KESTRUN_API int32_t kestrun_hex_reader_finish(kestrun_hex_reader *reader);
/* The place of the reader's failure: ResultOk when it has none (then
 * `place` is untouched). `editor_line` is left as it was (programs written
 * against these readers know no such field); kestrun_reader_place gives it. */
KESTRUN_API int32_t kestrun_hex_reader_place(const kestrun_hex_reader *reader,
                                             kestrun_place *place);
KESTRUN_API void kestrun_hex_reader_stats(const kestrun_hex_reader *reader,
                                          kestrun_hex_stats *stats);

/* What an S-record reader has read so far. */
typedef struct kestrun_srec_stats {
    uint64_t records[10];       /* records of types S0 to S9 (S4 stays 0) */
    uint64_t lines;             /* lines read */
    uint64_t overlaps;          /* data records that met written addresses */
    uint64_t conflicting_bytes; /* addresses written with differing bytes */
    int32_t end_read;           /* 1 once a termination record (S7-S9) was read */
} kestrun_srec_stats;

/* A reader of one S-record text into `image` (not owned). A record is
 * "S", its type digit (0-3 or 5-9), the count byte, then exactly as many
 * digit pairs as the count says (address, data, checksum; either case),
 * then CR, LF or the end of the text; only CR and LF stand between
 * records. The checksum is the ones' complement of the sum of the count,
 * address and data bytes. S1/S2/S3 data land at their 16/24/32-bit
 * address; S5/S6 must count the data records before them (else
 * ResultRecordCount); S7/S8/S9 set the image's start address
 * (KESTRUN_START_LINEAR) and may carry no data, nor may S5/S6; S0's bytes
 * are a header, not data. A text without a termination record, or with
 * records after it, is read as srec_cat reads it: whole (objcopy stops at
 * the termination record; kestrun_reader_past_end names what follows it).
 * Everything else is ResultNotSRecord or ResultChecksumError, with the
 * place as for HEX. The kestrun_record of the callback has `type` the
 * digit 0-9, `address` the data address, count or start value, `length`
 * the data bytes, `data` those of S1-S3 (null for the others). Null when
 * memory is short or `image` is null. */
KESTRUN_API kestrun_srec_reader *kestrun_srec_reader_new(kestrun_image *image);
KESTRUN_API void kestrun_srec_reader_free(kestrun_srec_reader *reader);
/* As the kestrun_hex_reader_ functions of the same names. */
KESTRUN_API int32_t kestrun_srec_reader_set_overlap(kestrun_srec_reader *reader, int32_t policy);
KESTRUN_API void kestrun_srec_reader_set_window(kestrun_srec_reader *reader, uint32_t low,
                                                uint32_t high);
KESTRUN_API void kestrun_srec_reader_set_origin(kestrun_srec_reader *reader, uint64_t offset,
                                                uint64_t line);
KESTRUN_API void kestrun_srec_reader_set_source(kestrun_srec_reader *reader, uint32_t source);
KESTRUN_API void kestrun_srec_reader_on_record(kestrun_srec_reader *reader, kestrun_record_fn fn,
                                               intptr_t userValue);
KESTRUN_API void kestrun_srec_reader_on_conflict(kestrun_srec_reader *reader,
                                                 kestrun_conflict_fn fn, intptr_t userValue);
KESTRUN_API void kestrun_srec_reader_on_progress(kestrun_srec_reader *reader,
                                                 ProgressCallback progress, uint64_t total,
                                                 intptr_t userValue);
/* The next `length` bytes of the text: ResultOk, or the failure, which
 * every later call repeats. */
KESTRUN_API int32_t kestrun_srec_reader_feed(kestrun_srec_reader *reader, const char *text,
                                             uint64_t length);
/* The text has ended: ResultOk, or the failure of its last record. */
KESTRUN_API int32_t kestrun_srec_reader_finish(kestrun_srec_reader *reader);
KESTRUN_API int32_t kestrun_srec_reader_place(const kestrun_srec_reader *reader,
                                              kestrun_place *place);
KESTRUN_API void kestrun_srec_reader_stats(const kestrun_srec_reader *reader,
                                           kestrun_srec_stats *stats);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUN_READ_API_H */
