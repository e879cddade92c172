#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// The program's one way into its settings file: a file path and a current
// section, three lists (keys, values, defaults) for reading and writing a
// block of settings at once, single keys, byte blocks, and enumeration.
//
// Texts are stored in code page 932, and every buffer size counts bytes in
// that encoding. Caller errors (a count beyond the items or slots given, a
// list shorter than a count, a negative BufferSize) throw std::out_of_range
// or std::invalid_argument; SetValue alone turns them into false.
//
// Each operation with a section argument makes a non-empty one the current
// Section, for later operations too; an empty file name means Path.
class ClsIniApi {
public:
    QString Path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    QString Section() const { return m_section; }
    void setSection(const QString &section) { m_section = section; }
    qint32 BufferSize() const { return m_bufferSize; }
    void setBufferSize(qint32 size) { m_bufferSize = size; }

    // Replace a list with the text forms of the first count items (integers
    // as decimal digits). A count of 0 or less empties it.
    void SetArrayKey(qint16 count, const QVariantList &items);
    QStringList GetArrayKey() const { return m_keys; }
    void SetArrayValue(qint16 count, const QVariantList &items);
    QStringList GetArrayValue() const { return m_values; }
    void SetArrayDefault(qint16 count, const QVariantList &items);
    QStringList GetArrayDefault() const { return m_defaults; }

    // With a key, writes value under it. With an empty key, writes every
    // entry of the value list under the key of the same index, in order;
    // true only when the key list is not empty, every key has a value and
    // every write succeeded. Writes made before a failure stay.
    bool SetValue(const QString &value = {}, const QString &key = {}, const QString &section = {},
                  const QString &fileName = {});

    // The key's value, or defaultValue when absent; cut to BufferSize - 1
    // bytes (never inside a character).
    QString GetValue(const QString &key, const QString &defaultValue = {},
                     const QString &section = {}, const QString &fileName = {});

    // A byte block of size bytes under key. GetStruct leaves data untouched
    // unless it returns true.
    bool SetStruct(const void *data, qint32 size, const QString &key, const QString &section = {},
                   const QString &fileName = {});
    bool GetStruct(void *data, qint32 size, const QString &key, const QString &section = {},
                   const QString &fileName = {});

    // Fill the caller's lists (replacing their entries) and return how many
    // were found; with none found they return 0 and leave the lists alone.
    // Lists longer than BufferSize bytes come back cut.
    qint32 EnumSections(QStringList &sections, const QString &fileName = {});
    qint32 EnumKeyAndValue(QStringList &values, QStringList &keys, const QString &section = {},
                           const QString &fileName = {});

    // Reads the first count keys of the key list, with the defaults of the
    // same index, from the current Section of Path into values[0..count-1].
    // Returns count - 1.
    qint16 EnumValues(qint16 count, QStringList &values);

private:
    static void replaceList(QStringList &list, qint16 count, const QVariantList &items);
    void applySection(const QString &section);
    QString fileFor(const QString &fileName) const;
    void checkBufferSize() const;
    bool setAllValues(const QString &path);

    QString m_path;
    QString m_section;
    qint32 m_bufferSize = 1024;
    QStringList m_keys;
    QStringList m_values;
    QStringList m_defaults;
};
