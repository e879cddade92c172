// Where in a HEX text the library stopped. HexToBinary reports only what
// went wrong, but before each record it reports the offset where that
// record, or whatever stands in its place, begins: run again with a
// callback that keeps the last offset, it names the place itself, by its
// own rules. Both front ends name the line from that place: kestrun as
// FILE:LINE, Pelcor in its message and by selecting the line.
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

// The line of the first record error in `text`, which must be followed by
// a NUL, as for HexToBinary; nothing when the text converts without one.
// A text that ends without an end record fails at the line after its last.
std::optional<Place> find(const LibraryCalls &calls, QByteArrayView text, Counting counting);

// The line number of byte `offset` of `text`.
int lineAt(QByteArrayView text, qsizetype offset, Counting counting);

} // namespace HexErrorLine

#endif
