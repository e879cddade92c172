#include "core/PrivateProfile.h"

#include "core/Cp932.h"
#include "core/HexDigit.h"
#include "core/IniDocument.h"

#include <QList>

#include <algorithm>

namespace {

bool holdsLineBreak(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

// A name or value that would not read back as itself is refused rather
// than written: a line break would plant extra lines in the file.
bool storable(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const QByteArray name = key.trimmed();
    return !holdsLineBreak(section) && !holdsLineBreak(key) && !holdsLineBreak(value)
           && !name.isEmpty() && !name.contains('=') && !name.startsWith(';')
           && !name.startsWith('[');
}

// Decodes hex pairs into bytes; false at the first character that is not a
// hex digit.
bool decodeHex(const QByteArray &digits, QByteArray &bytes)
{
    bytes.resize(digits.size() / 2);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = HexDigit::value(digits.at(2 * i));
        const int low = HexDigit::value(digits.at(2 * i + 1));
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<char>(high * 16 + low);
    }
    return true;
}

unsigned char checkByte(const unsigned char *bytes, qsizetype size)
{
    unsigned sum = 0;
    for (qsizetype i = 0; i < size; ++i)
        sum += bytes[i];
    return static_cast<unsigned char>(sum);
}

qint32 packList(const QList<QByteArray> &items, qint32 size, QByteArray &buffer)
{
    buffer.clear();
    if (size < 2) {
        buffer.fill('\0', size > 0 ? size : 0);
        return 0;
    }
    for (const QByteArray &item : items) {
        // The item, its NUL and the list's closing NUL must all fit.
        if (buffer.size() + item.size() + 2 > size) {
            buffer += Cp932::cut(item, size - 2 - buffer.size());
            buffer.append(size - buffer.size(), '\0');
            return size - 2;
        }
        buffer += item + '\0';
    }
    const auto stored = static_cast<qint32>(buffer.size());
    buffer += '\0';
    return stored;
}

} // namespace

namespace PrivateProfile {

QByteArray getString(const QByteArray &section, const QByteArray &key,
                     const QByteArray &defaultValue, qint32 size, const QString &path)
{
    if (size <= 0)
        return {};
    const QByteArray text = IniDocument::load(path).value(section, key).value_or(defaultValue);
    return Cp932::cut(text, size - 1) + '\0';
}

bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value,
                 const QString &path)
{
    if (!storable(section, key, value))
        return false;
    IniDocument document = IniDocument::load(path);
    if (document.source() == IniDocument::Source::Unreadable)
        return false;
    document.setValue(section, key, value);
    return document.save(path);
}

bool writeStruct(const QByteArray &section, const QByteArray &key, const void *data, qint32 size,
                 const QString &path)
{
    if (size < 0 || (size > 0 && !data))
        return false;
    const QByteArray bytes(static_cast<const char *>(data), size);
    const auto check = static_cast<char>(
        checkByte(reinterpret_cast<const unsigned char *>(bytes.constData()), size));
    return writeString(section, key, (bytes + check).toHex().toUpper(), path);
}

bool getStruct(const QByteArray &section, const QByteArray &key, void *data, qint32 size,
               const QString &path)
{
    if (size < 0 || (size > 0 && !data))
        return false;
    const auto digits = IniDocument::load(path).value(section, key);
    QByteArray bytes;
    if (!digits || digits->size() != 2 * qsizetype(size) + 2 || !decodeHex(*digits, bytes))
        return false;
    const auto *raw = reinterpret_cast<const unsigned char *>(bytes.constData());
    if (checkByte(raw, size) != raw[size])
        return false;
    std::copy(raw, raw + size, static_cast<unsigned char *>(data));
    return true;
}

qint32 getSection(const QByteArray &section, QByteArray &buffer, qint32 size, const QString &path)
{
    return packList(IniDocument::load(path).sectionEntries(section), size, buffer);
}

qint32 getSectionNames(QByteArray &buffer, qint32 size, const QString &path)
{
    return packList(IniDocument::load(path).sectionNames(), size, buffer);
}

} // namespace PrivateProfile
