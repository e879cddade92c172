#include "core/PathRules.h"

#include <algorithm>

QString fileNamePart(const QString &path)
{
    qsizetype cut = -1;
    for (const QChar separator : {u'\\', u'/', u':'})
        cut = std::max(cut, path.lastIndexOf(separator));
    return path.mid(cut + 1);
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
