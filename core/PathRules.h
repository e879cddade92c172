// Path rules: file names and their extensions as the program proposes and
// shows them.
#ifndef PELCOR_PATH_RULES_H
#define PELCOR_PATH_RULES_H

#include <QString>

// The last component of `path`: after the last slash. Backslashes and
// colons are characters of a name here like any other.
QString fileNamePart(const QString &path);

// `path` with the extension of its last component replaced by `extension`
// (".bin"), or with it appended when there is none. The extension is the
// last dot of the last component, unless a space follows it.
QString renameExtension(const QString &path, const QString &extension);

// The last component of `path` as a code page 932 text shows it, such as
// the dump report's header: a name whose bytes are not UTF-8 is taken as
// code page 932 (which is what such names are on disks that came from
// Windows), so that the text written out holds the name's own bytes.
QString nameForCp932Text(const QString &path);

#endif
