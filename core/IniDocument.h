#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The text of one INI file as code page 932 bytes, line by line. Lookups
// follow the private-profile rules: names match without regard to ASCII
// case, blanks around names and values do not count, and a value in one
// pair of double quotes loses them. Writing a key touches only its own
// line; every other line keeps its bytes and its line end.
//
// A file that starts with a UTF-8 byte order mark (as some editors save
// it) holds UTF-8 behind the mark: its values are handed out and taken in
// as code page 932 all the same, and the mark stays where it was.
class IniDocument {
public:
    enum class Source { Missing, Read, Unreadable };

    // A settings file is a few hundred bytes; a regular file beyond this
    // size is none, and reading it whole would cost the memory it claims.
    static constexpr qint64 LargestFile = 1 << 20;

    static IniDocument fromBytes(const QByteArray &bytes);
    // Missing when nothing is there; Unreadable for anything but a regular
    // file of at most LargestFile bytes that can be read. Never waits on a
    // FIFO or reads a device.
    static IniDocument load(const QString &path);

    Source source() const { return m_source; }
    QByteArray toBytes() const;

    // Replaces the file through a temporary file in the same folder, so a
    // failure leaves the old file as it was.
    bool save(const QString &path) const;

    std::optional<QByteArray> value(const QByteArray &section, const QByteArray &key) const;
    void setValue(const QByteArray &section, const QByteArray &key, const QByteArray &value);

    bool hasSection(const QByteArray &section) const { return findSection(section).has_value(); }
    QList<QByteArray> sectionNames() const;
    // The entries of the first section of that name, as "key=value".
    QList<QByteArray> sectionEntries(const QByteArray &section) const;

private:
    struct Line {
        QByteArray text;
        QByteArray end;
    };
    struct Entry {
        QByteArray key;
        QByteArray value;
    };

    std::optional<QByteArray> headerName(const QByteArray &line) const;
    static std::optional<Entry> entry(const QByteArray &line);
    // A value's bytes in the file and as code page 932.
    QByteArray toFile(const QByteArray &value) const;
    QByteArray fromFile(const QByteArray &value) const;

    std::optional<qsizetype> findSection(const QByteArray &name) const;
    qsizetype sectionEnd(qsizetype header) const;
    std::optional<qsizetype> findKey(qsizetype header, const QByteArray &key) const;
    void append(const QByteArray &text);

    QList<Line> m_lines;
    Source m_source = Source::Missing;
    bool m_utf8 = false;
};
