// How a record text (Intel HEX or S-records) is coloured: each record's
// fields in their own style, a wrong checksum and whatever breaks a record
// standing out. The fields are the library's tokenizer's, so a line is
// coloured as the readers read it. A plain function of one line's bytes,
// so that the view can colour just the lines on screen, in any order,
// however large the document.
#ifndef PELCOR_HEXLINESTYLES_H
#define PELCOR_HEXLINESTYLES_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace HexStyle {
// Style numbers as the view uses them. Plain must stay 0: text the view
// has not coloured yet carries style 0.
enum : char {
    Plain = 0,
    Mark,   // ':' or 'S'
    Length, // byte count
    Address,
    Type, // record type: HEX's type byte, an S-record's type digit
    Data,
    Checksum,    // a checksum that fits its record
    BadChecksum, // one that does not
    Broken,      // what keeps a record from being read: a non-digit,
                 // characters after the checksum, and the mark of a
                 // record that ends before its checksum or that the
                 // reader refuses whole
    Count
};
} // namespace HexStyle

// Fills `styles` (as long as `line`) with the style of each byte of one
// line of `format` text (KESTRUN_FORMAT_IHEX or _SREC) as the library's
// tokenizer splits it. `line` may hold its line end, which stays Plain, as
// does anything before the record mark and trailing blanks.
void styleRecordLine(const ImageCalls &calls, std::int32_t format, QByteArrayView line,
                     char *styles);

// Where the record mark of one line stands; -1 on a line without one.
qsizetype recordMark(const ImageCalls &calls, std::int32_t format, QByteArrayView line);

// The wrong checksum whose digits hold byte `column` (from 0) of `line`,
// as the place a reader would report (result, found and expected), for
// the library's message of it; none when that byte is no wrong checksum.
std::optional<kestrun_place> wrongChecksumAt(const ImageCalls &calls, std::int32_t format,
                                             QByteArrayView line, qsizetype column);

#endif
