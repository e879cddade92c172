// The library's formats as the front ends name them: each one's word, its
// file extensions and title, all from the library's format table, so that a
// format added there is named, detected by extension and offered without
// a line here.
//
//     const auto value = FormatList::named(calls, u"srec", KESTRUN_FORMAT_FLAG_WRITE);
//     const QString words = FormatList::words(calls, KESTRUN_FORMAT_FLAG_WRITE); // "bin|ihex|srec..."
#ifndef PELCOR_FORMAT_LIST_H
#define PELCOR_FORMAT_LIST_H

#include "core/LibraryCalls.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace FormatList {

// Every format that has all of `flags` (KESTRUN_FORMAT_FLAG_*), in the
// library's order of values.
std::vector<kestrun_format_info> all(const ImageCalls &calls, std::uint32_t flags);
// The format named `word`, among those with `flags`.
std::optional<std::int32_t> named(const ImageCalls &calls, QStringView word, std::uint32_t flags);
// The format whose extensions hold `path`'s (case-insensitively), among
// those with `flags`; none for another or no extension.
std::optional<std::int32_t> ofFile(const ImageCalls &calls, const QString &path,
                                   std::uint32_t flags);
// The word of `format`; empty for a value without a format.
QString name(const ImageCalls &calls, std::int32_t format);
// The words of the formats with `flags`, as "a|b|c".
QString words(const ImageCalls &calls, std::uint32_t flags);
// The extensions of the formats with `flags`, as ".hex .ihex .ihx, .srec ...".
QString extensions(const ImageCalls &calls, std::uint32_t flags);

} // namespace FormatList

#endif
