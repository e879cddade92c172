#pragma once

#include <QByteArray>
#include <QString>

// The settings file is bytes in code page 932. These helpers convert texts
// at the edge and let the INI code work on the bytes without ever splitting
// a double-byte character: its second byte can look like an ASCII letter,
// '[', ']' or '\', so byte-wise scans must step over it.
namespace Cp932 {

// Characters code page 932 cannot hold become '?', as the platform does.
QByteArray encode(const QString &text);

// Invalid or truncated byte sequences become U+FFFD.
QString decode(const QByteArray &bytes);

bool isLeadByte(char byte);

// Bytes taken by the character at pos: 2 for a complete double-byte
// character, otherwise 1.
qsizetype charLength(const QByteArray &bytes, qsizetype pos);

// At most maxBytes bytes, without the first half of a character cut in two.
QByteArray cut(const QByteArray &bytes, qsizetype maxBytes);

// Name comparison of the private-profile kind: ASCII letters match without
// regard to case, every other character must be the same.
bool equalNames(const QByteArray &a, const QByteArray &b);

} // namespace Cp932
