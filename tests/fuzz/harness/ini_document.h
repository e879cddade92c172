// The INI reader on arbitrary bytes. What must hold: the text comes back
// byte for byte; every key the reader lists can be looked up; a key written
// into the first section reads back, also after the text is read again.
#ifndef PELCOR_FUZZ_INI_DOCUMENT_H
#define PELCOR_FUZZ_INI_DOCUMENT_H

#include "fuzz_check.h"

#include "core/IniDocument.h"

#include <cstddef>
#include <cstdint>

namespace kestrun_fuzz {

inline int iniDocumentOne(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniDocument document = IniDocument::fromBytes(bytes);
    FUZZ_CHECK(document.toBytes() == bytes);

    const QList<QByteArray> sections = document.sectionNames();
    for (const QByteArray &section : sections.mid(0, 4)) {
        for (const QByteArray &entry : document.sectionEntries(section).mid(0, 8)) {
            const QByteArray key = entry.left(entry.indexOf('='));
            FUZZ_CHECK(document.value(section, key).has_value());
        }
    }

    // A name and value with a double-byte character whose second byte is
    // '[' or ']' ("\x83\x5B" and "\x83\x5D"), so that a byte-wise scan shows.
    const QByteArray section = sections.isEmpty() ? QByteArray("Fuzz\x83\x5D") : sections.first();
    const QByteArray key("Fuzz\x83\x5BKey");
    const QByteArray value("\x82\xA0value");
    document.setValue(section, key, value);
    FUZZ_CHECK(document.value(section, key) == value);
    FUZZ_CHECK(IniDocument::fromBytes(document.toBytes()).value(section, key) == value);
    return 0;
}

} // namespace kestrun_fuzz

#endif // PELCOR_FUZZ_INI_DOCUMENT_H
