#include "PatchOperations.h"

#include "core/Cp932.h"
#include "core/HexNumber.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PatchOperations", text);
}

bool fits(std::uint32_t address, qsizetype count)
{
    return std::uint64_t(address) + std::uint64_t(count) <= (std::uint64_t(1) << 32);
}

// Hex byte pairs, 0x allowed before them: "DEADBEEF".
bool hexBytes(QString text, QByteArray &bytes)
{
    if (text.startsWith(u"0x") || text.startsWith(u"0X"))
        text = text.mid(2);
    if (text.isEmpty() || text.size() % 2 != 0)
        return false;
    for (const QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c.toLower() >= u'a' && c.toLower() <= u'f')))
            return false;
    bytes = QByteArray::fromHex(text.toLatin1());
    return true;
}

// "LOW-HIGH", inclusive.
bool range(const QString &text, std::uint32_t &low, std::uint32_t &high)
{
    const QStringList parts = text.split(u'-');
    if (parts.size() != 2)
        return false;
    const auto l = HexNumber::read(parts[0]), h = HexNumber::read(parts[1]);
    if (!l || !h || *h < *l)
        return false;
    low = std::uint32_t(*l);
    high = std::uint32_t(*h);
    return true;
}

bool isOption(const QString &word, const char *name)
{
    return word == QLatin1String(name) || word.startsWith(QLatin1String(name) + u'=');
}

// The value of `--name=value`, or the next word of `--name value` (taken).
bool takeValue(QStringList &arguments, qsizetype at, QString &value)
{
    const QString &word = arguments[at];
    if (const qsizetype equals = word.indexOf(u'='); equals > 0) {
        value = word.mid(equals + 1);
        return true;
    }
    if (at + 1 >= arguments.size())
        return false;
    value = arguments.takeAt(at + 1);
    return true;
}

// --set's or --string's ADDR=VALUE.
QString readAssignment(const QString &value, PatchOperation &op)
{
    const qsizetype equals = value.indexOf(u'=');
    const auto address =
        equals > 0 ? HexNumber::read(QStringView(value).left(equals)) : std::nullopt;
    if (!address)
        return op.isString ? tr("%1: ADDR=TEXT ではありません").arg(op.given)
                           : tr("%1: ADDR=BYTES ではありません").arg(op.given);
    op.low = std::uint32_t(*address);
    op.text = value.mid(equals + 1);
    if (!op.isString && !hexBytes(op.text, op.bytes))
        return tr("%1: BYTES は 16 進数の 2 桁ずつです (例: DEADBEEF)").arg(op.given);
    return QString();
}

// A --string's text as bytes of its encoding.
QString encode(PatchOperation &op)
{
    if (op.encoding == u"ascii") {
        for (const QChar c : op.text)
            if (c.unicode() > 0x7F)
                return tr("%1: ASCII にない文字があります (--encoding utf-8 か cp932 を後に付けてください)")
                    .arg(op.given);
        op.bytes = op.text.toLatin1();
    } else if (op.encoding == u"utf-8") {
        op.bytes = op.text.toUtf8();
    } else if (op.encoding == u"cp932") {
        op.bytes = encodeCp932(op.text);
        if (decodeCp932(op.bytes) != op.text)
            return tr("%1: コードページ 932 にない文字があります").arg(op.given);
    } else {
        return tr("--encoding %1: ascii, utf-8, cp932 のどれかです").arg(op.encoding);
    }
    if (op.bytes.isEmpty())
        return tr("%1: 書くバイトがありません").arg(op.given);
    return QString();
}

} // namespace

QString takePatchOperations(QStringList &arguments, PatchRequest &request)
{
    auto &ops = request.operations;
    for (qsizetype i = 0; i < arguments.size();) {
        const QString word = arguments[i];
        QString value;
        if (word == u"--fix-checksums") {
            request.fixChecksums = true;
        } else if (word == u"--in-place") {
            request.inPlace = true;
        } else if (isOption(word, "--set") || isOption(word, "--string")) {
            PatchOperation op;
            op.isString = word.startsWith(u"--string");
            const QString name = word.section(u'=', 0, 0);
            if (!takeValue(arguments, i, value))
                return op.isString ? tr("--string には ADDR=TEXT が要ります")
                                   : tr("--set には ADDR=BYTES が要ります");
            op.given = name + u' ' + value;
            if (const QString error = readAssignment(value, op); !error.isEmpty())
                return error;
            ops.push_back(op);
        } else if (isOption(word, "--encoding")) {
            if (!takeValue(arguments, i, value))
                return tr("--encoding には ascii, utf-8, cp932 のどれかが要ります");
            if (ops.empty() || !ops.back().isString)
                return tr("--encoding は --string の後に付けます");
            ops.back().encoding = value.toLower();
        } else if (isOption(word, "--fill")) {
            QString pattern;
            if (!takeValue(arguments, i, value) || i + 1 >= arguments.size())
                return tr("--fill には LOW-HIGH BYTES が要ります");
            pattern = arguments.takeAt(i + 1);
            PatchOperation op;
            op.kind = PatchOperation::Kind::Fill;
            op.given = QStringLiteral("--fill %1 %2").arg(value, pattern);
            if (!range(value, op.low, op.high))
                return tr("%1: LOW-HIGH は 16 進数の範囲です (LOW ≦ HIGH)").arg(op.given);
            if (!hexBytes(pattern, op.bytes))
                return tr("%1: BYTES は 16 進数の 2 桁ずつです (例: DEADBEEF)").arg(op.given);
            ops.push_back(op);
        } else if (word == u"--into-gaps") {
            if (ops.empty() || ops.back().kind != PatchOperation::Kind::Fill)
                return tr("--into-gaps は --fill の後に付けます");
            ops.back().intoGaps = true;
        } else {
            ++i;
            continue;
        }
        arguments.removeAt(i);
    }
    for (PatchOperation &op : ops) {
        if (op.isString)
            if (const QString error = encode(op); !error.isEmpty())
                return error;
        if (op.kind == PatchOperation::Kind::Set && !fits(op.low, op.bytes.size()))
            return tr("%1: アドレスが 32 ビットを超えます").arg(op.given);
    }
    return QString();
}
