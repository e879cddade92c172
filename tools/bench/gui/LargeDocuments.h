// Large documents as the user meets them: a 40 MB HEX file opened and the
// 85 MB dump that F5 makes of it, each against QPlainTextEdit, the edit
// control Pelcor used before, on the same text in the same run.
#ifndef PELCOR_LARGE_DOCUMENTS_H
#define PELCOR_LARGE_DOCUMENTS_H

#include <QString>

#include <cstdint>
#include <vector>

class FrmMDI;

// `image` becomes HEX text with 32-byte records in `folder`.
void benchLargeDocuments(FrmMDI &frame, const QString &folder,
                         const std::vector<std::uint8_t> &image);

#endif
