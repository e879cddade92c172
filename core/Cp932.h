// Text files, the library's messages and the conversions' text are bytes in
// code page 932. These two functions are the program's only way between
// those bytes and QString.
//
// Decoding never loses a byte: a byte that starts no valid character
// (0x80, 0xA0, 0xFD-0xFF, a lead byte without a fitting trail byte, a lead
// byte at the end, both bytes of an unassigned double-byte code) becomes
// the private-use character U+F700 + byte, and
// encoding turns U+F780-U+F7FF back into that byte. So any file, even one
// that is not code page 932 text, survives a load and an unedited save byte
// for byte. The only bytes that do change are the few duplicate codes of
// the code page (for example the NEC-selected IBM extensions ED40-EEFC and
// FA54/81CA for U+FFE2): they decode to the same character as their
// preferred code and are written back as that code, as Windows does too.
//
// Characters code page 932 cannot hold encode to '?'.
//
// The settings file is such text too; its byte-wise scans step over the
// second byte of a double-byte character, which can look like an ASCII
// letter, '[', ']' or '\' (the Cp932 namespace below).
#ifndef PELCOR_CP932_H
#define PELCOR_CP932_H

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

QString decodeCp932(QByteArrayView bytes);
QByteArray encodeCp932(QStringView text);

// Copies the run of ASCII characters that `text` starts with into `out`, a
// byte each (which is what they encode to), sixteen at a time where it can,
// and returns the run's length.
qsizetype narrowAscii(const char16_t *text, qsizetype count, char *out);

// The character an undecodable byte stands for, and back (-1: none).
constexpr char16_t cp932EscapeBase = 0xF700;
constexpr char16_t escapeForByte(unsigned char byte)
{
    return static_cast<char16_t>(cp932EscapeBase + byte);
}
constexpr int byteForEscape(char16_t unit)
{
    return (unit >= escapeForByte(0x80) && unit <= escapeForByte(0xFF)) ? unit - cp932EscapeBase
                                                                        : -1;
}

namespace Cp932 {

bool isLeadByte(char byte);

// Bytes taken by the character at pos: 2 for a complete double-byte
// character, otherwise 1.
qsizetype charLength(QByteArrayView bytes, qsizetype pos);

// At most maxBytes bytes, without the first half of a character cut in two.
QByteArray cut(const QByteArray &bytes, qsizetype maxBytes);

// Name comparison of the private-profile kind: ASCII letters match without
// regard to case, every other character must be the same.
bool equalNames(const QByteArray &a, const QByteArray &b);

} // namespace Cp932

#endif
