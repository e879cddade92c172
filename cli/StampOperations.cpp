#include "StampOperations.h"

#include "core/CheckRange.h"
#include "core/HexNumber.h"
#include "core/HexText.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("StampOperations", text);
}

std::optional<std::uint32_t> decimal(const QString &text, std::uint32_t lowest,
                                     std::uint32_t highest)
{
    bool ok = false;
    const std::uint32_t value = text.toUInt(&ok, 10);
    return ok && value >= lowest && value <= highest ? std::optional(value) : std::nullopt;
}

QString readBytes(const QString &text, QByteArray &into)
{
    if (text.isEmpty() || text.size() % 2 != 0 || text.size() > 512)
        return QStringLiteral("x");
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const auto byte = HexNumber::read(QStringView(text).mid(i, 2), 0xFF);
        if (!byte)
            return QStringLiteral("x");
        into.append(char(*byte));
    }
    return QString();
}

QString slotPastEnd(const ImageOperation &op)
{
    return std::uint64_t(op.low) + op.width > std::uint64_t(UINT32_MAX) + 1
               ? tr("%1: %2 バイトの値が FFFFFFFF を越えます").arg(op.given).arg(op.width)
               : QString();
}

} // namespace

namespace StampOperations {

QString readSlot(const QStringList &words, ImageOperation &op)
{
    const auto slot = HexNumber::read(words[0], UINT32_MAX);
    if (!slot)
        return tr("%1: 16 進のアドレス (FFFFFFFF まで) ではありません").arg(op.given);
    op.low = std::uint32_t(*slot);
    return QString();
}

QString readSerial(const QStringList &words, ImageOperation &op)
{
    const QString &text = words[0];
    const qsizetype equals = text.indexOf(u'='), plus = text.indexOf(u'+', equals);
    const auto slot = HexNumber::read(QStringView(text).left(equals), UINT32_MAX);
    const auto first = HexNumber::read(
        QStringView(text).mid(equals + 1, plus < 0 ? -1 : plus - equals - 1), UINT64_MAX);
    const auto step = plus < 0 ? std::optional<std::uint64_t>(1)
                               : HexNumber::read(QStringView(text).mid(plus + 1), UINT64_MAX);
    if (equals < 0 || !slot || !first || !step)
        return tr("%1: ADDR=FIRST[+STEP] (16 進) ではありません").arg(op.given);
    op.low = std::uint32_t(*slot);
    op.first = *first;
    op.step = *step;
    return QString();
}

QString readReplace(const QStringList &words, ImageOperation &op)
{
    const QString &text = words[0];
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0 || !readBytes(text.left(equals), op.pattern).isEmpty()
        || !readBytes(text.mid(equals + 1), op.replacement).isEmpty()
        || op.pattern.size() != op.replacement.size())
        return tr("%1: FIND=REPLACE は同じ長さの 16 進バイト列 (1-256 バイト) で指定してください")
            .arg(op.given);
    return QString();
}

QString modify(const QString &name, const QString &value, ImageOperation &op)
{
    if (name == u"endian") {
        if (value != u"little" && value != u"big")
            return tr("%1 の --endian %2: little か big を指定してください").arg(op.given, value);
        op.endian = value == u"big" ? KESTRUN_BIG_ENDIAN : KESTRUN_LITTLE_ENDIAN;
        return QString();
    }
    const bool width = name == u"width";
    const auto number = decimal(value, 1, width ? 8 : 1000000);
    if (!number)
        return tr("%1 の --%2 %3: %4 から %5 までの 10 進数ではありません")
            .arg(op.given, name, value)
            .arg(1)
            .arg(width ? 8 : 1000000);
    (width ? op.width : op.count) = *number;
    return QString();
}

QString finishLength(ImageOperation &op)
{
    if (op.width != 1 && op.width != 2 && op.width != 4)
        return tr("%1: 長さの --width は 1, 2, 4 のどれかです").arg(op.given);
    return slotPastEnd(op);
}

QString finishSerial(ImageOperation &op)
{
    // The last number, FIRST + (COUNT - 1) * STEP, in 128 bits so that
    // nothing wraps before it is compared.
    const unsigned __int128 last =
        static_cast<unsigned __int128>(op.first) + static_cast<unsigned __int128>(op.count - 1) * op.step;
    const unsigned __int128 room = static_cast<unsigned __int128>(1) << (8 * op.width);
    if (last >= room)
        return tr("%1: %2 番目の番号は %3 バイトに収まりません").arg(op.given).arg(op.count).arg(op.width);
    return slotPastEnd(op);
}

QString insertLength(const ImageCalls &calls, kestrun_image *image, const ImageOperation &op,
                     OperationContext &context)
{
    const CheckRange::Insertion done = CheckRange::insertLength(
        calls, image, std::nullopt, op.low, op.width, op.endian, context.policy);
    switch (done.fault) {
    case CheckRange::Fault::None:
        return QString();
    case CheckRange::Fault::NoData:
        return tr("長さを測るデータがありません");
    case CheckRange::Fault::TooWide:
        return tr("長さ %1 は %2 バイトに収まりません").arg(hexDigits(done.value)).arg(op.width);
    case CheckRange::Fault::SlotHeld:
        return tr("長さを置く %1-%2 には別のデータがあります。その上に書くには --overlap last "
                  "を指定してください")
            .arg(hexDigits(done.over->low), hexDigits(done.over->high));
    default:
        return tr("長さを書けません (%1)").arg(done.rc);
    }
}

QString serial(const ImageCalls &calls, kestrun_image *image, const ImageOperation &op,
               OperationContext &context)
{
    const std::uint64_t number = op.first + std::uint64_t(context.index - 1) * op.step;
    const QByteArray bytes = CheckRange::valueBytes(number, op.width, op.endian);
    const std::int32_t rc = calls.kestrun_image_put(
        image, op.low, reinterpret_cast<const std::uint8_t *>(bytes.constData()), op.width);
    return rc < 0 ? tr("番号を書けません (%1)").arg(rc) : QString();
}

QString replace(const ImageCalls &calls, kestrun_image *image, const ImageOperation &op,
                OperationContext &context)
{
    std::uint64_t count = 0;
    const std::int32_t rc = calls.kestrun_image_replace(
        image, reinterpret_cast<const std::uint8_t *>(op.pattern.constData()),
        reinterpret_cast<const std::uint8_t *>(op.replacement.constData()),
        std::uint32_t(op.pattern.size()), &count);
    if (rc < 0)
        return tr("置き換えられません (%1)").arg(rc);
    context.notes << tr("kestrun: %1: %2 か所を置き換えました").arg(op.given).arg(count);
    return QString();
}

QString outputName(const QString &pattern, std::uint32_t index)
{
    static const QRegularExpression kIndex(QStringLiteral("%(0([1-9]))?u"));
    const QRegularExpressionMatch found = kIndex.match(pattern);
    if (!found.hasMatch())
        return QString();
    const int digits = found.captured(2).isEmpty() ? 0 : found.captured(2).toInt();
    QString name = pattern;
    return name.replace(found.capturedStart(), found.capturedLength(),
                        QString::number(index).rightJustified(digits, u'0'));
}

} // namespace StampOperations
