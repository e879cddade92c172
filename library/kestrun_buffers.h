/*
 * Kestrun: the whole-buffer calls, the result codes and their messages.
 *
 * These ten calls work on whole buffers: the caller passes input buffers
 * with their lengths and output buffers with their capacities, and keeps
 * only as many output bytes as the call reports written. Each of them is
 * stateless, allocates its own work memory and frees it before it returns.
 * Text is 8-bit code page 932 text; messages are code page 932 bytes.
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
#ifndef KESTRUN_BUFFERS_API_H
#define KESTRUN_BUFFERS_API_H

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
    ResultRecordCount = -12,   /* an S5 or S6 record's count is not that of the data records before it */
    ResultNotElf = -13,        /* not an ELF executable that can be read: damaged, cut short or of another kind */
    ResultNotTiTxt = -14,      /* not TI-TXT: a malformed line */
    ResultNotVmem = -15,       /* not Verilog VMEM: a malformed line or words of differing widths */
    ResultNotUf2 = -16         /* not UF2: a block with a wrong magic number, cut short or too full */
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
#ifdef __cplusplus
}
#endif

#endif /* KESTRUN_BUFFERS_API_H */
