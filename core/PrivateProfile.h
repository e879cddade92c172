#pragma once

#include <QByteArray>
#include <QString>

// The private-profile calls that the INI store is built on, over our own INI
// reader and writer. Names and values are code page 932 bytes. Every call
// opens, reads and (for writes) replaces the file itself, and holds nothing
// between calls. Reads fill what a caller's buffer of `size` bytes would
// hold: the returned bytes are the written part, the rest stays zero.
namespace PrivateProfile {

// The key's value, or defaultValue when the file, section or key is
// absent, cut to size - 1 bytes and followed by a NUL; nothing when size
// is 0 or less.
QByteArray getString(const QByteArray &section, const QByteArray &key,
                     const QByteArray &defaultValue, qint32 size, const QString &path);

// Creates the file, section or key as needed. False when the text cannot
// be stored as one line or the file cannot be replaced; an existing file
// that cannot be read is never overwritten.
bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value,
                 const QString &path);

// Stores size bytes as two upper-case hex digits each, followed by the two
// digits of their sum's low byte.
bool writeStruct(const QByteArray &section, const QByteArray &key, const void *data, qint32 size,
                 const QString &path);

// Writes data only on success: the key exists, holds exactly 2 * size + 2
// hex digits, and the check byte matches.
bool getStruct(const QByteArray &section, const QByteArray &key, void *data, qint32 size,
               const QString &path);

// Lists of "key=value" lines and of section names: each item ended by a
// NUL, the list by a second one. A list too long for size bytes is cut,
// ends in two NULs and counts size - 2. Returns the bytes stored without
// the final NUL; buffer receives what was written.
qint32 getSection(const QByteArray &section, QByteArray &buffer, qint32 size, const QString &path);
qint32 getSectionNames(QByteArray &buffer, qint32 size, const QString &path);

} // namespace PrivateProfile
