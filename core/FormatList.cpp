#include "core/FormatList.h"

namespace FormatList {

std::vector<kestrun_format_info> all(const ImageCalls &calls, std::uint32_t flags)
{
    std::vector<kestrun_format_info> formats;
    for (std::int32_t value = 0; value < KESTRUN_FORMAT_COUNT; ++value) {
        kestrun_format_info info{};
        if (calls.kestrun_format_describe(value, &info) == ResultOk
            && (info.flags & flags) == flags)
            formats.push_back(info);
    }
    return formats;
}

std::optional<std::int32_t> named(const ImageCalls &calls, QStringView word, std::uint32_t flags)
{
    for (const kestrun_format_info &info : all(calls, flags))
        if (word == QLatin1String(info.name))
            return info.format;
    return std::nullopt;
}

std::optional<std::int32_t> ofFile(const ImageCalls &calls, const QString &path,
                                   std::uint32_t flags)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || path.indexOf(u'/', dot) >= 0)
        return std::nullopt;
    const QString extension = path.mid(dot + 1).toLower();
    for (const kestrun_format_info &info : all(calls, flags))
        if (QString::fromLatin1(info.extensions).split(u' ', Qt::SkipEmptyParts).contains(extension))
            return info.format;
    return std::nullopt;
}

QString name(const ImageCalls &calls, std::int32_t format)
{
    kestrun_format_info info{};
    return calls.kestrun_format_describe(format, &info) == ResultOk ? QLatin1String(info.name)
                                                                     : QString();
}

QString words(const ImageCalls &calls, std::uint32_t flags)
{
    QStringList names;
    for (const kestrun_format_info &info : all(calls, flags))
        names << QLatin1String(info.name);
    // Joined as a usage line joins choices, which reads alike in every language.
    return names.join(u'|');
}

QString extensions(const ImageCalls &calls, std::uint32_t flags)
{
    QStringList groups;
    for (const kestrun_format_info &info : all(calls, flags)) {
        QStringList dotted;
        for (const QString &extension : QString::fromLatin1(info.extensions).split(u' ', Qt::SkipEmptyParts))
            dotted << u'.' + extension;
        if (!dotted.isEmpty())
            groups << dotted.join(u' ');
    }
    return groups.join(QStringLiteral(", "));
}

} // namespace FormatList
