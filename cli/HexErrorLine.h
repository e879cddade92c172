// Where in a HEX text the library stopped: HexToBinary reports only what
// went wrong, so the text is walked again record by record, cut at colons
// as the library cuts it, and each record decoded with LineHexToBin until
// one fails.
#ifndef KESTRUN_CLI_HEX_ERROR_LINE_H
#define KESTRUN_CLI_HEX_ERROR_LINE_H

#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace HexErrorLine {

// True for the results that a single record causes (not Intel HEX, a
// checksum, the end record, an address beyond 32 bits).
bool isRecordError(std::int32_t result);

// The line (from 1) of the first record that fails, or nothing when every
// record up to the end record decodes. `text` must be followed by a NUL,
// as for HexToBinary. Lines end at LF, CR LF or CR alone; a text that stops
// without an end record fails on its last line.
std::optional<int> find(QByteArrayView text);

// The line number of byte `offset` of `text`.
int lineAt(QByteArrayView text, qsizetype offset);

} // namespace HexErrorLine

#endif
