/*
 * Kestrun - Intel HEX conversion library.
 *
 * Usage: the caller owns every buffer. It passes input buffers with their
 * lengths and output buffers with their capacities, and keeps only as many
 * output bytes as the call reports written. Each call is stateless, allocates
 * its own work memory and frees it before it returns; no exception or fault
 * crosses this interface, every failure is one of the negative result codes
 * below. Text is 8-bit code page 932 text; messages are code page 932 bytes.
 *
 * Addresses and positions are 32-bit unsigned values. An in/out pointer
 * argument carries a value in and may receive one back, as each function
 * says. The three long conversions (HexToBinary, BinaryToHex, DumpFormat)
 * report progress through an optional callback that may stop them.
 *
 *     uint32_t start = 0, end = 0, size = 0;
 *     int32_t rc = HexToBinary(text, image, textLength, capacity, &size,
 *                              &start, &end, 0xFF, 0, NULL);
 *     if (rc < 0) { char msg[KESTRUN_MESSAGE_SIZE]; GetErrorString(rc, msg); }
 */
#ifndef KESTRUN_EXPORTS_H
#define KESTRUN_EXPORTS_H

#include <stddef.h>
#include <stdint.h>

#if defined(KESTRUN_BUILDING)
#define KESTRUN_API __attribute__((visibility("default")))
#else
#define KESTRUN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes: 0 is success, negative is failure. */
enum KestrunResult {
    ResultOk = 0,
    ResultNotIntelHex = -1,    /* not Intel HEX: a malformed record or text between records */
    ResultChecksumError = -2,  /* a record's checksum is wrong */
    ResultEndRecordError = -3, /* the end record's checksum byte is not FF */
    ResultCancelled = -4,      /* the progress callback asked to stop */
    ResultOverflow = -5,       /* the caller's output buffer is too small */
    ResultNoMemory = -6,       /* work memory could not be obtained */
    ResultAddressFault = -7,   /* an address lies outside the 32-bit space */
    /* -8 is not given out. */
    ResultOverlap = -9,        /* records write one address twice, against the overlap policy */
    ResultBadArgument = -10,   /* an argument or option out of its range, or a null handle */
    ResultNotSRecord = -11,    /* not Motorola S-records: a malformed record or text between records */
    ResultRecordCount = -12    /* an S5 or S6 record's count is not that of the data records before it */
};

/* Room GetErrorString needs: the longest message and its NUL. */
#define KESTRUN_MESSAGE_SIZE 62

/* The version DllGetVersion reports. */
#define KESTRUN_LIBRARY_VERSION 203

/* Line ends for BinaryToHex and DumpFormat: the low byte is the first byte of
 * the line end, bits 8-15 the second (none when zero); bits 16-31 are ignored. */
#define KESTRUN_NEWLINE_CRLF 0x0A0Du
#define KESTRUN_NEWLINE_CR 0x000Du
#define KESTRUN_NEWLINE_LF 0x000Au

/* Progress callback: `done` of `total` units are finished; `userValue` is the
 * caller's value, passed through untouched. Return non-zero to go on, zero to
 * stop the call with ResultCancelled. It runs on the calling thread and must
 * not change or free the buffers of the call in progress. */
typedef int32_t (*ProgressCallback)(int32_t done, int32_t total, intptr_t userValue);

/* Stores the library version (203) in *version. Returns 1. */
KESTRUN_API int32_t DllGetVersion(int32_t *version);

/* Copies the code page 932 message of `code` with its NUL into `buffer`
 * (at least KESTRUN_MESSAGE_SIZE bytes) and returns 1. For a code without a
 * message returns 0 and leaves `buffer` untouched. */
KESTRUN_API int32_t GetErrorString(int32_t code, char *buffer);

/* Shift *value left or right by `count` modulo 32, bringing in zero bits. */
KESTRUN_API void LShift(uint32_t *value, int32_t count);
KESTRUN_API void RShift(uint32_t *value, int32_t count);

/* Sum of the bytes at positions first..last (both included), wrapping at 32
 * bits; positions at or beyond dataLength count as `blank` (low 8 bits).
 * first > last sums nothing. When `digits` is not null it receives the sum as
 * eight upper-case hex digits and a NUL (9 bytes). */
KESTRUN_API uint32_t CheckSum(const uint8_t *data, uint32_t dataLength, uint32_t first,
                              uint32_t last, uint32_t blank, char *digits);

/* Verifies `count` decoded record bytes whose last byte is the checksum: the
 * bytes must sum to 0 modulo 256. Returns 1 and stores the checksum byte in
 * *checksum (when not null) if right, else returns 0. */
KESTRUN_API int32_t LineCheckSum(const uint8_t *bytes, int32_t count, uint8_t *checksum);

/* Decodes the one record at `record` (its colon); `lineLength` is not
 * consulted. A record is a colon, then exactly as many digit pairs as its
 * length byte + 5 (digits of either case), then NUL, CR or LF. Returns the
 * record type 0-5, or ResultNotIntelHex (no colon, a character that is not
 * a hex digit, an odd digit count, a pair count that disagrees with the
 * length byte, text after the checksum; after the checksum test also type
 * 06 and above, an 02 or 04 record that is not two bytes with address
 * 0000, an 03 or 05 record that is not four bytes), ResultChecksumError or
 * ResultEndRecordError (an end record whose checksum byte is not FF).
 * *position receives: type 00 the address + data length, 02 the segment
 * value x 16, 04 the upper address x 65536, 01/03/05 zero; it is left alone
 * on a malformed record and a bad checksum, and is 0 after the other
 * failures. A data record's bytes are stored at buffer + address: `buffer`
 * must hold 65535 + 255 bytes. */
KESTRUN_API int32_t LineHexToBin(const char *record, int32_t lineLength, uint8_t *buffer,
                                 uint32_t *position);

/* Turns the NUL-terminated Intel HEX `text` into an image of the address
 * window *start..*end (both included), positions without data set to `fill`.
 * The text starts with a record; between records, up to the end record,
 * only CR and LF may stand, and nothing after the end record is read. Data
 * records land at the segment base + the linear base + their address; a
 * linear record clears the segment base. Work memory follows the bytes the
 * records carry, not the spread of their addresses.
 * An *end of 0 means "up to the highest byte written"; it is replaced at the
 * end record (0xFFFFFFFF when no data record wrote a byte, an empty window).
 * textLength is only the progress total; before each record the callback
 * gets the offset where that record, or whatever stands in its place,
 * begins. On ResultOk, ResultCancelled and ResultOverflow *imageSize
 * receives the window size; the window is copied to `image` unless it
 * exceeds `capacity` (ResultOverflow: `image` untouched). A stop by the
 * callback is always ResultCancelled: an automatic end is then the highest
 * byte read so far (*end stays 0), and a window below the start is empty;
 * one larger than `capacity` is not copied. A record error
 * returns at once, with *imageSize not written; a text that ends without an
 * end record is ResultNotIntelHex. */
KESTRUN_API int32_t HexToBinary(const char *text, uint8_t *image, int32_t textLength,
                                uint32_t capacity, uint32_t *imageSize, const uint32_t *start,
                                uint32_t *end, uint32_t fill, intptr_t userValue,
                                ProgressCallback progress);

/* Writes the positions *start..*end of `data` as Intel HEX `text` (NUL-
 * terminated), HEX address 0 standing for *start; positions at or beyond
 * dataLength are written as `blank`. An *end of 0 is replaced by
 * dataLength - 1 at once (0xFFFFFFFF for empty data: the end record alone).
 * recordLength (1-255) data bytes per record; extended address records at
 * every 64 KiB boundary. On ResultOk *writtenLength receives the characters
 * written (without the NUL) and *end the position after the last byte
 * converted. ResultOverflow when fewer than 512 bytes of `capacity` remain
 * before a line or a line would not fit; the lines written stay in `text`.
 * A NUL follows every line as soon as it is written, so a caller may read
 * the text up to that NUL while the call runs (from its progress callback). */
KESTRUN_API int32_t BinaryToHex(const uint8_t *data, char *text, uint32_t dataLength,
                                uint32_t capacity, int32_t recordLength, uint32_t *writtenLength,
                                const uint32_t *start, uint32_t *end, uint32_t blank,
                                uint32_t newLine, intptr_t userValue, ProgressCallback progress);

/* Writes the positions *start..*end of `data` as dump lines of 16 positions:
 * `indent` spaces, the 8-digit address, 16 hex cells and an ASCII column,
 * then the line end; positions outside the window show blanks, positions at
 * or beyond dataLength show `blank`. An *end of 0 is replaced by
 * dataLength - 1 at once (0xFFFFFFFF for empty data: no line). Bytes of
 * `data` up to *end that are below 0x20 or above 0x7F are overwritten with
 * '.'. *writtenLength receives the characters written on every return but
 * ResultNoMemory; lines written before ResultOverflow or ResultCancelled stay.
 * A NUL follows every line as soon as it is written. */
KESTRUN_API int32_t DumpFormat(uint8_t *data, char *text, uint32_t dataLength, uint32_t capacity,
                               uint32_t *writtenLength, const uint32_t *start, uint32_t *end,
                               uint32_t blank, uint32_t newLine, uint32_t indent,
                               intptr_t userValue, ProgressCallback progress);

/* ------------------------------------------------------------------------
 * The image API: sparse images, a HEX reader that takes text in pieces, and
 * HEX and dump writers into the caller's sink.
 *
 *     kestrun_image *image = kestrun_image_new();
 *     kestrun_hex_reader *reader = kestrun_hex_reader_new(image);
 *     int32_t rc = ResultOk;
 *     while (rc == ResultOk && (n = read(fd, piece, sizeof piece)) > 0)
 *         rc = kestrun_hex_reader_feed(reader, piece, n);
 *     if (rc >= 0)
 *         rc = kestrun_hex_reader_finish(reader);
 *     if (rc < 0) { kestrun_place at; kestrun_hex_reader_place(reader, &at); ... }
 *     kestrun_hex_reader_free(reader);
 *     ... kestrun_image_next(image, 0, &segment) ...
 *     kestrun_image_free(image);
 *
 * Handles are opaque; every function takes a null handle without harm
 * (ResultBadArgument, or nothing done). Results are the codes above. An
 * image, reader or writer is used by one thread at a time. Addresses are
 * 32-bit; lengths and offsets into a text are 64-bit.
 * ------------------------------------------------------------------------ */

/* Returned by kestrun_hex_reader_feed once the end record has been read:
 * the rest of the text is not looked at. */
#define KESTRUN_END_READ 1

typedef struct kestrun_image kestrun_image;
typedef struct kestrun_hex_reader kestrun_hex_reader;
typedef struct kestrun_hex_writer kestrun_hex_writer;
typedef struct kestrun_dump_writer kestrun_dump_writer;

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

/* --- Reading Intel HEX --- */

/* How a data record that writes addresses already written is taken. A
 * conflict is such a record whose bytes differ from those held. */
#define KESTRUN_OVERLAP_LAST 0      /* the later bytes win (default) */
#define KESTRUN_OVERLAP_FIRST 1     /* the earlier bytes stay */
#define KESTRUN_OVERLAP_IDENTICAL 2 /* equal bytes pass; a conflict is ResultOverlap */
#define KESTRUN_OVERLAP_REFUSE 3    /* any second write is ResultOverlap */

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
} kestrun_record;

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
} kestrun_place;

/* What a reader has read so far. */
typedef struct kestrun_hex_stats {
    uint64_t records[6];       /* records of types 00 to 05 */
    uint64_t lines;            /* lines up to and with the end record */
    uint64_t overlaps;         /* data records that met written addresses */
    uint64_t conflicting_bytes;/* addresses written with differing bytes */
    int32_t end_read;          /* 1 once the end record was read */
} kestrun_hex_stats;

/* Called for each record read; return ResultOk to go on, a negative code
 * to stop the reader with it. */
typedef int32_t (*kestrun_record_fn)(const kestrun_record *record, intptr_t userValue);
/* Called for each overlap as it is met, before the policy takes it (a
 * refused one included); return as for kestrun_record_fn. */
typedef int32_t (*kestrun_conflict_fn)(const kestrun_conflict *conflict, intptr_t userValue);

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
 * `place` is untouched). */
KESTRUN_API int32_t kestrun_hex_reader_place(const kestrun_hex_reader *reader,
                                             kestrun_place *place);
KESTRUN_API void kestrun_hex_reader_stats(const kestrun_hex_reader *reader,
                                          kestrun_hex_stats *stats);

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

/* The 32-bit sum of the bytes at first..last, `fill` where nothing is
 * held, as CheckSum sums a buffer. */
KESTRUN_API uint32_t kestrun_image_sum(const kestrun_image *image, uint32_t first, uint32_t last,
                                       uint8_t fill);

/* ------------------------------------------------------------------------
 * Other formats and image operations: Motorola S-records read and written
 * as Intel HEX is, raw bytes stored under the overlap rules, the format of
 * a text told from its first bytes, and crop, exclude, fill and offset.
 *
 *     kestrun_srec_reader *reader = kestrun_srec_reader_new(image);
 *     ... kestrun_srec_reader_feed(reader, piece, n) ... as for HEX ...
 *     kestrun_image_crop(image, 0x08000000, 0x0801FFFF);
 *     kestrun_srec_options o; kestrun_srec_options_init(&o);
 *     kestrun_srec_writer *w = kestrun_srec_writer_new(&o, sink, user, &rc);
 *     kestrun_srec_writer_image(w, image, 0, 0xFFFFFFFF);
 *     kestrun_srec_writer_finish(w);
 * ------------------------------------------------------------------------ */

typedef struct kestrun_srec_reader kestrun_srec_reader;
typedef struct kestrun_srec_writer kestrun_srec_writer;

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
 * records after it, is read as GNU objcopy and srec_cat read it: whole.
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

/* Stores `count` bytes at `address` as a whole input of `source` (line 0),
 * the overlap policy deciding where bytes are held (conflicts to `fn`,
 * which may be null). ResultAddressFault past 0xFFFFFFFF, ResultOverlap,
 * ResultNoMemory. */
KESTRUN_API int32_t kestrun_image_store(kestrun_image *image, uint32_t address,
                                        const uint8_t *bytes, uint64_t count, int32_t policy,
                                        uint32_t source, kestrun_conflict_fn fn,
                                        intptr_t userValue);

/* Formats kestrun_detect_format tells apart. */
#define KESTRUN_FORMAT_BINARY 0
#define KESTRUN_FORMAT_IHEX 1
#define KESTRUN_FORMAT_SREC 2
#define KESTRUN_FORMAT_ELF 3

/* The format of a text that starts with `bytes` (its first 4 KiB are
 * plenty): ELF by its magic; Intel HEX when its first line (after any CR
 * and LF) starts with a colon and two hex digits, S-records when with S,
 * a digit and two hex digits; else binary. */
KESTRUN_API int32_t kestrun_detect_format(const uint8_t *bytes, uint64_t length);

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
/* Moves every byte, and a linear start address, by `delta`:
 * ResultAddressFault (the image untouched) when one would leave 0..2^32-1. */
KESTRUN_API int32_t kestrun_image_offset(kestrun_image *image, int64_t delta);

/* ------------------------------------------------------------------------
 * Check values, merging and comparing images.
 *
 *     kestrun_check *crc = kestrun_check_new("crc-32", NULL);
 *     uint64_t value;
 *     kestrun_check_image(crc, image, 0x08000000, 0x0803FFFF, 0xFF, &value);
 *     kestrun_check_free(crc);
 *
 * A check is a CRC of the Rocksoft model (width, poly, init, refin,
 * refout, xorout) or a byte sum, named or given by its parameters.
 * Over an image range, addresses without data count as the fill byte, as
 * a programmed flash reads them.
 * ------------------------------------------------------------------------ */

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
/* The bits of the check's value (8 to 64); the value takes (bits + 7) / 8
 * bytes in an image. 0 for a null handle. */
KESTRUN_API uint32_t kestrun_check_width(const kestrun_check *check);
/* Starts again from the model's initial value. */
KESTRUN_API void kestrun_check_reset(kestrun_check *check);
/* Takes the next `count` bytes. */
KESTRUN_API int32_t kestrun_check_update(kestrun_check *check, const uint8_t *bytes,
                                         uint64_t count);
/* The value of the bytes taken since the last reset. A check over 32-bit
 * words ("stm32") completes a last partial word with FF bytes. */
KESTRUN_API uint64_t kestrun_check_value(const kestrun_check *check);
/* Resets the check, takes the addresses first..last of `image`, `fill`
 * where nothing is held (and to complete a last partial word), and stores
 * the value in *value. ResultBadArgument when first > last. */
KESTRUN_API int32_t kestrun_check_image(kestrun_check *check, const kestrun_image *image,
                                        uint32_t first, uint32_t last, uint8_t fill,
                                        uint64_t *value);

/* Byte order of a value stored in an image. */
#define KESTRUN_LITTLE_ENDIAN 0
#define KESTRUN_BIG_ENDIAN 1

/* Computes the check over first..last as kestrun_check_image does and
 * stores its bytes at `slot` in `endian` order, over what was there.
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

#endif /* KESTRUN_EXPORTS_H */
