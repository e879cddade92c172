#include "core/IniDocument.h"

#include "core/Cp932.h"
#include "core/LocalPath.h"
#include "core/SafeFileWriter.h"

#include <QFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray crLf("\r\n");
const QByteArray utf8Mark("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks are single bytes that never occur inside a double-byte character,
// so trimming may look at the bytes alone.
QByteArray trimmed(const QByteArray &bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes.at(begin)))
        ++begin;
    while (end > begin && isBlank(bytes.at(end - 1)))
        --end;
    return bytes.mid(begin, end - begin);
}

QByteArray unquoted(const QByteArray &value)
{
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    IniDocument document;
    document.m_source = Source::Read;
    document.m_utf8 = bytes.startsWith(utf8Mark);
    qsizetype start = document.m_utf8 ? utf8Mark.size() : 0;
    while (start < bytes.size()) {
        qsizetype stop = start;
        while (stop < bytes.size() && bytes.at(stop) != '\r' && bytes.at(stop) != '\n')
            ++stop;
        qsizetype next = stop;
        if (next < bytes.size())
            next +=
                (bytes.at(next) == '\r' && next + 1 < bytes.size() && bytes.at(next + 1) == '\n')
                    ? 2
                    : 1;
        document.m_lines.append({bytes.mid(start, stop - start), bytes.mid(stop, next - stop)});
        start = next;
    }
    return document;
}

IniDocument IniDocument::load(const QString &path)
{
    // By the name's own bytes, which need not be UTF-8.
    const QByteArray local = LocalPath::encode(path);
    struct stat status;
    if (path.isEmpty() || ::stat(local.constData(), &status) != 0)
        return {};
    IniDocument document;
    document.m_source = Source::Unreadable;
    // Not blocking: a FIFO put in the file's place after the stat must not
    // hold the program in open(). What was opened is checked again.
    const int fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return document;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return document;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > LargestFile)
        return document;
    // One byte more than allowed tells a file that grew since.
    const QByteArray bytes = file.read(LargestFile + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > LargestFile)
        return document;
    return fromBytes(bytes);
}

QByteArray IniDocument::toBytes() const
{
    QByteArray bytes = m_utf8 ? utf8Mark : QByteArray();
    for (const Line &line : m_lines)
        bytes += line.text + line.end;
    return bytes;
}

bool IniDocument::save(const QString &path) const
{
    if (path.isEmpty())
        return false;
    // As every save: the old file stays whole until the new one is, and
    // keeps its mode, owner and other names.
    return SafeFileWriter::writeWhole(path, toBytes());
}

std::optional<QByteArray> IniDocument::value(const QByteArray &section, const QByteArray &key) const
{
    const auto header = findSection(section);
    if (!header)
        return std::nullopt;
    const auto line = findKey(*header, key);
    if (!line)
        return std::nullopt;
    return fromFile(entry(m_lines.at(*line).text)->value);
}

void IniDocument::setValue(const QByteArray &section, const QByteArray &key,
                           const QByteArray &given)
{
    const QByteArray value = toFile(given);
    const auto header = findSection(section);
    if (!header) {
        append('[' + trimmed(section) + ']');
        append(trimmed(key) + '=' + value);
        return;
    }
    if (const auto line = findKey(*header, key)) {
        m_lines[*line] = {entry(m_lines.at(*line).text)->key + '=' + value, crLf};
        return;
    }
    // A new key goes after the section's last key, so that blank lines and
    // comments that lead into the next section stay in front of it.
    qsizetype after = *header;
    const qsizetype end = sectionEnd(*header);
    for (qsizetype i = *header + 1; i < end; ++i) {
        if (entry(m_lines.at(i).text))
            after = i;
    }
    if (m_lines[after].end.isEmpty())
        m_lines[after].end = crLf;
    m_lines.insert(after + 1, {trimmed(key) + '=' + value, crLf});
}

QList<QByteArray> IniDocument::sectionNames() const
{
    QList<QByteArray> names;
    for (const Line &line : m_lines) {
        if (const auto name = headerName(line.text))
            names.append(*name);
    }
    return names;
}

QList<QByteArray> IniDocument::sectionEntries(const QByteArray &section) const
{
    QList<QByteArray> entries;
    const auto header = findSection(section);
    if (!header)
        return entries;
    const qsizetype end = sectionEnd(*header);
    for (qsizetype i = *header + 1; i < end; ++i) {
        if (const auto found = entry(m_lines.at(i).text))
            entries.append(found->key + '=' + fromFile(found->value));
    }
    return entries;
}

std::optional<QByteArray> IniDocument::headerName(const QByteArray &line) const
{
    const QByteArray text = trimmed(line);
    if (!text.startsWith('['))
        return std::nullopt;
    // The last ']' that is a character of its own closes the name; one that
    // is the second byte of a double-byte character does not. No byte of a
    // UTF-8 sequence is ASCII.
    qsizetype close = -1;
    for (qsizetype i = 1; i < text.size(); i += m_utf8 ? 1 : Cp932::charLength(text, i)) {
        if (text.at(i) == ']')
            close = i;
    }
    if (close < 0)
        return std::nullopt;
    return trimmed(text.mid(1, close - 1));
}

std::optional<IniDocument::Entry> IniDocument::entry(const QByteArray &line)
{
    const QByteArray text = trimmed(line);
    if (text.isEmpty() || text.startsWith(';') || text.startsWith('['))
        return std::nullopt;
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return std::nullopt;
    const QByteArray key = trimmed(text.left(equals));
    if (key.isEmpty())
        return std::nullopt;
    return Entry{key, unquoted(trimmed(text.mid(equals + 1)))};
}

QByteArray IniDocument::toFile(const QByteArray &value) const
{
    return m_utf8 ? decodeCp932(value).toUtf8() : value;
}

// Bytes that are not UTF-8 after all are handed out as they are.
QByteArray IniDocument::fromFile(const QByteArray &value) const
{
    if (!m_utf8)
        return value;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(value);
    return decoder.hasError() ? value : encodeCp932(text);
}

std::optional<qsizetype> IniDocument::findSection(const QByteArray &name) const
{
    const QByteArray wanted = trimmed(name);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto found = headerName(m_lines.at(i).text);
        if (found && Cp932::equalNames(*found, wanted))
            return i;
    }
    return std::nullopt;
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && !headerName(m_lines.at(i).text))
        ++i;
    return i;
}

std::optional<qsizetype> IniDocument::findKey(qsizetype header, const QByteArray &key) const
{
    const QByteArray wanted = trimmed(key);
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto found = entry(m_lines.at(i).text);
        if (found && Cp932::equalNames(found->key, wanted))
            return i;
    }
    return std::nullopt;
}

void IniDocument::append(const QByteArray &text)
{
    if (!m_lines.isEmpty() && m_lines.last().end.isEmpty())
        m_lines.last().end = crLf;
    m_lines.append({text, crLf});
}
