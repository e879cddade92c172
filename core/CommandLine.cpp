#include "core/CommandLine.h"

int ParseCommandLine(const QString &text, QStringList &names)
{
    if (text.isEmpty())
        return 0;
    const qsizetype length = text.size();
    qsizetype p = 0;
    int n = 0;
    while (p < length) {
        const bool quoted = text.at(p) == u'"';
        if (quoted)
            ++p;
        if (names.size() <= n)
            names.append(QString());
        QString &name = names[n];
        qsizetype stop = p;
        if (quoted) {
            while (stop < length && text.at(stop) != u'"')
                ++stop;
        } else {
            while (stop < length && text.at(stop) != u' ' && text.at(stop) != u'\t')
                ++stop;
        }
        name.append(QStringView(text).mid(p, stop - p));
        if (!name.isEmpty())
            ++n;
        p = stop + 1;
    }
    return n;
}

QString joinArguments(const QStringList &arguments)
{
    QStringList parts;
    parts.reserve(arguments.size());
    for (const QString &argument : arguments) {
        if (argument.contains(u' ') || argument.contains(u'\t'))
            parts.append(u'"' + argument + u'"');
        else
            parts.append(argument);
    }
    return parts.join(u' ');
}
