// Kestrun as the kestrun command links it: the loader finds it beside the
// executable, so every export is there before main runs.
#ifndef KESTRUN_CLI_LINKED_LIBRARY_H
#define KESTRUN_CLI_LINKED_LIBRARY_H

#include "core/LibraryCalls.h"

#include <QString>

#include <cstdint>

namespace LinkedLibrary {

const LibraryCalls &calls();

// The library's own message for a result code, decoded from code page 932
// and in kestrun's language; empty for a code it has no message for.
QString message(std::int32_t code);

// The number DllGetVersion reports.
std::int32_t version();

} // namespace LinkedLibrary

#endif
