#include "Invocation.h"

#include "CommandChecks.h"
#include "InvocationOptions.h"
#include "MessageLanguage.h"
#include "OptionValues.h"

#include <QCommandLineParser>

namespace {

Invocation usage(const QString &error)
{
    Invocation invocation;
    invocation.request = Invocation::Request::Usage;
    invocation.usageError = error;
    return invocation;
}

// The command word: the first positional argument as the parser sees it.
QString firstWord(const QStringList &arguments)
{
    QCommandLineParser parser;
    const InvocationOptions options(parser);
    parser.parse(QStringList(QStringLiteral("kestrun")) + arguments);
    return parser.positionalArguments().value(0);
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

Invocation Invocation::parse(const QStringList &arguments)
{
    Invocation invocation;
    QStringList words = arguments;
    if (const QString command = firstWord(arguments); command == u"convert" || command == u"merge") {
        if (const QString error = takeImageOperations(words, invocation.operations);
            !error.isEmpty())
            return usage(error);
    } else if (command == u"patch") {
        if (const QString error = takePatchOperations(words, invocation.patch); !error.isEmpty())
            return usage(error);
    }
    QCommandLineParser parser;
    const InvocationOptions options(parser);
    const ImageJobOptions jobOptions(parser);
    // QCommandLineParser takes the program's name first.
    if (!parser.parse(QStringList(QStringLiteral("kestrun")) + words))
        return usage(parser.errorText());
    if (parser.isSet(options.help)) {
        invocation.request = Request::Help;
        // The parser names the program by its full path.
        const QString text = parser.helpText();
        invocation.helpText = MessageLanguage::text("Usage: kestrun command input... [options]")
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
    if (const QString error = OptionValues::readPositional(parser.positionalArguments(), invocation);
        !error.isEmpty())
        return usage(error);
    for (const auto &read : {OptionValues::readFiles, OptionValues::readSettings,
                             OptionValues::readOutputs}) {
        if (const QString error = read(parser, options, invocation); !error.isEmpty())
            return usage(error);
    }
    if (const QString error = CommandChecks::check(invocation); !error.isEmpty())
        return usage(error);
    invocation.job.fillByte = invocation.fillByte;
    return invocation;
}
