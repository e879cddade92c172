#include "core/PathRules.h"

#include "core/Cp932.h"
#include "core/LocalPath.h"

QString fileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString renameExtension(const QString &path, const QString &extension)
{
    const qsizetype nameStart = path.size() - fileNamePart(path).size();
    qsizetype dot = -1;
    for (qsizetype i = nameStart; i < path.size(); ++i) {
        if (path.at(i) == u'.')
            dot = i;
        else if (path.at(i) == u' ')
            dot = -1;
    }
    return (dot < 0 ? path : path.left(dot)) + extension;
}

QString nameForCp932Text(const QString &path)
{
    const QString name = fileNamePart(path);
    const QByteArray bytes = LocalPath::encode(name);
    // Only the bytes LocalPath had to escape, which are no UTF-8, make the
    // two differ.
    if (bytes == name.toUtf8())
        return name;
    return decodeCp932(bytes);
}
