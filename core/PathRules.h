// Path rules the program shares with its Windows users' habits.
#ifndef PELCOR_PATH_RULES_H
#define PELCOR_PATH_RULES_H

#include <QString>

// The last component of `path`: after the last backslash, slash or colon.
QString fileNamePart(const QString &path);

// `path` with the extension of its last component replaced by `extension`
// (".bin"), or with it appended when there is none. The extension is the
// last dot of the last component, unless a space follows it.
QString renameExtension(const QString &path, const QString &extension);

#endif
