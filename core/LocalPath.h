// File names as the system holds them: bytes, usually but not always UTF-8.
// A name read from the command line or a folder keeps every byte through
// the program's QString: valid UTF-8 decodes as usual, and each byte that
// is not part of a valid sequence becomes the lone surrogate U+DC00 + byte,
// which no valid UTF-8 name can yield. Encoding turns those back into the
// very bytes, so a file whose name is not UTF-8 opens and saves under its
// own name.
#ifndef PELCOR_LOCAL_PATH_H
#define PELCOR_LOCAL_PATH_H

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

namespace LocalPath {

// The name's bytes as a QString, stray bytes escaped.
QString decode(QByteArrayView bytes);
// The bytes of a name made by decode() (or typed by the user).
QByteArray encode(const QString &name);
// argv[1..argc-1] decoded one by one.
QStringList arguments(int argc, char *argv[]);
// Opens the file `name` names for reading into `file`, by the name's bytes
// (QFile would encode it as UTF-8); false when it cannot be opened.
bool openForReading(QFile &file, const QString &name);

} // namespace LocalPath

#endif
