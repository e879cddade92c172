#include "OptionValues.h"

#include "ImageOutputFile.h"
#include "LinkedLibrary.h"
#include "core/FormatList.h"
#include "MessageLanguage.h"
#include "core/HexNumber.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

struct Command {
    const char *name;
    Invocation::Command command;
};
constexpr Command kCommands[] = {
    {"hex2bin", Invocation::Command::HexToBinary},
    {"bin2hex", Invocation::Command::BinaryToHex},
    {"dump", Invocation::Command::Dump},
    {"hexdump", Invocation::Command::HexDump},
    {"sum", Invocation::Command::Sum},
    {"info", Invocation::Command::Info},
    {"convert", Invocation::Command::Convert},
    {"merge", Invocation::Command::Merge},
    {"crc", Invocation::Command::Crc},
    {"cmp", Invocation::Command::Compare},
    {"patch", Invocation::Command::Patch},
};

// The value a word names in `table`, or none.
template <typename Value, std::size_t N>
std::optional<Value> named(const QString &word, const std::pair<const char *, Value> (&table)[N])
{
    for (const auto &[name, value] : table)
        if (word == QLatin1String(name))
            return value;
    return std::nullopt;
}

// A hexadecimal option value within [lowest, highest], as the digits a
// Pelcor.ini value of it would hold (no 0x, at most eight).
std::optional<QString> hexValue(const QString &text, std::uint64_t lowest, std::uint64_t highest)
{
    const auto value = HexNumber::read(text, highest);
    if (!value || *value < lowest)
        return std::nullopt;
    const QString digits = HexNumber::digits(text);
    return digits.size() <= 8 ? digits : QString::number(*value, 16).toUpper();
}

// An address option's value; the option was checked by hexValue.
std::uint32_t addressOf(const QString &text)
{
    return std::uint32_t(HexNumber::read(text).value_or(0));
}

std::optional<qint16> lineEndSetting(const QString &text)
{
    const QString name = text.toLower();
    if (name == u"crlf")
        return 0;
    if (name == u"cr")
        return 1;
    if (name == u"lf")
        return 2;
    return std::nullopt;
}

} // namespace

namespace OptionValues {

// The command and its input from the positional arguments; empty when they
// are not one command and one input.
QString readPositional(const QStringList &positional, Invocation &invocation)
{
    if (positional.isEmpty())
        return MessageLanguage::text("no command given");
    const auto *found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [&](const Command &c) { return positional[0] == QLatin1String(c.name); });
    if (found == std::end(kCommands))
        return MessageLanguage::text("unknown command '%1'").arg(positional[0]);
    invocation.command = found->command;
    invocation.inputs = positional.mid(1);
    invocation.input = invocation.inputs.value(0);
    // crc --algorithm list needs no input.
    if (found->command == Invocation::Command::Crc && invocation.job.algorithm == u"list"
        && positional.size() == 1)
        return QString();
    if (found->command == Invocation::Command::Merge)
        return positional.size() >= 2
                   ? QString()
                   : MessageLanguage::text("merge takes one or more input files");
    if (found->command == Invocation::Command::Compare)
        return positional.size() == 3 ? QString()
                                      : MessageLanguage::text("cmp takes two input files");
    if (positional.size() != 2)
        return MessageLanguage::text("%1 takes one input file").arg(positional[0]);
    return QString();
}

// The output and settings file names; empty when both are usable.
QString readFiles(const QCommandLineParser &parser, const InvocationOptions &o, Invocation &invocation)
{
    invocation.output = parser.value(o.output);
    invocation.settingsFile = parser.value(o.settings);
    invocation.sync = parser.isSet(o.sync);
    if (parser.isSet(o.output) && invocation.output.isEmpty())
        return MessageLanguage::text("-o needs a file name");
    if (parser.isSet(o.settings) && invocation.settingsFile.isEmpty())
        return MessageLanguage::text("--settings needs a file name");
    return QString();
}

// The settings options' values, checked; empty when all are usable.
QString readSettings(const QCommandLineParser &parser, const InvocationOptions &o,
                           Invocation &invocation)
{
    const struct {
        const QCommandLineOption &option;
        std::optional<QString> Invocation::*field;
        std::uint64_t lowest;
        std::uint64_t highest;
    } hexOptions[] = {
        {o.start, &Invocation::start, 0, UINT32_MAX},
        {o.end, &Invocation::end, 0, UINT32_MAX},
        {o.fill, &Invocation::fill, 0, 0xFF},
        {o.recordLength, &Invocation::recordLength, 1, 0xFF},
        {o.scope, &Invocation::scope, 1, INT32_MAX},
    };
    for (const auto &hex : hexOptions) {
        if (!parser.isSet(hex.option))
            continue;
        const QString text = parser.value(hex.option);
        invocation.*hex.field = hexValue(text, hex.lowest, hex.highest);
        if (!(invocation.*hex.field)) {
            return MessageLanguage::text("--%1 %2: not a hexadecimal number from %3 to %4")
                .arg(hex.option.names().constFirst(), text,
                     QString::number(hex.lowest, 16).toUpper(),
                     QString::number(hex.highest, 16).toUpper());
        }
    }
    if (parser.isSet(o.lineEnd)) {
        invocation.newLine = lineEndSetting(parser.value(o.lineEnd));
        if (!invocation.newLine)
            return MessageLanguage::text("--line-end %1: not crlf, cr or lf")
                .arg(parser.value(o.lineEnd));
    }
    invocation.automaticRange = parser.isSet(o.automatic);
    if (invocation.automaticRange && (invocation.start || invocation.end))
        return MessageLanguage::text("--auto-range and --start or --end contradict each other");
    invocation.fromLowest = parser.isSet(o.fromLowest);
    if (invocation.fromLowest && (invocation.start || invocation.end))
        return MessageLanguage::text("--from-lowest and --start or --end contradict each other");
    if (invocation.start && invocation.end
        && addressOf(*invocation.start) > addressOf(*invocation.end))
        return MessageLanguage::text("--start %1 lies beyond --end %2")
            .arg(*invocation.start, *invocation.end);
    if (parser.isSet(o.base)) {
        const QString text = parser.value(o.base);
        if (!hexValue(text, 0, UINT32_MAX))
            return MessageLanguage::text("--base %1: not a hexadecimal number from 0 to FFFFFFFF")
                .arg(text);
        invocation.base = addressOf(text);
    }
    if (parser.isSet(o.startAddress)) {
        const QString text = parser.value(o.startAddress);
        // merge chooses among its inputs' start addresses, or gives one.
        if (invocation.command == Invocation::Command::Merge) {
            invocation.startChoice = StartChoice::named(text);
            if (!invocation.startChoice)
                return QCoreApplication::translate(
                           "OptionValues", "--start-address %1: first、last、none か、0 から "
                                           "FFFFFFFF の 16 進数を指定してください")
                    .arg(text);
        } else if (!hexValue(text, 0, UINT32_MAX)) {
            return MessageLanguage::text(
                       "--start-address %1: not a hexadecimal number from 0 to FFFFFFFF")
                .arg(text);
        } else {
            invocation.startAddress = addressOf(text);
        }
    }
    if (parser.isSet(o.addressRecords)) {
        static const std::pair<const char *, std::uint32_t> kinds[] = {
            {"auto", KESTRUN_ADDRESS_AUTO},
            {"none", KESTRUN_ADDRESS_NONE},
            {"02", KESTRUN_ADDRESS_SEGMENT},
            {"04", KESTRUN_ADDRESS_LINEAR}};
        const QString text = parser.value(o.addressRecords);
        invocation.addressRecords = named(text, kinds);
        if (!invocation.addressRecords)
            return MessageLanguage::text("--address-records %1: not auto, none, 02 or 04")
                .arg(text);
        // auto with a base keeps the base's linear records.
        if (*invocation.addressRecords == KESTRUN_ADDRESS_AUTO)
            invocation.addressRecords.reset();
    }
    if (parser.isSet(o.overlap)) {
        static const std::pair<const char *, std::int32_t> rules[] = {
            {"last", KESTRUN_OVERLAP_LAST},
            {"first", KESTRUN_OVERLAP_FIRST},
            {"identical", KESTRUN_OVERLAP_IDENTICAL},
            {"error", KESTRUN_OVERLAP_REFUSE}};
        const QString text = parser.value(o.overlap);
        const std::optional<std::int32_t> rule = named(text, rules);
        if (!rule)
            return MessageLanguage::text("--overlap %1: not last, first, identical or error")
                .arg(text);
        invocation.overlap = *rule;
        invocation.overlapGiven = true;
    }
    invocation.checksumOnly = parser.isSet(o.checksumOnly);
    return QString();
}

// convert's own options; empty when they are usable.
QString readOutputs(const QCommandLineParser &parser, const InvocationOptions &o,
                           Invocation &invocation)
{
    const ImageCalls &calls = *LinkedLibrary::calls().image();
    if (parser.isSet(o.to)) {
        invocation.to = parser.value(o.to);
        if (!outputFormatNamed(calls, *invocation.to))
            return MessageLanguage::text("--to %1: not %2")
                .arg(*invocation.to, FormatList::words(calls, KESTRUN_FORMAT_FLAG_WRITE));
    }
    if (parser.isSet(o.inputFormat)) {
        const auto format = inputFormatNamed(calls, parser.value(o.inputFormat));
        if (!format)
            return MessageLanguage::text("--input-format %1: not auto, %2")
                .arg(parser.value(o.inputFormat), FormatList::words(calls, KESTRUN_FORMAT_FLAG_READ));
        invocation.inputFormat = *format;
    }
    if (parser.isSet(o.addressSize)) {
        static const std::pair<const char *, std::uint32_t> sizes[] = {
            {"auto", KESTRUN_SREC_AUTO},
            {"s19", KESTRUN_SREC_S19},
            {"s28", KESTRUN_SREC_S28},
            {"s37", KESTRUN_SREC_S37}};
        invocation.addressSize = named(parser.value(o.addressSize).toLower(), sizes);
        if (!invocation.addressSize)
            return MessageLanguage::text("--address-size %1: not auto, s19, s28 or s37")
                .arg(parser.value(o.addressSize));
    }
    if (parser.isSet(o.fillByte)) {
        const QString text = parser.value(o.fillByte);
        if (!hexValue(text, 0, 0xFF))
            return MessageLanguage::text("--fill-byte %1: not a hexadecimal number from 0 to FF")
                .arg(text);
        invocation.fillByte = std::uint8_t(addressOf(text));
    }
    if (parser.isSet(o.vmemWidth)) {
        const QString text = parser.value(o.vmemWidth);
        if (text != u"8" && text != u"16" && text != u"32" && text != u"64")
            return MessageLanguage::text("--vmem-width %1: not 8, 16, 32 or 64").arg(text);
        invocation.vmemWidth = text.toUInt();
    }
    if (parser.isSet(o.uf2Family)) {
        const QString text = parser.value(o.uf2Family);
        std::uint32_t id = 0;
        if (calls.kestrun_uf2_family_id(text.toLatin1().constData(), &id) == ResultOk)
            invocation.uf2Family = id;
        else if (const auto value = HexNumber::read(text, UINT32_MAX); value && *value)
            invocation.uf2Family = std::uint32_t(*value);
        else
            return MessageLanguage::text("--uf2-family %1: not a family name (RP2040, SAMD21, SAMD51, "
                                  "NRF52840, STM32F4, ...) nor a hexadecimal ID from 1 to FFFFFFFF")
                .arg(text);
    }
    for (const QCommandLineOption *op :
         {&o.crop, &o.exclude, &o.offset, &o.byteSwap, &o.split, &o.unsplit})
        if (parser.isSet(*op))
            return MessageLanguage::text("--%1 is for convert and merge").arg(op->names().constFirst());
    for (const QCommandLineOption *op : {&o.insertLength, &o.serial, &o.replace})
        if (parser.isSet(*op) && invocation.command != Invocation::Command::Convert)
            return MessageLanguage::text("--%1 is for convert").arg(op->names().constFirst());
    // --serial takes its --count before the parser sees it.
    if (parser.isSet(o.count))
        return QCoreApplication::translate("OptionValues", "--count は --serial の後に指定します");
    // patch takes its own before the parser sees them.
    for (const QCommandLineOption *op :
         {&o.set, &o.string, &o.encoding, &o.intoGaps, &o.fixChecksums, &o.inPlace})
        if (parser.isSet(*op))
            return MessageLanguage::text("--%1 is for patch").arg(op->names().constFirst());
    if (parser.isSet(o.inputFormat) && invocation.command != Invocation::Command::Convert
        && invocation.command != Invocation::Command::Info && !invocation.isImageJob())
        return MessageLanguage::text("--input-format is for convert, info, merge, crc and cmp");
    const bool writesImage = invocation.command == Invocation::Command::Convert
                             || invocation.command == Invocation::Command::Merge;
    const bool convertOption = parser.isSet(o.to) || parser.isSet(o.addressSize)
                               || parser.isSet(o.vmemWidth) || parser.isSet(o.uf2Family)
                               || (parser.isSet(o.fillByte) && !invocation.isImageJob());
    if (convertOption && !writesImage)
        return MessageLanguage::text("--to, --address-size, --vmem-width and --uf2-family are for "
                              "convert and merge, --fill-byte for convert, crc, merge and cmp");
    return QString();
}

} // namespace OptionValues
