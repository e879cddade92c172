// An address range a job marked in a document (a comparison's difference),
// with what the memory map's tooltip says it is.
#ifndef PELCOR_MARKED_RANGE_H
#define PELCOR_MARKED_RANGE_H

#include "core/AddressRange.h"

#include <QString>

struct MarkedRange {
    AddressRange range;
    // "differ between a.hex and b.hex", "only in b.hex", in the frame's words.
    QString note;

    friend bool operator==(const MarkedRange &, const MarkedRange &) = default;
};

#endif
