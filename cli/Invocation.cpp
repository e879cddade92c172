#include "Invocation.h"

#include "ImageOutputFile.h"
#include "core/ConversionPlan.h"
#include "core/HexNumber.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

const QString kDescription = QStringLiteral(
    "Converts Intel HEX text and binary images and makes dump reports, as Pelcor does.\n"
    "\n"
    "Commands:\n"
    "  hex2bin IN.hex [-o OUT.bin]  HEX text to a binary image (default OUT: IN with .bin)\n"
    "  bin2hex IN.bin [-o OUT.hex]  binary image to HEX text\n"
    "  dump IN.bin [-o OUT.txt]     dump report of a binary image\n"
    "  hexdump IN.hex [-o OUT.txt]  dump report of the image a HEX file describes\n"
    "  sum IN.bin                   eight-digit byte sum of a binary image\n"
    "  info IN.hex                  where the data of a HEX file lie, one fact a line\n"
    "  convert IN -o OUT            any image to Intel HEX, S-records, binary or dump lines\n"
    "                               (IN: HEX, S-records, ELF, binary; FILE@ADDR: binary at ADDR),\n"
    "                               the operations --crop, --exclude, --fill, --offset in order\n"
    "  merge IN... [-o OUT.hex]     the inputs as one image (no overlap unless --overlap)\n"
    "  crc IN                       the CRC or sum of a range (--algorithm, default crc-32)\n"
    "  cmp A B                      the images address by address; status 1 when they differ\n"
    "\n"
    "IN or OUT \"-\" is standard input or output; text results go to standard output\n"
    "when -o is absent. Reports are code page 932 text, as Pelcor saves them (on a\n"
    "terminal: UTF-8). Without --start and --end the address range is automatic:\n"
    "from address 0 (as Pelcor does) or, with --from-lowest, from the lowest data\n"
    "address (as objcopy does); --start and --end always mean that range.\n"
    "Exit status: 0 done, 1 conversion failed (cmp: the images differ), 2 usage error\n"
    "(cmp: also an input that cannot be read).");

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

// Every option kestrun knows, declared to one parser.
struct Options {
    explicit Options(QCommandLineParser &parser);

    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the program's and the library's versions.")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("Writes the result to FILE."),
                              QStringLiteral("FILE")};
    QCommandLineOption start{QStringLiteral("start"),
                             QStringLiteral("First address of the range (StartAddress)."),
                             QStringLiteral("HEX")};
    QCommandLineOption end{QStringLiteral("end"),
                           QStringLiteral("Last address of the range (EndAddress)."),
                           QStringLiteral("HEX")};
    QCommandLineOption automatic{
        QStringLiteral("auto-range"),
        QStringLiteral("Finds the range itself, whatever --settings says.")};
    QCommandLineOption fill{QStringLiteral("fill"),
                            QStringLiteral("Byte where no data lies, 0 to FF (BlankChar). "
                                           "convert: --fill LOW-HIGH BYTES writes BYTES (a byte or "
                                           "a pattern) over and over into the gaps of that range."),
                            QStringLiteral("HEX")};
    QCommandLineOption recordLength{
        QStringLiteral("record-length"),
        QStringLiteral("Data bytes per HEX record, 1 to FF (RecordLength)."),
        QStringLiteral("HEX")};
    QCommandLineOption lineEnd{QStringLiteral("line-end"),
                               QStringLiteral("Line end of HEX text and reports (NewLine)."),
                               QStringLiteral("crlf|cr|lf")};
    QCommandLineOption checksumOnly{
        QStringLiteral("checksum-only"),
        QStringLiteral("Reports the checksum without dump lines (NoDump).")};
    QCommandLineOption scope{QStringLiteral("scope"),
                             QStringLiteral("First guess of the output size, times the input's, "
                                            "1 or more (Scope); outputs grow as they need."),
                             QStringLiteral("HEX")};
    QCommandLineOption fromLowest{QStringLiteral("from-lowest"),
                                  QStringLiteral("hex2bin, hexdump: the range runs from the lowest "
                                                 "to the highest data address (objcopy's image).")};
    QCommandLineOption base{QStringLiteral("base"),
                            QStringLiteral("bin2hex: the HEX address of the first byte; extended "
                                           "linear address records as needed."),
                            QStringLiteral("ADDR")};
    QCommandLineOption addressRecords{
        QStringLiteral("address-records"),
        QStringLiteral("bin2hex: extended address records: auto (02 below 1 MiB, then 04; "
                       "04 with --base), none, 02 or 04."),
        QStringLiteral("KIND")};
    QCommandLineOption startAddress{
        QStringLiteral("start-address"),
        QStringLiteral("bin2hex: writes a start linear address record (05) of ADDR."),
        QStringLiteral("ADDR")};
    QCommandLineOption overlap{
        QStringLiteral("overlap"),
        QStringLiteral("HEX input: records that write an address twice with other bytes: last "
                       "(the later win, with a warning), first, identical (only equal bytes may "
                       "overlap) or error (no overlap at all)."),
        QStringLiteral("RULE")};
    QCommandLineOption to{QStringLiteral("to"),
                          QStringLiteral("convert: the output format (else from the output's "
                                         "extension: .hex .ihex .ihx, .srec .s19 .s28 .s37 .mot, "
                                         ".bin, .txt)."),
                          QStringLiteral("ihex|srec|bin|dump")};
    QCommandLineOption inputFormat{
        QStringLiteral("input-format"),
        QStringLiteral("convert, info, merge, crc, cmp: the inputs' format, instead of finding it "
                       "from the content."),
        QStringLiteral("auto|ihex|srec|elf|bin")};
    QCommandLineOption addressSize{
        QStringLiteral("address-size"),
        QStringLiteral("convert: S-record addresses of 16, 24 or 32 bits, or the smallest that "
                       "holds the highest address (auto)."),
        QStringLiteral("auto|s19|s28|s37")};
    QCommandLineOption fillByte{
        QStringLiteral("fill-byte"),
        QStringLiteral("convert: the byte of the gaps in binary and dump output, 0 to FF "
                       "(default FF); crc, merge: the byte gaps read as in a check (FF); "
                       "cmp: a gap equals this byte (default: a gap equals nothing)."),
        QStringLiteral("HEX")};
    QCommandLineOption crop{QStringLiteral("crop"),
                            QStringLiteral("convert: keeps only the data of LOW-HIGH."),
                            QStringLiteral("LOW-HIGH")};
    QCommandLineOption exclude{QStringLiteral("exclude"),
                               QStringLiteral("convert: drops the data of LOW-HIGH (repeatable)."),
                               QStringLiteral("LOW-HIGH")};
    QCommandLineOption offset{QStringLiteral("offset"),
                              QStringLiteral("convert: moves the data by N (hexadecimal, - for "
                                             "down); refused when an address would leave 32 "
                                             "bits."),
                              QStringLiteral("[-]N")};
    QCommandLineOption sync{QStringLiteral("sync"),
                            QStringLiteral("Waits until the output is on the disk before it "
                                           "replaces the old file (fdatasync); without it the "
                                           "system writes it back later, as for objcopy.")};
    QCommandLineOption settings{
        QStringLiteral("settings"),
        QStringLiteral("Takes the settings from a Pelcor.ini; options win.\n"
                       "Without it: Pelcor's defaults, no file."),
        QStringLiteral("FILE")};
};

Options::Options(QCommandLineParser &parser)
{
    parser.setApplicationDescription(kDescription);
    parser.addOptions({help, version, output, start, end, automatic, fromLowest, base, fill,
                       recordLength, lineEnd, checksumOnly, scope, addressRecords, startAddress,
                       overlap, to, inputFormat, addressSize, fillByte, crop, exclude, offset,
                       sync, settings});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("hex2bin, bin2hex, dump, hexdump, sum, info, "
                                                "convert, merge, crc or cmp."));
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("The input file, or -."));
}

Invocation usage(const QString &error)
{
    Invocation invocation;
    invocation.request = Invocation::Request::Usage;
    invocation.usageError = error;
    return invocation;
}

} // namespace

DumpSettings Invocation::applyTo(DumpSettings base) const
{
    if (start || end)
        base.AutoAddress = QStringLiteral("0");
    if (automaticRange)
        base.AutoAddress = QStringLiteral("1");
    base.StartAddress = start.value_or(base.StartAddress);
    base.EndAddress = end.value_or(base.EndAddress);
    base.BlankChar = fill.value_or(base.BlankChar);
    base.RecordLength = recordLength.value_or(base.RecordLength);
    base.Scope = scope.value_or(base.Scope);
    base.NewLine = newLine.value_or(base.NewLine);
    if (checksumOnly)
        base.NoDump = 1;
    return base;
}

void Invocation::refine(ConversionSettings &settings) const
{
    settings.exactEnd = end.has_value();
    settings.fromLowest = fromLowest;
    settings.base = base;
    settings.addressRecords = addressRecords;
    settings.startAddress = startAddress;
    settings.overlap = overlap;
}

namespace {

// The command and its input from the positional arguments; empty when they
// are not one command and one input.
QString readPositional(const QStringList &positional, Invocation &invocation)
{
    if (positional.isEmpty())
        return QStringLiteral("no command given");
    const auto *found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [&](const Command &c) { return positional[0] == QLatin1String(c.name); });
    if (found == std::end(kCommands))
        return QStringLiteral("unknown command '%1'").arg(positional[0]);
    invocation.command = found->command;
    invocation.inputs = positional.mid(1);
    invocation.input = invocation.inputs.value(0);
    // crc --algorithm list needs no input.
    if (found->command == Invocation::Command::Crc && invocation.job.algorithm == u"list"
        && positional.size() == 1)
        return QString();
    if (found->command == Invocation::Command::Merge)
        return positional.size() >= 2 ? QString() : QStringLiteral("merge takes one or more input files");
    if (found->command == Invocation::Command::Compare)
        return positional.size() == 3 ? QString() : QStringLiteral("cmp takes two input files");
    if (positional.size() != 2)
        return QStringLiteral("%1 takes one input file").arg(positional[0]);
    return QString();
}

// The settings options' values, checked; empty when all are usable.
QString readSettingOptions(const QCommandLineParser &parser, const Options &o,
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
            return QStringLiteral("--%1 %2: not a hexadecimal number from %3 to %4")
                .arg(hex.option.names().constFirst(), text,
                     QString::number(hex.lowest, 16).toUpper(),
                     QString::number(hex.highest, 16).toUpper());
        }
    }
    if (parser.isSet(o.lineEnd)) {
        invocation.newLine = lineEndSetting(parser.value(o.lineEnd));
        if (!invocation.newLine)
            return QStringLiteral("--line-end %1: not crlf, cr or lf").arg(parser.value(o.lineEnd));
    }
    invocation.automaticRange = parser.isSet(o.automatic);
    if (invocation.automaticRange && (invocation.start || invocation.end))
        return QStringLiteral("--auto-range and --start or --end contradict each other");
    invocation.fromLowest = parser.isSet(o.fromLowest);
    if (invocation.fromLowest && (invocation.start || invocation.end))
        return QStringLiteral("--from-lowest and --start or --end contradict each other");
    if (invocation.start && invocation.end
        && addressOf(*invocation.start) > addressOf(*invocation.end))
        return QStringLiteral("--start %1 lies beyond --end %2")
            .arg(*invocation.start, *invocation.end);
    if (parser.isSet(o.base)) {
        const QString text = parser.value(o.base);
        if (!hexValue(text, 0, UINT32_MAX))
            return QStringLiteral("--base %1: not a hexadecimal number from 0 to FFFFFFFF")
                .arg(text);
        invocation.base = addressOf(text);
    }
    if (parser.isSet(o.startAddress)) {
        const QString text = parser.value(o.startAddress);
        if (!hexValue(text, 0, UINT32_MAX))
            return QStringLiteral("--start-address %1: not a hexadecimal number from 0 to FFFFFFFF")
                .arg(text);
        invocation.startAddress = addressOf(text);
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
            return QStringLiteral("--address-records %1: not auto, none, 02 or 04").arg(text);
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
            return QStringLiteral("--overlap %1: not last, first, identical or error").arg(text);
        invocation.overlap = *rule;
        invocation.overlapGiven = true;
    }
    invocation.checksumOnly = parser.isSet(o.checksumOnly);
    return QString();
}

// convert's own options; empty when they are usable.
QString readConvertOptions(const QCommandLineParser &parser, const Options &o,
                           Invocation &invocation)
{
    if (parser.isSet(o.to)) {
        invocation.to = parser.value(o.to);
        if (!outputFormatNamed(*invocation.to))
            return QStringLiteral("--to %1: not ihex, srec, bin or dump").arg(*invocation.to);
    }
    if (parser.isSet(o.inputFormat)) {
        const auto format = inputFormatNamed(parser.value(o.inputFormat));
        if (!format)
            return QStringLiteral("--input-format %1: not auto, ihex, srec, elf or bin")
                .arg(parser.value(o.inputFormat));
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
            return QStringLiteral("--address-size %1: not auto, s19, s28 or s37")
                .arg(parser.value(o.addressSize));
    }
    if (parser.isSet(o.fillByte)) {
        const QString text = parser.value(o.fillByte);
        if (!hexValue(text, 0, 0xFF))
            return QStringLiteral("--fill-byte %1: not a hexadecimal number from 0 to FF").arg(text);
        invocation.fillByte = std::uint8_t(addressOf(text));
    }
    for (const QCommandLineOption *op : {&o.crop, &o.exclude, &o.offset})
        if (parser.isSet(*op) && invocation.command != Invocation::Command::Convert)
            return QStringLiteral("--%1 is for convert").arg(op->names().constFirst());
    if (parser.isSet(o.inputFormat) && invocation.command != Invocation::Command::Convert
        && invocation.command != Invocation::Command::Info && !invocation.isImageJob())
        return QStringLiteral("--input-format is for convert, info, merge, crc and cmp");
    const bool writesImage = invocation.command == Invocation::Command::Convert
                             || invocation.command == Invocation::Command::Merge;
    const bool convertOption = parser.isSet(o.to) || parser.isSet(o.addressSize)
                               || (parser.isSet(o.fillByte) && !invocation.isImageJob());
    if (convertOption && !writesImage)
        return QStringLiteral("--to and --address-size are for convert and merge, "
                              "--fill-byte for convert, crc, merge and cmp");
    return QString();
}

// What convert does not take, and an output format it can find.
QString checkConvertOptions(const Invocation &invocation)
{
    if (invocation.start || invocation.end || invocation.automaticRange || invocation.fromLowest
        || invocation.scope || invocation.checksumOnly || invocation.base || invocation.fill
        || !invocation.settingsFile.isEmpty())
        return QStringLiteral("convert takes no --start, --end, --auto-range, --from-lowest, "
                              "--scope, --checksum-only, --base or --settings; "
                              "its --fill is LOW-HIGH BYTES");
    return ImageOutputFile::check(invocation);
}

// Options that only some commands take.
QString checkCommandOptions(const Invocation &invocation)
{
    using Command = Invocation::Command;
    const Command command = invocation.command;
    if (invocation.fromLowest && command != Command::HexToBinary && command != Command::HexDump)
        return QStringLiteral("--from-lowest is for hex2bin and hexdump");
    if (invocation.base && command != Command::BinaryToHex)
        return QStringLiteral("--base is for bin2hex");
    if ((invocation.addressRecords || invocation.startAddress) && command != Command::BinaryToHex
        && command != Command::Convert && command != Command::Merge)
        return QStringLiteral("--address-records and --start-address are for bin2hex, convert "
                              "and merge");
    if (invocation.overlapGiven && !invocation.takesHexText() && command != Command::Convert
        && !invocation.isImageJob())
        return QStringLiteral("--overlap is for the commands that read HEX text");
    if (command == Command::Convert)
        return checkConvertOptions(invocation);
    if (command == Command::Merge)
        return ImageOutputFile::check(invocation);
    return QString();
}

// FILE@ADDR with an ADDR that is no address, in the commands that read
// images: said as such, rather than as a file that does not exist.
QString checkInputAddresses(const Invocation &invocation)
{
    using Command = Invocation::Command;
    if (!invocation.isImageJob() && invocation.command != Command::Convert
        && invocation.command != Command::Info)
        return QString();
    for (const QString &input : invocation.inputs) {
        if (splitInputArgument(input).badAddress)
            return QCoreApplication::translate(
                       "Invocation",
                       "%1: @ の後の %2 はアドレスではありません (16 進数、0x は省略可、FFFFFFFF まで)")
                .arg(input, input.mid(input.lastIndexOf(u'@') + 1));
    }
    return QString();
}

// The output and settings file names; empty when both are usable.
QString readFileOptions(const QCommandLineParser &parser, const Options &o, Invocation &invocation)
{
    invocation.output = parser.value(o.output);
    invocation.settingsFile = parser.value(o.settings);
    invocation.sync = parser.isSet(o.sync);
    if (parser.isSet(o.output) && invocation.output.isEmpty())
        return QStringLiteral("-o needs a file name");
    if (parser.isSet(o.settings) && invocation.settingsFile.isEmpty())
        return QStringLiteral("--settings needs a file name");
    return QString();
}

// The command word: the first positional argument as the parser sees it.
QString firstWord(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options options(parser);
    parser.parse(QStringList(QStringLiteral("kestrun")) + arguments);
    return parser.positionalArguments().value(0);
}

} // namespace

Invocation Invocation::parse(const QStringList &arguments)
{
    Invocation invocation;
    QStringList words = arguments;
    if (const QString command = firstWord(arguments); command == u"convert") {
        if (const QString error = takeImageOperations(words, invocation.operations);
            !error.isEmpty())
            return usage(error);
    }
    QCommandLineParser parser;
    const Options options(parser);
    const ImageJobOptions jobOptions(parser);
    // QCommandLineParser takes the program's name first.
    if (!parser.parse(QStringList(QStringLiteral("kestrun")) + words))
        return usage(parser.errorText());
    if (parser.isSet(options.help)) {
        invocation.request = Request::Help;
        // The parser names the program by its full path.
        const QString text = parser.helpText();
        invocation.helpText = QStringLiteral("Usage: kestrun command input... [options]")
                              + text.mid(text.indexOf(u'\n'));
        return invocation;
    }
    if (parser.isSet(options.version)) {
        invocation.request = Request::Version;
        return invocation;
    }
    // The command first: which options it takes depends on it. crc
    // --algorithm list needs no input, so the image jobs' options come
    // before it.
    const QString command = parser.positionalArguments().value(0);
    if (const QString error = jobOptions.read(parser, command, invocation.job); !error.isEmpty())
        return usage(error);
    if (const QString error = readPositional(parser.positionalArguments(), invocation);
        !error.isEmpty())
        return usage(error);
    for (const auto &read : {readFileOptions, readSettingOptions, readConvertOptions}) {
        if (const QString error = read(parser, options, invocation); !error.isEmpty())
            return usage(error);
    }
    for (const auto &check : {checkCommandOptions, checkInputAddresses}) {
        if (const QString error = check(invocation); !error.isEmpty())
            return usage(error);
    }
    invocation.job.fillByte = invocation.fillByte;
    return invocation;
}
