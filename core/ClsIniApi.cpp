#include "core/ClsIniApi.h"

#include "core/Cp932.h"
#include "core/PrivateProfile.h"

#include <limits>
#include <stdexcept>

namespace {

QByteArray upToNul(const QByteArray &buffer)
{
    const qsizetype nul = buffer.indexOf('\0');
    return nul < 0 ? buffer : buffer.left(nul);
}

// Splits a NUL-separated list: each item ends at a NUL, and the list ends
// where a NUL follows an item's NUL. Never reads past the buffer.
QList<QByteArray> splitList(const QByteArray &buffer)
{
    QList<QByteArray> items;
    qsizetype start = 0;
    for (qsizetype i = 0; i < buffer.size(); ++i) {
        if (buffer.at(i) != '\0')
            continue;
        items.append(buffer.mid(start, i - start));
        start = i + 1;
        if (start >= buffer.size() || buffer.at(start) == '\0')
            break;
    }
    return items;
}

const QString &at(const QStringList &list, qsizetype index, const char *what)
{
    if (index >= list.size())
        throw std::out_of_range(what);
    return list.at(index);
}

} // namespace

void ClsIniApi::replaceList(QStringList &list, qint16 count, const QVariantList &items)
{
    list.clear();
    for (qint16 i = 0; i < count; ++i) {
        if (i >= items.size())
            throw std::out_of_range("ClsIniApi: fewer items than count");
        list.append(items.at(i).toString());
    }
}

void ClsIniApi::SetArrayKey(qint16 count, const QVariantList &items)
{
    replaceList(m_keys, count, items);
}

void ClsIniApi::SetArrayValue(qint16 count, const QVariantList &items)
{
    replaceList(m_values, count, items);
}

void ClsIniApi::SetArrayDefault(qint16 count, const QVariantList &items)
{
    replaceList(m_defaults, count, items);
}

bool ClsIniApi::SetValue(const QString &value, const QString &key, const QString &section,
                         const QString &fileName)
{
    applySection(section);
    const QString path = fileFor(fileName);
    if (key.isEmpty())
        return setAllValues(path);
    return PrivateProfile::writeString(encodeCp932(m_section), encodeCp932(key), encodeCp932(value),
                                       path);
}

bool ClsIniApi::setAllValues(const QString &path)
{
    if (m_keys.isEmpty())
        return false;
    const QByteArray section = encodeCp932(m_section);
    bool allWritten = true;
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        if (i >= m_values.size())
            return false;
        allWritten &= PrivateProfile::writeString(section, encodeCp932(m_keys.at(i)),
                                                  encodeCp932(m_values.at(i)), path);
    }
    return allWritten;
}

QString ClsIniApi::GetValue(const QString &key, const QString &defaultValue, const QString &section,
                            const QString &fileName)
{
    applySection(section);
    checkBufferSize();
    const QByteArray buffer =
        PrivateProfile::getString(encodeCp932(m_section), encodeCp932(key),
                                  encodeCp932(defaultValue), m_bufferSize, fileFor(fileName));
    return decodeCp932(upToNul(buffer));
}

bool ClsIniApi::SetStruct(const void *data, qint32 size, const QString &key, const QString &section,
                          const QString &fileName)
{
    applySection(section);
    return PrivateProfile::writeStruct(encodeCp932(m_section), encodeCp932(key), data, size,
                                       fileFor(fileName));
}

bool ClsIniApi::GetStruct(void *data, qint32 size, const QString &key, const QString &section,
                          const QString &fileName)
{
    applySection(section);
    return PrivateProfile::getStruct(encodeCp932(m_section), encodeCp932(key), data, size,
                                     fileFor(fileName));
}

qint32 ClsIniApi::EnumSections(QStringList &sections, const QString &fileName)
{
    checkBufferSize();
    QByteArray written;
    if (PrivateProfile::getSectionNames(written, m_bufferSize, fileFor(fileName)) == 0)
        return 0;
    const QList<QByteArray> names = splitList(written);
    sections.clear();
    for (const QByteArray &name : names)
        sections.append(decodeCp932(name));
    return static_cast<qint32>(names.size());
}

qint32 ClsIniApi::EnumKeyAndValue(QStringList &values, QStringList &keys, const QString &section,
                                  const QString &fileName)
{
    applySection(section);
    checkBufferSize();
    QByteArray written;
    if (PrivateProfile::getSection(encodeCp932(m_section), written, m_bufferSize, fileFor(fileName))
        == 0)
        return 0;
    const QList<QByteArray> lines = splitList(written);
    values.clear();
    keys.clear();
    // A line cut short by the buffer may have lost its '='; it then counts
    // as a key without a value.
    for (const QByteArray &line : lines) {
        const qsizetype equals = line.indexOf('=');
        keys.append(decodeCp932(equals < 0 ? line : line.left(equals)));
        values.append(equals < 0 ? QString() : decodeCp932(line.mid(equals + 1)));
    }
    return static_cast<qint32>(lines.size());
}

qint16 ClsIniApi::EnumValues(qint16 count, QStringList &values)
{
    checkBufferSize();
    if (count == std::numeric_limits<qint16>::min())
        throw std::out_of_range("ClsIniApi: count - 1 does not fit");
    const QByteArray section = encodeCp932(m_section);
    for (qint16 i = 0; i < count; ++i) {
        const QString &key = at(m_keys, i, "ClsIniApi: key list shorter than count");
        const QString &fallback = at(m_defaults, i, "ClsIniApi: default list shorter than count");
        if (i >= values.size())
            throw std::out_of_range("ClsIniApi: fewer value slots than count");
        const QByteArray buffer = PrivateProfile::getString(
            section, encodeCp932(key), encodeCp932(fallback), m_bufferSize, m_path);
        if (buffer.contains('\0'))
            values[i] = decodeCp932(upToNul(buffer));
    }
    return static_cast<qint16>(count - 1);
}

void ClsIniApi::applySection(const QString &section)
{
    if (!section.isEmpty())
        m_section = section;
}

QString ClsIniApi::fileFor(const QString &fileName) const
{
    return fileName.isEmpty() ? m_path : fileName;
}

void ClsIniApi::checkBufferSize() const
{
    if (m_bufferSize < 0)
        throw std::invalid_argument("ClsIniApi: negative BufferSize");
}
