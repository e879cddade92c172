#include "core/ConversionPlan.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace {

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
                          : c >= u'A' && c <= u'F'          ? c.unicode() - 'A' + 10
                          : c >= u'a' && c <= u'f'          ? c.unicode() - 'a' + 10
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

QString settingLabel(const QString &key)
{
    static const std::pair<const char16_t *, const char *> labels[] = {
        {u"StartAddress", QT_TRANSLATE_NOOP("ConversionPlan", "ｽﾀｰﾄｱﾄﾞﾚｽ")},
        {u"EndAddress", QT_TRANSLATE_NOOP("ConversionPlan", "ｴﾝﾄﾞｱﾄﾞﾚｽ")},
        {u"BlankChar", QT_TRANSLATE_NOOP("ConversionPlan", "ﾌﾞﾗﾝｸ値")},
        {u"RecordLength", QT_TRANSLATE_NOOP("ConversionPlan", "最大ﾃﾞｰﾀ長")},
        {u"Scope", QT_TRANSLATE_NOOP("ConversionPlan", "領域確保の倍率")},
    };
    for (const auto &[name, label] : labels) {
        if (key == QStringView(name))
            return QCoreApplication::translate("ConversionPlan", label);
    }
    return key;
}

QString settingFaultMessage(const QString &key)
{
    const QString label = settingLabel(key);
    return QCoreApplication::translate("ConversionPlan", "ダンプ設定の値が正しくありません: ")
           + (label == key ? key : label + QStringLiteral(" (") + key + u')');
}

QString reversedRangeMessage(std::uint32_t start, std::uint32_t end)
{
    return QCoreApplication::translate(
               "ConversionPlan",
               "アドレス範囲が逆です: %1 (ｽﾀｰﾄｱﾄﾞﾚｽ) が %2 (ｴﾝﾄﾞｱﾄﾞﾚｽ) より後ろにあります")
        .arg(hexWithoutZeros(static_cast<std::int32_t>(start)),
             hexWithoutZeros(static_cast<std::int32_t>(end)));
}

QString rangeBeyondDataMessage(std::uint32_t start, std::uint32_t end, std::uint64_t size)
{
    return QCoreApplication::translate(
               "ConversionPlan",
               "アドレス範囲 %1 - %2 にはデータがありません (データは %3 バイトです)")
        .arg(hexWithoutZeros(static_cast<std::int32_t>(start)),
             hexWithoutZeros(static_cast<std::int32_t>(end)), QString::number(size));
}

QString addressesBeyond32Message(std::uint32_t base, std::uint64_t length)
{
    return QCoreApplication::translate("ConversionPlan",
                                       "アドレスが 32 ビットを超えます: %1 から %2 バイト")
        .arg(QString::number(base, 16).toUpper().rightJustified(8, u'0'), QString::number(length));
}

QString outputTooLargeMessage(std::uint64_t bytes)
{
    return QCoreApplication::translate(
               "ConversionPlan",
               "結果が大きすぎます: %1 バイト (%2 MiB)。扱えるのは %3 バイトまでです")
        .arg(QString::number(bytes), QString::number((bytes + 0xFFFFF) >> 20),
             QString::number(kLargestBuffer));
}

QString largeImageQuestion(std::uint64_t bytes, std::uint32_t lowest, std::uint32_t highest)
{
    return QStringLiteral("バイナリは %1 バイト (%2 MiB) になります。\n"
                          "データのアドレスは %3 から %4 までです。\n"
                          "このまま作りますか？\n(いいえ: ダンプ設定でアドレス範囲を指定できます)")
        .arg(QString::number(bytes), QString::number((bytes + 0xFFFFF) >> 20),
             QString::number(lowest, 16).toUpper().rightJustified(8, u'0'),
             QString::number(highest, 16).toUpper().rightJustified(8, u'0'));
}

QString largeDumpQuestion(std::uint64_t bytes, std::uint32_t lowest, std::uint32_t highest)
{
    return QStringLiteral("ダンプは %1 バイト (%2 MiB) 分になります。\n"
                          "データのアドレスは %3 から %4 までです。\n"
                          "このまま作りますか？\n(いいえ: ダンプ設定でアドレス範囲を指定できます)")
        .arg(QString::number(bytes), QString::number((bytes + 0xFFFFF) >> 20),
             QString::number(lowest, 16).toUpper().rightJustified(8, u'0'),
             QString::number(highest, 16).toUpper().rightJustified(8, u'0'));
}

QString fromLowestChoice(std::uint32_t lowest, std::uint32_t highest)
{
    const std::uint64_t bytes = std::uint64_t(highest) - lowest + 1;
    const QString size = bytes < (1u << 20) ? QStringLiteral("%1 KiB").arg((bytes + 0x3FF) >> 10)
                                            : QStringLiteral("%1 MiB").arg((bytes + 0xFFFFF) >> 20);
    return QStringLiteral("最下位ｱﾄﾞﾚｽから(&L) (%1)").arg(size);
}

QString emptyWindowQuestion(std::uint32_t first, std::uint32_t last,
                            std::optional<std::pair<std::uint32_t, std::uint32_t>> data)
{
    auto hex = [](std::uint32_t value) {
        return QString::number(value, 16).toUpper().rightJustified(8, u'0');
    };
    const std::uint64_t bytes = std::uint64_t(last) - first + 1;
    const QString where = data ? QStringLiteral("データのアドレスは %1 から %2 までです。")
                                     .arg(hex(data->first), hex(data->second))
                               : QStringLiteral("ファイルにデータがありません。");
    return QStringLiteral("ﾃﾞｰﾀのない範囲です: %1 - %2 (%3 バイト)。\n%4\n"
                          "このまま作りますか？\n(いいえ: ダンプ設定でアドレス範囲を指定できます)")
        .arg(hex(first), hex(last), QString::number(bytes), where);
}

namespace {

QString headerLines(const QString &fileName, const QString &addresses, const QString &checksum,
                    const QString &lineEnd)
{
    const QStringList lines{
        QString(29, u' ') + QStringLiteral("Vantrel"),
        QString(36, u' ') + QStringLiteral("Version 2.01"),
        QString(),
        QStringLiteral("        FileName :  ") + fileName,
        QStringLiteral("        Address  :  ") + addresses,
        QStringLiteral("        CheckSum :  ") + checksum,
        QString(),
    };
    return lines.join(lineEnd) + lineEnd;
}

} // namespace

QString DumpHeader(const QString &fileName, std::int32_t start, std::int32_t end,
                   const QString &checksum, const QString &lineEnd)
{
    return headerLines(fileName,
                       hexWithoutZeros(start) + QStringLiteral(" - ") + hexWithoutZeros(end),
                       checksum, lineEnd);
}

QString DumpHeaderWithoutData(const QString &fileName, const QString &checksum,
                              const QString &lineEnd)
{
    return headerLines(fileName, QStringLiteral("none"), checksum, lineEnd);
}

QString dumpHeading(const QString &lineEnd)
{
    QString rule = QStringLiteral("    --------  ");
    for (int i = 0; i < 16; ++i)
        rule += i < 15 ? QStringLiteral("-- ") : QStringLiteral("--");
    rule += QStringLiteral("  ") + QString(16, u'-');
    return QStringLiteral(
               "     Address   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F        ASCII")
           + lineEnd + rule + lineEnd;
}
