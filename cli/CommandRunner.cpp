#include "CommandRunner.h"

#include "CancelSignal.h"
#include "CompareCommand.h"
#include "CrcCommand.h"
#include "InfoCommand.h"
#include "InfoJson.h"
#include "MergeCommand.h"
#include "PatchCommand.h"
#include "MessageLanguage.h"
#include "OutputCheck.h"
#include "ConversionProgress.h"
#include "ConvertCommand.h"
#include "LinkedLibrary.h"
#include "StreamingOutput.h"
#include "core/ResultMessage.h"
#include "core/HexErrorLine.h"
#include "core/HexText.h"
#include "core/ImageLoader.h"
#include "core/LinkedLibraryCalls.h"
#include "core/Cp932.h"
#include "core/LocalPath.h"
#include "core/SettingsModel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace {

// More fill than this before the first data byte earns a note.
constexpr std::uint32_t kLeadingFillNoted = std::uint32_t(16) << 20;

// Names in messages keep their own bytes, as the user typed them.
void printError(const QString &text)
{
    std::fputs(LocalPath::encode(text).append('\n').constData(), stderr);
}

} // namespace

CommandRunner::CommandRunner(const Invocation &invocation) : m_invocation(invocation)
{
}

int CommandRunner::run()
{
    switch (m_invocation.request) {
    case Invocation::Request::Usage:
        return usage(m_invocation.usageError);
    case Invocation::Request::Help:
        std::fputs(m_invocation.helpText.toUtf8().constData(), stdout);
        return Done;
    case Invocation::Request::Version:
        std::printf("kestrun        Ver %d%d%d\nLibrary        Ver %d\n", PELCOR_VERSION_MAJOR,
                    PELCOR_VERSION_MINOR, PELCOR_VERSION_PATCH, LinkedLibrary::version());
        return Done;
    case Invocation::Request::Convert:
        break;
    }
    OutputTarget::setSync(m_invocation.sync);
    if (m_invocation.command == Invocation::Command::Convert)
        return ConvertCommand(m_invocation).run();
    switch (m_invocation.command) {
    case Invocation::Command::Merge:
        return MergeCommand(m_invocation).run();
    case Invocation::Command::Crc:
        return CrcCommand(m_invocation).run();
    case Invocation::Command::Compare:
        return CompareCommand(m_invocation).run();
    case Invocation::Command::Patch:
        return PatchCommand(m_invocation).run();
    default:
        break;
    }
    if (const QString error = checkOutput(); !error.isEmpty())
        return usage(error);
    CancelSignal::install();
    ConversionSettings settings;
    if (!readSettings(settings))
        return Failed;

    // info reads FILE@ADDR and every format; the other commands a file.
    const bool info = m_invocation.command == Invocation::Command::Info;
    const InputArgument argument =
        info ? splitInputArgument(m_invocation.input) : InputArgument{m_invocation.input, {}};
    InputSource input;
    QString error;
    switch (input.open(argument.file, error)) {
    case InputSource::Outcome::Read:
        if (info && !InfoCommand::readsAsHex(m_invocation, input, argument))
            return InfoCommand(m_invocation).run(input, argument);
        return convert(settings, input);
    case InputSource::Outcome::Cancelled:
        return cancelled();
    case InputSource::Outcome::Failed:
        break;
    }
    return fail(argument.file == u"-" ? MessageLanguage::text("standard input") : argument.file,
                error);
}

int CommandRunner::usage(const QString &error) const
{
    printError(QStringLiteral("kestrun: ") + error);
    printError(MessageLanguage::text("Try 'kestrun --help' for more information."));
    return UsageError;
}

int CommandRunner::fail(const QString &where, const QString &message) const
{
    printError(where + QStringLiteral(": ") + message);
    return Failed;
}

int CommandRunner::cancelled() const
{
    return fail(m_invocation.input, LinkedLibrary::message(ResultCancelled));
}

QString CommandRunner::outputPath() const
{
    if (!m_invocation.output.isEmpty())
        return m_invocation.output;
    // A binary result goes where Pelcor proposes to save it; text results
    // go to standard output, as do the results of standard input.
    if (m_invocation.makesBinary() && m_invocation.input != u"-")
        return renameExtension(m_invocation.input, QStringLiteral(".bin"));
    return QStringLiteral("-");
}

// The output is refused before anything is read: a binary image on a
// terminal is unreadable and may upset it, and writing over the input
// loses it.
QString CommandRunner::checkOutput() const
{
    return OutputCheck::refusal(outputPath(), {m_invocation.input}, m_invocation.makesBinary());
}

namespace {

// `name` from the root, its bytes kept (QFileInfo would replace those that
// are not UTF-8).
QString absoluteName(const QString &name)
{
    if (name.startsWith(u'/'))
        return name;
    char folder[PATH_MAX];
    return getcwd(folder, sizeof folder) ? LocalPath::decode(folder) + u'/' + name : name;
}

} // namespace

// The file's settings (Pelcor's defaults without --settings) under the
// options; false, reported, when they cannot be used.
bool CommandRunner::readSettings(ConversionSettings &settings) const
{
    DumpSettings base;
    const QString &file = m_invocation.settingsFile;
    if (!file.isEmpty()) {
        const QByteArray local = LocalPath::encode(file);
        struct stat status;
        if (::stat(local.constData(), &status) != 0 || !S_ISREG(status.st_mode)
            || ::access(local.constData(), R_OK) != 0) {
            fail(file, MessageLanguage::text("cannot read the settings file"));
            return false;
        }
        SettingsModel model;
        const QString absolute = absoluteName(file);
        model.setUp(absolute.left(absolute.lastIndexOf(u'/')));
        model.store().setPath(absolute);
        model.load();
        if (model.fileState() != SettingsModel::FileState::Read) {
            fail(file, model.fileState() == SettingsModel::FileState::WithoutSection
                           ? MessageLanguage::text("no [Vantrel] section in the settings file")
                           : MessageLanguage::text("cannot read the settings file"));
            return false;
        }
        base = model.dumpSettings();
    }
    settings = readConversionSettings(m_invocation.applyTo(base));
    m_invocation.refine(settings);
    if (m_invocation.command == Invocation::Command::Sum)
        settings.noDump = true;
    // A value that only bin2hex needs is still the settings file's fault,
    // not the input's.
    const QString fault = m_invocation.command == Invocation::Command::BinaryToHex
                              ? ConversionEngine::binaryToHexFault(settings)
                              : settings.fault;
    if (!fault.isEmpty()) {
        fail(file.isEmpty() ? QStringLiteral("kestrun") : file, settingFaultMessage(fault));
        return false;
    }
    return true;
}

int CommandRunner::convert(const ConversionSettings &settings, InputSource &input)
{
    StreamingOutput output(outputPath());
    QString error;
    const OutputTarget::Outcome opened = output.open(error);
    if (opened != OutputTarget::Outcome::Written)
        return outputStatus(opened, error);
    ConversionEngine engine(LinkedLibrary::calls(), settings);
    const std::int32_t result = runEngine(engine, input, output);
    if (m_invocation.takesHexText()) {
        if (const QString warning = engine.pastEndWarning(m_invocation.input); !warning.isEmpty())
            printError(warning);
        warnOfConflicts(engine);
    }
    if (result < 0) {
        if (output.failed(error))
            return outputStatus(OutputTarget::Outcome::Failed, error);
        if (CancelSignal::requested())
            return cancelled();
        return reportFailure(engine, result);
    }
    switch (m_invocation.command) {
    case Invocation::Command::Dump:
    case Invocation::Command::HexDump:
        // With lines, the head went out before them.
        if (settings.noDump)
            output.put(resultHead(engine));
        if (m_invocation.command == Invocation::Command::HexDump)
            noteLeadingFill(engine, settings);
        break;
    case Invocation::Command::Sum:
        output.put(engine.checksum().toLatin1() + '\n');
        break;
    case Invocation::Command::Info:
        output.put(m_invocation.job.json ? InfoJson::text(engine) : infoText(engine));
        break;
    case Invocation::Command::HexToBinary:
        noteLeadingFill(engine, settings);
        break;
    case Invocation::Command::BinaryToHex:
    case Invocation::Command::Convert:
    case Invocation::Command::Merge:
    case Invocation::Command::Crc:
    case Invocation::Command::Compare:
    case Invocation::Command::Patch:
        break;
    }
    return outputStatus(output.finish(error), error);
}

std::int32_t CommandRunner::runEngine(ConversionEngine &engine, InputSource &input,
                                      StreamingOutput &output) const
{
    ConversionProgress progress(
        isatty(STDERR_FILENO) && input.size() > std::uint64_t(ConversionProgress::kWorthShowing),
        output);
    engine.setProgress(ConversionProgress::report, progress.userValue());
    std::function<bool()> startOver;
    if (output.canStartOver())
        startOver = [&output] { return output.startOver(); };
    engine.setSink([&output](QByteArrayView bytes) { return output.put(bytes); },
                   std::move(startOver));
    // The engine places its bytes by their offset in what it makes, which
    // follows a dump's head.
    std::uint64_t head = 0;
    if (output.canStartOver())
        engine.setPlacedSink([&output, &head](std::uint64_t offset, QByteArrayView bytes) {
            return output.putAt(head + offset, bytes);
        });
    engine.setExpectedSize([&output, &head](std::uint64_t size) { output.reserve(head + size); });
    if (m_invocation.command == Invocation::Command::Dump
        || m_invocation.command == Invocation::Command::HexDump)
        engine.setBeforeDump([&] {
            const QByteArray text = resultHead(engine);
            head = std::uint64_t(text.size());
            output.put(text);
        });
    engine.setEmptyWindowCheck(noteEmptyWindow);
    switch (m_invocation.command) {
    case Invocation::Command::HexToBinary:
        return engine.hexToBinary(input);
    case Invocation::Command::BinaryToHex:
        return engine.binaryToHex(input);
    case Invocation::Command::Dump:
    case Invocation::Command::Sum:
        return engine.binaryToDump(input);
    case Invocation::Command::HexDump:
        return engine.hexToDump(input);
    case Invocation::Command::Info:
        return engine.inspect(input);
    case Invocation::Command::Convert:
    case Invocation::Command::Merge:
    case Invocation::Command::Crc:
    case Invocation::Command::Compare:
    case Invocation::Command::Patch:
        break;
    }
    return ResultNotIntelHex;
}

int CommandRunner::reportFailure(const ConversionEngine &engine, std::int32_t result) const
{
    const QString &name = m_invocation.input;
    if (result == ConversionEngine::SettingFault || result == ConversionEngine::TooLarge
        || result == ConversionEngine::RangeFault || result == ConversionEngine::InputFault)
        return fail(name, engine.failureMessage());
    QString message = LinkedLibrary::message(result);
    if (message.isEmpty())
        message = MessageLanguage::text("conversion failed (%1)").arg(result);
    // One line a message: the address fault's two lines are joined.
    message.replace(u'\n', u' ');
    if (m_invocation.takesHexText() && engine.place()) {
        const kestrun_place &at = *engine.place();
        if (at.result == result)
            message = placeMessage(GetErrorString, at);
        if (result == ResultOverlap && !engine.conflicts().empty()) {
            ImageInputOptions options;
            options.overlap = m_invocation.overlap;
            message += QStringLiteral(" (%1)").arg(conflictText(ImageLoader::wholeConflict(
                *linkedImageCalls(), name, options, engine.lastConflict())));
        }
        if (at.no_end_record)
            message += QStringLiteral(" (%1)").arg(HexErrorLine::noEndRecordNote());
        // An ELF input's segments have no line to name.
        return fail(at.line ? name + u':' + QString::number(at.line) : name, message);
    }
    return fail(name, message);
}

// "08004000-0800400F also written by line 3": one conflict, for a message.
QString CommandRunner::conflictText(const kestrun_conflict &conflict)
{
    auto hex = [](std::uint32_t value) {
        return QString::number(value, 16).toUpper().rightJustified(8, u'0');
    };
    if (conflict.earlier_line == 0)
        return MessageLanguage::text("%1-%2 also written by another segment")
            .arg(hex(conflict.low), hex(conflict.high));
    return MessageLanguage::text("%1-%2 also written by line %3")
        .arg(hex(conflict.low), hex(conflict.high), QString::number(conflict.earlier_line));
}

// Records that overwrote other bytes: the image keeps the rule's bytes,
// and the user hears where, as FILE:LINE: warnings.
void CommandRunner::warnOfConflicts(const ConversionEngine &engine) const
{
    if (m_invocation.overlap != KESTRUN_OVERLAP_LAST && m_invocation.overlap != KESTRUN_OVERLAP_FIRST)
        return;
    constexpr std::size_t kShown = 5;
    const auto &conflicts = engine.conflicts();
    for (std::size_t i = 0; i < std::min(conflicts.size(), kShown); ++i)
        printError(MessageLanguage::text("%1: warning: %2 (%3 kept)")
                       .arg(conflicts[i].line ? m_invocation.input + u':'
                                                    + QString::number(conflicts[i].line)
                                              : m_invocation.input,
                            conflictText(conflicts[i]),
                            m_invocation.overlap == KESTRUN_OVERLAP_LAST
                                ? MessageLanguage::text("the later bytes")
                                : MessageLanguage::text("the earlier bytes")));
    if (engine.conflictCount() > kShown)
        printError(MessageLanguage::text("%1: warning: %2 more records overwrite other bytes; "
                                         "--overlap error refuses them")
                       .arg(m_invocation.input)
                       .arg(engine.conflictCount() - kShown));
}

// When the automatic window puts a long run of fill before the first data
// byte (firmware linked high, as at 08000000), says how to start at the data.
void CommandRunner::noteLeadingFill(ConversionEngine &engine,
                                    const ConversionSettings &settings) const
{
    std::uint32_t lowest = 0, highest = 0;
    if (settings.rangeGiven || settings.fromLowest || !engine.dataBounds(lowest, highest)
        || lowest <= kLeadingFillNoted)
        return;
    printError(
        MessageLanguage::text("kestrun: note: %1 MiB of fill come before the first data byte at "
                              "%2; --from-lowest starts the image there, as objcopy does")
            .arg(lowest >> 20)
            .arg(QString::number(lowest, 16).toUpper().rightJustified(8, u'0')));
}

QString CommandRunner::emptyWindowNote(ConversionEngine::Addresses window,
                                       std::optional<ConversionEngine::Addresses> data)
{
    auto range = [](ConversionEngine::Addresses addresses) {
        return hexDigits(addresses.low) + u'-' + hexDigits(addresses.high);
    };
    return MessageLanguage::text("kestrun: note: no data in %1; %2")
        .arg(range(window), data ? MessageLanguage::text("the data lies in ") + range(*data)
                                 : MessageLanguage::text("the input holds no data"));
}

// A given window of fill alone is made, as asked, but a range left from
// another file or mistyped should not pass without a word.
bool CommandRunner::noteEmptyWindow(ConversionEngine::Addresses window,
                                    std::optional<ConversionEngine::Addresses> data)
{
    printError(emptyWindowNote(window, data));
    return true;
}

// kestrun info of HEX text: one fact a line, "name value", for scripts.
QByteArray CommandRunner::infoText(ConversionEngine &engine) const
{
    const kestrun_hex_stats &stats = engine.stats();
    QByteArray counts;
    for (std::size_t type = 0; type < 6; ++type)
        counts += "records-0" + QByteArray::number(qulonglong(type)) + ' '
                  + QByteArray::number(qulonglong(stats.records[type])) + '\n';
    counts += "conflicting-bytes " + QByteArray::number(qulonglong(stats.conflicting_bytes)) + '\n';
    return InfoCommand::text(*engine.imageCalls(), engine.image(), counts);
}

// The report up to its lines: code page 932 as Pelcor saves it, except on
// a terminal, which shows UTF-8. The lines themselves are ASCII.
QByteArray CommandRunner::resultHead(const ConversionEngine &engine) const
{
    const QString head = engine.reportHead(nameForCp932Text(m_invocation.input));
    if (outputPath() == u"-" && isatty(STDOUT_FILENO))
        return head.toUtf8();
    return encodeCp932(head);
}

// The exit status for how opening or writing the output ended.
int CommandRunner::outputStatus(OutputTarget::Outcome outcome, const QString &error) const
{
    switch (outcome) {
    case OutputTarget::Outcome::Written:
        return Done;
    case OutputTarget::Outcome::Cancelled:
        return cancelled();
    case OutputTarget::Outcome::Failed:
        break;
    }
    if (CancelSignal::requested())
        return cancelled();
    const QString path = outputPath();
    return fail(path == u"-" ? MessageLanguage::text("standard output") : path, error);
}
