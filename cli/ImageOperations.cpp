#include "ImageOperations.h"

#include "StampOperations.h"
#include "MessageLanguage.h"

#include "core/HexNumber.h"

#include <QCoreApplication>

#include <optional>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ImageOperations", text);
}

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

QString readByteSwap(const QString &text, ImageOperation &op)
{
    const auto width = HexNumber::read(text, 8);
    if (!width || (*width != 2 && *width != 4 && *width != 8))
        return tr("%1: 語の幅は 2、4、8 のどれかです").arg(op.given);
    op.width = std::uint32_t(*width);
    return QString();
}

// MULTIPLE OFFSET [WIDTH]: a lane that lies within its group.
QString readLane(const QStringList &words, ImageOperation &op)
{
    const auto multiple = HexNumber::read(words[0]), offset = HexNumber::read(words[1]);
    const auto width = words.size() > 2 ? HexNumber::read(words[2]) : std::optional<std::uint64_t>(1);
    if (!multiple || !offset || !width)
        return tr("%1: MULTIPLE OFFSET [WIDTH] は 16 進数です").arg(op.given);
    if (*multiple == 0 || *width == 0 || *offset + *width > *multiple)
        return tr("%1: MULTIPLE と WIDTH は 1 以上で、OFFSET + WIDTH は MULTIPLE を超えられません")
            .arg(op.given);
    op.multiple = std::uint32_t(*multiple);
    op.laneOffset = std::uint32_t(*offset);
    op.width = std::uint32_t(*width);
    return QString();
}

struct Row {
    const char *name;
    Kind kind;
    int words;
    QString (*read)(const QStringList &words, ImageOperation &op);
    std::int32_t (*apply)(const ImageCalls &c, kestrun_image *image, const ImageOperation &op);
    // A last word taken when it reads as a number (--split's WIDTH), and
    // the words' names for a usage error.
    bool optionalNumber = false;
    const char *needs = nullptr;
    // An operation that says itself why it fails, in place of `apply`.
    QString (*run)(const ImageCalls &c, kestrun_image *image, const ImageOperation &op,
                   OperationContext &context) = nullptr;
    // The modifiers that may follow it ("width endian") and their reader;
    // `finish` checks the whole once they are read.
    const char *modifiers = "";
    QString (*modify)(const QString &name, const QString &value, ImageOperation &op) = nullptr;
    QString (*finish)(ImageOperation &op) = nullptr;
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
    {"byte-swap", Kind::ByteSwap, 1,
     [](const QStringList &w, ImageOperation &op) { return readByteSwap(w[0], op); },
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_byte_swap(image, op.width);
     },
     false, "2|4|8"},
    {"split", Kind::Split, 2, readLane,
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_split(image, op.multiple, op.laneOffset, op.width);
     },
     true, "MULTIPLE OFFSET [WIDTH]"},
    {"unsplit", Kind::Unsplit, 2, readLane,
     [](const ImageCalls &c, kestrun_image *image, const ImageOperation &op) {
         return c.kestrun_image_unsplit(image, op.multiple, op.laneOffset, op.width);
     },
     true, "MULTIPLE OFFSET [WIDTH]"},
    {"insert-length", Kind::InsertLength, 1, StampOperations::readSlot, nullptr,
     false, nullptr, StampOperations::insertLength, "width endian", StampOperations::modify,
     StampOperations::finishLength},
    {"serial", Kind::Serial, 1, StampOperations::readSerial, nullptr, false, nullptr,
     StampOperations::serial,
     "width endian count", StampOperations::modify, StampOperations::finishSerial},
    {"replace", Kind::Replace, 1, StampOperations::readReplace, nullptr, false, nullptr,
     StampOperations::replace},
};

// The modifier `word` names ("--width" or "--width=2"), when `row` takes it.
QString modifierOf(const Row &row, const QString &word)
{
    if (!word.startsWith(QStringLiteral("--")))
        return QString();
    const QString name = word.mid(2).section(u'=', 0, 0);
    return !name.isEmpty() && QString::fromLatin1(row.modifiers).split(u' ').contains(name) ? name
                                                                                           : QString();
}

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
        if (row->optionalNumber && values.size() == row->words && i + 1 < arguments.size()
            && HexNumber::read(arguments[i + 1]))
            values += arguments[++i];
        ImageOperation op;
        op.kind = row->kind;
        op.given = QStringLiteral("--%1 %2").arg(QLatin1String(row->name), values.join(u' '));
        if (values.size() < row->words)
            return MessageLanguage::text("--%1 needs %2")
                .arg(QLatin1String(row->name),
                     row->needs ? QString::fromLatin1(row->needs)
                     : row->words == 2 ? MessageLanguage::text("LOW-HIGH BYTES")
                                       : MessageLanguage::text("a value"));
        if (const QString error = row->read(values, op); !error.isEmpty())
            return error;
        for (QString name; i + 1 < arguments.size()
                           && !(name = modifierOf(*row, arguments[i + 1])).isEmpty();) {
            const QString &given = arguments[++i];
            const qsizetype at = given.indexOf(u'=');
            if (at < 0 && i + 1 >= arguments.size())
                return QCoreApplication::translate("ImageOperations", "%1 の --%2 には値が要ります")
                    .arg(op.given, name);
            const QString value = at >= 0 ? given.mid(at + 1) : arguments[++i];
            if (const QString error = row->modify(name, value, op); !error.isEmpty())
                return error;
        }
        if (row->finish)
            if (const QString error = row->finish(op); !error.isEmpty())
                return error;
        operations.push_back(op);
    }
    arguments = rest;
    return QString();
}

QString applyImageOperations(const ImageCalls &calls, kestrun_image *image,
                             const std::vector<ImageOperation> &operations,
                             OperationContext *context)
{
    OperationContext own;
    for (const ImageOperation &op : operations) {
        const Row &row = rowOf(op.kind);
        if (row.run) {
            if (const QString error = row.run(calls, image, op, context ? *context : own);
                !error.isEmpty())
                return QStringLiteral("%1: %2").arg(op.given, error);
            continue;
        }
        const std::int32_t rc = row.apply(calls, image, op);
        if (rc == ResultAddressFault)
            return MessageLanguage::text("%1: an address would leave 00000000-FFFFFFFF")
                .arg(op.given);
        if (rc < 0)
            return MessageLanguage::text("%1: failed (%2)").arg(op.given).arg(rc);
    }
    return QString();
}

std::uint32_t imageCount(const std::vector<ImageOperation> &operations)
{
    for (const ImageOperation &op : operations)
        if (op.kind == Kind::Serial)
            return op.count;
    return 1;
}
