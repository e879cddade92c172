#include "ImageJobOptions.h"

#include "InvocationOptions.h"
#include "MessageLanguage.h"

#include "core/HexNumber.h"

#include <QStringList>

namespace {

std::optional<AddressRange> addressRange(const QString &text)
{
    const QStringList parts = text.split(u'-');
    if (parts.size() != 2)
        return std::nullopt;
    const auto low = HexNumber::read(parts[0], UINT32_MAX), high = HexNumber::read(parts[1], UINT32_MAX);
    if (!low || !high)
        return std::nullopt;
    return AddressRange{std::uint32_t(*low), std::uint32_t(*high)};
}

// Which command takes each option; the rest refuse it.
struct Taker {
    const QCommandLineOption ImageJobOptions::*option;
    const char *commands; // space-separated
};

constexpr Taker kTakers[] = {
    {&ImageJobOptions::range, "crc merge convert"},
    {&ImageJobOptions::algorithm, "crc merge convert"},
    {&ImageJobOptions::width, "crc merge convert"},
    {&ImageJobOptions::poly, "crc merge convert"},
    {&ImageJobOptions::init, "crc merge convert"},
    {&ImageJobOptions::refin, "crc merge convert"},
    {&ImageJobOptions::refout, "crc merge convert"},
    {&ImageJobOptions::xorout, "crc merge convert"},
    {&ImageJobOptions::insertCrc, "merge convert"},
    {&ImageJobOptions::verifyCrc, "crc"},
    {&ImageJobOptions::endian, "crc merge convert"},
    {&ImageJobOptions::max, "cmp"},
    {&ImageJobOptions::json, "info"},
};

} // namespace

ImageJobOptions::ImageJobOptions(QCommandLineParser &parser)
{
    for (QCommandLineOption *option : {&range, &algorithm, &width, &poly, &init, &refin, &refout,
                                       &xorout, &insertCrc, &verifyCrc, &endian, &max, &json}) {
        translateDescription(*option);
        parser.addOption(*option);
    }
}

QString ImageJobOptions::read(const QCommandLineParser &parser, const QString &command,
                              ImageJob &job) const
{
    for (const Taker &t : kTakers) {
        const QCommandLineOption &option = this->*t.option;
        if (parser.isSet(option)
            && !QString::fromLatin1(t.commands).split(u' ').contains(command))
            return MessageLanguage::text("--%1 is for %2")
                .arg(option.names().constFirst(),
                     QString::fromLatin1(t.commands).replace(u' ', QStringLiteral(", ")));
    }
    auto address = [&](const QCommandLineOption &option, std::optional<std::uint32_t> &into) {
        if (!parser.isSet(option))
            return QString();
        const auto value = HexNumber::read(parser.value(option), UINT32_MAX);
        if (!value)
            return MessageLanguage::text("--%1 %2: not a hexadecimal address from 0 to FFFFFFFF")
                .arg(option.names().constFirst(), parser.value(option));
        into = std::uint32_t(*value);
        return QString();
    };
    for (const auto &[option, into] : {std::pair{&insertCrc, &job.insertAt}, std::pair{&verifyCrc, &job.verifyAt}})
        if (const QString error = address(*option, *into); !error.isEmpty())
            return error;
    if (parser.isSet(range)) {
        job.range = addressRange(parser.value(range));
        if (!job.range)
            return MessageLanguage::text("--range %1: not LOW-HIGH, two hexadecimal addresses")
                .arg(parser.value(range));
        if (job.range->low > job.range->high)
            return MessageLanguage::text("--range %1: the range is the wrong way round")
                .arg(parser.value(range));
    }
    if (parser.isSet(endian)) {
        const QString word = parser.value(endian);
        if (word != u"little" && word != u"big")
            return MessageLanguage::text("--endian %1: not little or big").arg(word);
        job.endian = word == u"big" ? KESTRUN_BIG_ENDIAN : KESTRUN_LITTLE_ENDIAN;
    }
    if (parser.isSet(max)) {
        bool ok = false;
        job.maxShown = parser.value(max).toULongLong(&ok, 10);
        if (!ok)
            return MessageLanguage::text("--max %1: not a decimal number").arg(parser.value(max));
    }
    job.json = parser.isSet(json);
    job.algorithm = parser.value(algorithm);
    const bool modelGiven = parser.isSet(poly) || parser.isSet(init) || parser.isSet(refin)
                            || parser.isSet(refout) || parser.isSet(xorout);
    if (!parser.isSet(width)) {
        if (modelGiven)
            return MessageLanguage::text(
                "--poly, --init, --refin, --refout and --xorout need --width");
        return QString();
    }
    if (parser.isSet(algorithm))
        return MessageLanguage::text("--algorithm and --width contradict each other");
    bool ok = false;
    const std::uint32_t bits = parser.value(width).toUInt(&ok, 10);
    if (!ok || bits < 8 || bits > 64)
        return MessageLanguage::text("--width %1: not a number of bits from 8 to 64")
            .arg(parser.value(width));
    if (!parser.isSet(poly))
        return MessageLanguage::text("--width needs --poly");
    const std::uint64_t mask = bits == 64 ? UINT64_MAX : (std::uint64_t(1) << bits) - 1;
    kestrun_crc_model model{bits, 0, 0, parser.isSet(refin), parser.isSet(refout), 0};
    for (const auto &[option, into] :
         {std::pair{&poly, &model.poly}, std::pair{&init, &model.init}, std::pair{&xorout, &model.xorout}}) {
        if (!parser.isSet(*option))
            continue;
        const auto value = HexNumber::read(parser.value(*option), mask);
        if (!value)
            return MessageLanguage::text("--%1 %2: not a hexadecimal number of %3 bits")
                .arg(option->names().constFirst(), parser.value(*option))
                .arg(bits);
        *into = *value;
    }
    job.model = model;
    return QString();
}
