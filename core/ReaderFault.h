// Why a binary or ELF input was refused (the library's kestrun_fault), in
// the user's language: Japanese as written here, English through kestrun's
// catalogue (context ReaderFault).
#ifndef PELCOR_READER_FAULT_H
#define PELCOR_READER_FAULT_H

#include "exports.h"

#include <QString>

namespace ReaderFault {

// The text for `fault`; `resultText` is the message of the failure's
// result, which a piece that could not be stored is named after. Empty for
// KESTRUN_FAULT_NONE.
QString message(const kestrun_fault &fault, const QString &resultText);

} // namespace ReaderFault

#endif
