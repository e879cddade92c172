#include "core/ConversionPlan.h"

#include <QStringList>

#include <algorithm>

namespace {

BufferSize checked(std::int64_t bytes, const QString &blame)
{
    if (bytes < 1 || bytes > kLargestBuffer)
        return {0, blame};
    return {bytes, QString()};
}

// Scope x length, blaming Scope when the product does not fit.
BufferSize scoped(const ConversionSettings &s, std::int64_t length)
{
    return checked(std::int64_t(s.scope) * length, QStringLiteral("Scope"));
}

QString hexWithoutZeros(std::int32_t value)
{
    return QString::number(static_cast<std::uint32_t>(value), 16).toUpper();
}

} // namespace

std::optional<std::int32_t> readHexSetting(const QString &text)
{
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QChar c : text) {
        const int digit = c.isDigit() && c.unicode() < 0x80 ? c.unicode() - '0'
                          : c >= u'A' && c <= u'F'            ? c.unicode() - 'A' + 10
                          : c >= u'a' && c <= u'f'            ? c.unicode() - 'a' + 10
                                                              : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + std::uint32_t(digit);
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t lineEndCode(qint16 newLine)
{
    switch (newLine) {
    case 1:
        return 0x000D;
    case 2:
        return 0x000A;
    default:
        return 0x0A0D;
    }
}

QString lineEndText(std::uint32_t code)
{
    QString text(QChar(char16_t(code & 0xFF)));
    if (const char16_t second = (code >> 8) & 0xFF)
        text.append(QChar(second));
    return text;
}

ConversionSettings readConversionSettings(const DumpSettings &settings)
{
    ConversionSettings s;
    s.rangeGiven = settings.AutoAddress == u"0";
    s.noDump = settings.NoDump != 0;
    s.newLine = lineEndCode(settings.NewLine);
    auto read = [&s](const QString &key, const QString &text, std::int32_t &out) {
        if (!s.fault.isEmpty())
            return;
        if (const auto value = readHexSetting(text))
            out = *value;
        else
            s.fault = key;
    };
    if (s.rangeGiven) {
        read(QStringLiteral("StartAddress"), settings.StartAddress, s.start);
        read(QStringLiteral("EndAddress"), settings.EndAddress, s.end);
    }
    std::int32_t blank = 0;
    read(QStringLiteral("BlankChar"), settings.BlankChar, blank);
    read(QStringLiteral("Scope"), settings.Scope, s.scope);
    if (s.fault.isEmpty() && (blank < 0 || blank > 0xFF))
        s.fault = QStringLiteral("BlankChar");
    if (s.fault.isEmpty() && s.scope < 1)
        s.fault = QStringLiteral("Scope");
    s.blank = static_cast<std::uint8_t>(blank);
    const auto recordLength = readHexSetting(settings.RecordLength);
    s.recordLengthUsable = recordLength && *recordLength >= 1 && *recordLength <= 0xFF;
    s.recordLength = s.recordLengthUsable ? *recordLength : 0;
    return s;
}

QString settingFaultMessage(const QString &key)
{
    return QStringLiteral("ダンプ設定の値が正しくありません: ") + key;
}

BufferSize imageBufferSize(const ConversionSettings &s, std::int64_t textLength)
{
    if (s.rangeGiven) {
        const std::int64_t given = std::int64_t(s.end) - s.start + 1024;
        if (given > 0)
            return checked(given, QStringLiteral("EndAddress"));
    }
    return scoped(s, textLength);
}

BufferSize hexTextBufferSize(const ConversionSettings &s, std::int64_t dataLength)
{
    std::int64_t bytes = 0;
    if (s.rangeGiven)
        bytes = std::int64_t(s.scope) * (std::int64_t(s.end) - s.start) + 1024;
    if (bytes <= 0)
        bytes = std::int64_t(s.scope) * dataLength;
    return checked(std::max(bytes, kSmallestTextBuffer), QStringLiteral("Scope"));
}

BufferSize dumpTextBufferSize(const ConversionSettings &s, std::int64_t dataLength)
{
    return checked(std::max(std::int64_t(s.scope) * dataLength, kSmallestTextBuffer),
                   QStringLiteral("Scope"));
}

QString DumpHeader(const QString &fileName, std::int32_t start, std::int32_t end,
                   const QString &checksum, const QString &lineEnd)
{
    const QStringList lines{
        QString(29, u' ') + QStringLiteral("Vantrel"),
        QString(36, u' ') + QStringLiteral("Version 2.01"),
        QString(),
        QStringLiteral("        FileName :  ") + fileName,
        QStringLiteral("        Address  :  ") + hexWithoutZeros(start) + QStringLiteral(" - ")
            + hexWithoutZeros(end),
        QStringLiteral("        CheckSum :  ") + checksum,
        QString(),
    };
    return lines.join(lineEnd) + lineEnd;
}

QString dumpHeading(const QString &lineEnd)
{
    QString rule = QStringLiteral("    --------  ");
    for (int i = 0; i < 16; ++i)
        rule += i < 15 ? QStringLiteral("-- ") : QStringLiteral("--");
    rule += QStringLiteral("  ") + QString(16, u'-');
    return QStringLiteral("     Address   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F        ASCII")
        + lineEnd + rule + lineEnd;
}
