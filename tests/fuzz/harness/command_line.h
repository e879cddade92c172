// ParseCommandLine on arbitrary UTF-16 text. What must hold: the count
// names only non-empty names; a name never holds the quote that opened it,
// nor, unquoted, a blank; and the names joined again split back into the
// same names.
#ifndef PELCOR_FUZZ_COMMAND_LINE_H
#define PELCOR_FUZZ_COMMAND_LINE_H

#include "fuzz_check.h"

#include "core/CommandLine.h"

#include <cstddef>
#include <cstdint>

namespace kestrun_fuzz {

// The input's byte pairs are the UTF-16 units, unpaired surrogates included.
inline int commandLineOne(const uint8_t *data, size_t size)
{
    QString text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | data[i + 1] << 8)));

    QStringList names;
    const int count = ParseCommandLine(text, names);
    FUZZ_CHECK(count >= 0 && count <= names.size() && names.size() <= count + 1);
    const QStringList found = names.mid(0, count);
    for (const QString &name : found) {
        FUZZ_CHECK(!name.isEmpty() && !name.startsWith(u'"'));
        FUZZ_CHECK(!name.contains(u'"') || (!name.contains(u' ') && !name.contains(u'\t')));
    }

    QStringList again;
    const int countAgain = ParseCommandLine(joinArguments(found), again);
    FUZZ_CHECK(countAgain == count && again.mid(0, countAgain) == found);
    return 0;
}

} // namespace kestrun_fuzz

#endif // PELCOR_FUZZ_COMMAND_LINE_H
