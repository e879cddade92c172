// Where in a HEX text the library's reader stopped, as a line. The reader
// gives the place with its line as objcopy counts; an editor counts a CR
// after an LF as a line of its own, so Pelcor counts from the offset.
// Both front ends name the line: kestrun as FILE:LINE, Pelcor in its
// message and by selecting the line.
#ifndef PELCOR_HEX_ERROR_LINE_H
#define PELCOR_HEX_ERROR_LINE_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace HexErrorLine {

// True for the results that a single record causes (not Intel HEX, a
// checksum, the end record, an address beyond 32 bits).
bool isRecordError(std::int32_t result);

// How lines are counted. Both take LF, CR LF and CR alone as one line end
// each. Objcopy-like counting takes LF CR as one line end too, as GNU
// objcopy numbers such files; an editor shows it as two, and so the
// editor's counting does.
enum class Counting { Objcopy, Editor };

struct Place {
    int line = 1;             // from 1
    bool noEndRecord = false; // the text ended without its end record
};

// What both front ends add to the library's message when the text ended
// without its end record.
QString noEndRecordNote();

// Where a record error lies, as Pelcor says it under the library's
// message: "(12 行目)", with the note for a missing end record.
QString describe(const Place &place);

// The line of the library's failure place in `text`: as the library
// counts (objcopy's way), or as an editor shows the text.
Place placeIn(const kestrun_place &place, QByteArrayView text, Counting counting);

// The line number of byte `offset` of `text`.
int lineAt(QByteArrayView text, qsizetype offset, Counting counting);

} // namespace HexErrorLine

#endif
