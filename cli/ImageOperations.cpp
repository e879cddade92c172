#include "ImageOperations.h"

#include "MessageLanguage.h"

#include "core/HexNumber.h"

#include <optional>

namespace {

using Kind = ImageOperation::Kind;

constexpr std::uint64_t kNoAddress = UINT64_MAX;

// "LOW-HIGH", both hexadecimal, LOW not above HIGH.
QString readRange(const QString &text, ImageOperation &op)
{
    const qsizetype dash = text.indexOf(u'-');
    const std::uint64_t low = HexNumber::read(text.left(dash), UINT32_MAX).value_or(kNoAddress);
    const std::uint64_t high =
        dash < 0 ? kNoAddress : HexNumber::read(text.mid(dash + 1), UINT32_MAX).value_or(kNoAddress);
    if (low == kNoAddress || high == kNoAddress)
        return MessageLanguage::text("%1: not a range LOW-HIGH of hexadecimal addresses")
            .arg(op.given);
    if (low > high)
        return MessageLanguage::text("%1: the range runs the wrong way (%2 lies above %3)")
            .arg(op.given, text.left(dash), text.mid(dash + 1));
    op.low = std::uint32_t(low);
    op.high = std::uint32_t(high);
    return QString();
}

QString readPattern(const QString &text, ImageOperation &op)
{
    if (text.isEmpty() || text.size() % 2 != 0 || text.size() > 512)
        return MessageLanguage::text("%1: not 1 to 256 bytes of hexadecimal digit pairs")
            .arg(op.given);
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const auto byte = HexNumber::read(text.mid(i, 2), 0xFF);
        if (!byte)
            return MessageLanguage::text("%1: not 1 to 256 bytes of hexadecimal digit pairs")
                .arg(op.given);
        op.pattern.append(char(*byte));
    }
    return QString();
}

QString readOffset(const QString &text, ImageOperation &op)
{
    const bool negative = text.startsWith(u'-');
    const QString digits = negative || text.startsWith(u'+') ? text.mid(1) : text;
    const auto value = HexNumber::read(digits, UINT32_MAX);
    if (!value)
        return MessageLanguage::text("%1: not a hexadecimal offset [-]N up to FFFFFFFF")
            .arg(op.given);
    op.delta = negative ? -std::int64_t(*value) : std::int64_t(*value);
    return QString();
}

struct Row {
    const char *name;
    Kind kind;
    int words;
    QString (*read)(const QStringList &words, ImageOperation &op);
    std::int32_t (*apply)(const ImageCalls &c, kestrun_image *image, const ImageOperation &op);
};

const Row kOperations[] = {
    {"crop", Kind::Crop, 1, [](const QStringList &w, ImageOperation &op) { return readRange(w[0], op); },
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_crop(image, op.low, op.high);
     }},
    {"exclude", Kind::Exclude, 1,
     [](const QStringList &w, ImageOperation &op) { return readRange(w[0], op); },
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_exclude(image, op.low, op.high);
     }},
    {"fill", Kind::Fill, 2,
     [](const QStringList &w, ImageOperation &op) {
         const QString error = readRange(w[0], op);
         return error.isEmpty() ? readPattern(w[1], op) : error;
     },
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_fill(image, op.low, op.high,
                                     reinterpret_cast<const std::uint8_t *>(op.pattern.constData()),
                                     std::uint32_t(op.pattern.size()));
     }},
    {"offset", Kind::Offset, 1,
     [](const QStringList &w, ImageOperation &op) { return readOffset(w[0], op); },
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_offset(image, op.delta);
     }},
};

const Row *rowFor(const QString &word)
{
    for (const Row &row : kOperations) {
        const QString option = QStringLiteral("--") + QLatin1String(row.name);
        if (word == option || word.startsWith(option + u'='))
            return &row;
    }
    return nullptr;
}

const Row &rowOf(Kind kind)
{
    for (const Row &row : kOperations)
        if (row.kind == kind)
            return row;
    return kOperations[0];
}

} // namespace

bool isImageOperation(const QString &word)
{
    return rowFor(word) != nullptr;
}

QString takeImageOperations(QStringList &arguments, std::vector<ImageOperation> &operations)
{
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments[i];
        if (word == u"--") {
            rest += arguments.mid(i);
            break;
        }
        const Row *row = rowFor(word);
        if (!row) {
            rest += word;
            continue;
        }
        QStringList values;
        const qsizetype equals = word.indexOf(u'=');
        if (equals >= 0)
            values += word.mid(equals + 1);
        while (values.size() < row->words && i + 1 < arguments.size())
            values += arguments[++i];
        ImageOperation op;
        op.kind = row->kind;
        op.given = QStringLiteral("--%1 %2").arg(QLatin1String(row->name), values.join(u' '));
        if (values.size() < row->words)
            return MessageLanguage::text("--%1 needs %2")
                .arg(QLatin1String(row->name), row->words == 2
                                                   ? MessageLanguage::text("LOW-HIGH BYTES")
                                                   : MessageLanguage::text("a value"));
        if (const QString error = row->read(values, op); !error.isEmpty())
            return error;
        operations.push_back(op);
    }
    arguments = rest;
    return QString();
}

QString applyImageOperations(const ImageCalls &calls, kestrun_image *image,
                             const std::vector<ImageOperation> &operations)
{
    for (const ImageOperation &op : operations) {
        const std::int32_t rc = rowOf(op.kind).apply(calls, image, op);
        if (rc == ResultAddressFault)
            return MessageLanguage::text("%1: an address would leave 00000000-FFFFFFFF")
                .arg(op.given);
        if (rc < 0)
            return MessageLanguage::text("%1: failed (%2)").arg(op.given).arg(rc);
    }
    return QString();
}
