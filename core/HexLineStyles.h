// How an Intel HEX document is coloured: each record's fields in their own
// style, a wrong checksum and whatever breaks a record standing out. Plain
// functions of one line's bytes, so that the view can colour just the
// lines on screen, in any order, however large the document.
#ifndef PELCOR_HEXLINESTYLES_H
#define PELCOR_HEXLINESTYLES_H

#include <QByteArrayView>

namespace HexStyle {
// Style numbers as the view uses them. Plain must stay 0: text the view
// has not coloured yet carries style 0.
enum : char {
    Plain = 0,
    Mark,   // ':'
    Length, // byte count
    Address,
    Type, // record type
    Data,
    Checksum,    // a checksum that fits its record
    BadChecksum, // one that does not
    Broken,      // what keeps a record from being read: a non-digit,
                 // characters after the checksum, and the mark of a
                 // record that ends before its checksum
    Count
};
} // namespace HexStyle

// Whether a text looks like Intel HEX: its first character is the record
// mark.
bool looksLikeIntelHex(QByteArrayView text);

// Fills `styles` (as long as `line`) with the style of each byte of one
// line. `line` may hold its line end, which stays Plain, as does anything
// before the record mark.
void styleHexLine(QByteArrayView line, char *styles);

#endif
