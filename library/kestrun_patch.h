/*
 * Kestrun: changing the bytes of a record text in place. A patcher streams
 * an Intel HEX or S-record text to the caller's sink as it was, except for
 * the records that hold a changed byte: those get their new data and a
 * checksum that holds, and nothing else about them changes (length,
 * address, type, case of the digits, line end, what follows on the line).
 * Changed bytes that no record holds become new records after the record
 * that holds the highest address below them, of that record's length, type
 * and line end, with the address records (HEX 02/04) they need and the
 * bases put back after them. An S5/S6 count counts the records added before
 * it. With checksums fixed, every record whose checksum is wrong is given
 * the right one.
 *
 *     kestrun_patcher *p = kestrun_patcher_new(KESTRUN_FORMAT_IHEX, original, changes, &rc);
 *     ... kestrun_patcher_feed(p, piece, length, sink, user) ...
 *     rc = kestrun_patcher_finish(p, sink, user);
 *     kestrun_patcher_free(p);
 *
 * `original` is the image the text holds, as the reader reads it (with
 * KESTRUN_CHECKSUMS_ACCEPT when checksums are to be fixed); `changes` holds
 * the bytes to write at their addresses. Neither is owned; both must
 * outlive the patcher and stay unchanged while it runs.
 */
#ifndef KESTRUN_PATCH_API_H
#define KESTRUN_PATCH_API_H

#include "kestrun_write.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct kestrun_patcher kestrun_patcher;

/* What a patcher did, once finished. */
typedef struct kestrun_patch_stats {
    uint64_t lines;                /* lines of the text, as an editor counts them */
    uint64_t records_changed;      /* records given new data */
    uint64_t records_added;        /* data records added where no record held data */
    uint64_t address_records_added; /* HEX 02/04 records added before and after those */
    uint64_t checksums_fixed;      /* records whose wrong checksum was made right */
    uint64_t counts_changed;       /* S5/S6 records given a new count */
    uint64_t bytes_changed;        /* bytes of records that now hold another value */
    uint64_t bytes_added;          /* bytes of the records added */
} kestrun_patch_stats;

/* A wrong checksum made right: the line as an editor counts it (CR, LF and
 * CR LF each end one), the checksum written and the right one. */
typedef struct kestrun_fixed_checksum {
    uint64_t line;
    uint32_t found;
    uint32_t expected;
} kestrun_fixed_checksum;
typedef int32_t (*kestrun_fixed_fn)(const kestrun_fixed_checksum *fixed, intptr_t userValue);

/* A patcher of `format` text (KESTRUN_FORMAT_IHEX or _SREC). Null, with
 * *result (may be null) ResultBadArgument for another format or a null
 * image, ResultNoMemory when memory is short. */
KESTRUN_API kestrun_patcher *kestrun_patcher_new(int32_t format, const kestrun_image *original,
                                                 const kestrun_image *changes, int32_t *result);
KESTRUN_API void kestrun_patcher_free(kestrun_patcher *patcher);
/* Whether every wrong checksum is made right (default 0: only those of the
 * records given new data are). */
KESTRUN_API void kestrun_patcher_fix_checksums(kestrun_patcher *patcher, int32_t fix);
/* Called for every checksum made right, before the line goes to the sink. */
KESTRUN_API void kestrun_patcher_on_fixed(kestrun_patcher *patcher, kestrun_fixed_fn fn,
                                          intptr_t userValue);
/* The next piece of the text; what is whole of it goes to `sink` (a sink's
 * negative result stops the patcher and is returned). A line cut by the
 * piece's end waits for the next piece. */
KESTRUN_API int32_t kestrun_patcher_feed(kestrun_patcher *patcher, const char *text,
                                         uint64_t length, kestrun_sink_fn sink,
                                         intptr_t userValue);
/* The next piece of the text, which holds no line that changes: no record
 * that holds a changed byte, no address record (as the caller knows from a
 * reader's records, kestrun_reader_on_record). Its whole lines go to `sink`
 * as they are, counted but not looked at one by one; the line cut by its
 * end waits as with feed. A patcher that fixes every checksum, or has
 * changes no record holds, takes the piece as feed does. */
KESTRUN_API int32_t kestrun_patcher_pass(kestrun_patcher *patcher, const char *text,
                                         uint64_t length, kestrun_sink_fn sink,
                                         intptr_t userValue);
/* The end of the text: the last line, and new records that found no place
 * before it. */
KESTRUN_API int32_t kestrun_patcher_finish(kestrun_patcher *patcher, kestrun_sink_fn sink,
                                           intptr_t userValue);
KESTRUN_API void kestrun_patcher_stats(const kestrun_patcher *patcher, kestrun_patch_stats *stats);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUN_PATCH_API_H */
