// Where in a record text the library's reader stopped, as a line. The
// reader's place carries the line both ways: `line` as objcopy numbers it
// (an LF CR pair is one line end), which kestrun names as FILE:LINE, and
// `editor_line` as an editor counts it (CR LF, LF and CR alone each end a
// line), which Pelcor names in its message and selects.
#ifndef PELCOR_HEX_ERROR_LINE_H
#define PELCOR_HEX_ERROR_LINE_H

#include "core/LibraryCalls.h"

#include <QString>

#include <cstdint>

namespace HexErrorLine {

// True for the results that a single record causes (not Intel HEX or not
// S-records, a checksum, the end record, an S5/S6 count, an address beyond
// 32 bits).
bool isRecordError(std::int32_t result);

struct Place {
    int line = 1;             // from 1
    bool noEndRecord = false; // the text ended without its end record
};

// The place as the document window shows it: the reader's editor line.
Place inEditor(const kestrun_place &place);

// What both front ends add to the library's message when the text ended
// without its end record.
QString noEndRecordNote();

// Where a record error lies, as Pelcor says it under the library's
// message: "(12 行目)", with the note for a missing end record.
QString describe(const Place &place);

} // namespace HexErrorLine

#endif
