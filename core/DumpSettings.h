#pragma once

#include <QString>

// The conversion and dump settings. Hexadecimal fields stay as the digits
// the user typed or the file held; the conversions read them as numbers
// when they run, so nothing here validates them.
struct DumpSettings {
    QString StartAddress = QStringLiteral("0");
    QString EndAddress = QStringLiteral("0");
    // Only the text "0" selects StartAddress..EndAddress; anything else
    // lets the conversions find the address window themselves.
    QString AutoAddress = QStringLiteral("1");
    QString RecordLength = QStringLiteral("20");
    QString BlankChar = QStringLiteral("FF");
    // Factor for the size of a conversion's output buffer.
    QString Scope = QStringLiteral("0A");
    // Non-zero: the dump conversions give only the checksum.
    qint16 NoDump = 0;
    // 0 = CR LF, 1 = CR, 2 = LF.
    qint16 NewLine = 0;
};
