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
class IniDocument {
public:
    enum class Source { Missing, Read, Unreadable };

    static IniDocument fromBytes(const QByteArray &bytes);
    static IniDocument load(const QString &path);

    Source source() const { return m_source; }
    QByteArray toBytes() const;

    // Replaces the file through a temporary file in the same folder, so a
    // failure leaves the old file as it was.
    bool save(const QString &path) const;

    std::optional<QByteArray> value(const QByteArray &section, const QByteArray &key) const;
    void setValue(const QByteArray &section, const QByteArray &key, const QByteArray &value);

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

    static std::optional<QByteArray> headerName(const QByteArray &line);
    static std::optional<Entry> entry(const QByteArray &line);

    std::optional<qsizetype> findSection(const QByteArray &name) const;
    qsizetype sectionEnd(qsizetype header) const;
    std::optional<qsizetype> findKey(qsizetype header, const QByteArray &key) const;
    void append(const QByteArray &text);

    QList<Line> m_lines;
    Source m_source = Source::Missing;
};
