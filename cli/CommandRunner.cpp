#include "CommandRunner.h"

#include "CancelSignal.h"
#include "ConversionProgress.h"
#include "LinkedLibrary.h"
#include "StreamingOutput.h"
#include "core/HexErrorLine.h"
#include "core/Cp932.h"
#include "core/LocalPath.h"
#include "core/SettingsModel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace {

// More fill than this before the first data byte earns a note.
constexpr qsizetype kLeadingFillNoted = qsizetype(16) << 20;

// Names in messages keep their own bytes, as the user typed them.
void printError(const QString &text)
{
    std::fputs(LocalPath::encode(text).append('\n').constData(), stderr);
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat first {
    }, second{};
    return stat(LocalPath::encode(a).constData(), &first) == 0
           && stat(LocalPath::encode(b).constData(), &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
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
    if (const QString error = checkOutput(); !error.isEmpty())
        return usage(error);
    CancelSignal::install();
    ConversionSettings settings;
    if (!readSettings(settings))
        return Failed;

    InputSource input;
    QString error;
    switch (input.read(m_invocation.input, error)) {
    case InputSource::Outcome::Read:
        return convert(settings, input);
    case InputSource::Outcome::Cancelled:
        return cancelled();
    case InputSource::Outcome::Failed:
        break;
    }
    return fail(m_invocation.input == u"-" ? QStringLiteral("standard input") : m_invocation.input,
                error);
}

int CommandRunner::usage(const QString &error) const
{
    printError(QStringLiteral("kestrun: ") + error);
    printError(QStringLiteral("Try 'kestrun --help' for more information."));
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
    const QString path = outputPath();
    if (path == u"-")
        return m_invocation.makesBinary() && isatty(STDOUT_FILENO)
                   ? QStringLiteral("refusing to write a binary image to a terminal; "
                                    "give -o FILE or redirect the output")
                   : QString();
    if (m_invocation.input != u"-" && sameFile(path, m_invocation.input))
        return QStringLiteral("%1 is the input file; give another -o").arg(path);
    return QString();
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
            fail(file, QStringLiteral("cannot read the settings file"));
            return false;
        }
        SettingsModel model;
        const QString absolute = absoluteName(file);
        model.setUp(absolute.left(absolute.lastIndexOf(u'/')));
        model.store().setPath(absolute);
        model.load();
        if (model.fileState() != SettingsModel::FileState::Read) {
            fail(file, model.fileState() == SettingsModel::FileState::WithoutSection
                           ? QStringLiteral("no [Vantrel] section in the settings file")
                           : QStringLiteral("cannot read the settings file"));
            return false;
        }
        base = model.dumpSettings();
    }
    settings = readConversionSettings(m_invocation.applyTo(base));
    m_invocation.refine(settings);
    if (m_invocation.command == Invocation::Command::Sum)
        settings.noDump = true;
    if (!settings.fault.isEmpty()) {
        fail(file.isEmpty() ? QStringLiteral("kestrun") : file,
             settingFaultMessage(settings.fault));
        return false;
    }
    return true;
}

int CommandRunner::convert(const ConversionSettings &settings, const InputSource &input)
{
    StreamingOutput output(outputPath());
    QString error;
    const OutputTarget::Outcome opened = output.open(error);
    if (opened != OutputTarget::Outcome::Written)
        return outputStatus(opened, error);
    ConversionEngine engine(LinkedLibrary::calls(), settings);
    const std::int32_t result = runEngine(engine, input, output);
    if (result < 0) {
        if (output.failed(error))
            return outputStatus(OutputTarget::Outcome::Failed, error);
        return reportFailure(engine, result, input.bytes());
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
        output.put(infoText(engine));
        break;
    case Invocation::Command::HexToBinary:
        noteLeadingFill(engine, settings);
        break;
    case Invocation::Command::BinaryToHex:
        break;
    }
    return outputStatus(output.finish(engine.output(), error), error);
}

std::int32_t CommandRunner::runEngine(ConversionEngine &engine, const InputSource &input,
                                      StreamingOutput &output) const
{
    const QByteArrayView bytes = input.bytes();
    ConversionProgress progress(
        isatty(STDERR_FILENO) && bytes.size() > ConversionProgress::kWorthShowing, output);
    engine.setProgress(ConversionProgress::report, progress.userValue());
    const bool report = m_invocation.command == Invocation::Command::Dump
                        || m_invocation.command == Invocation::Command::HexDump;
    engine.setTextReady([&](const char *text) {
        if (report)
            output.put(resultHead(engine));
        output.follow(text);
    });
    switch (m_invocation.command) {
    case Invocation::Command::HexToBinary:
        return engine.hexToBinary(bytes);
    case Invocation::Command::BinaryToHex:
        return engine.binaryToHex(bytes);
    case Invocation::Command::Dump:
    case Invocation::Command::Sum:
        return engine.binaryToDump(
            std::span(reinterpret_cast<std::uint8_t *>(input.data()), bytes.size()));
    case Invocation::Command::HexDump:
        return engine.hexToDump(bytes);
    case Invocation::Command::Info:
        return engine.inspect(bytes);
    }
    return ResultNotIntelHex;
}

int CommandRunner::reportFailure(const ConversionEngine &engine, std::int32_t result,
                                 QByteArrayView input) const
{
    const QString &name = m_invocation.input;
    if (result == ConversionEngine::SettingFault || result == ConversionEngine::TooLarge
        || result == ConversionEngine::RangeFault)
        return fail(name, engine.failureMessage());
    QString message = LinkedLibrary::message(result);
    if (message.isEmpty())
        message = QStringLiteral("conversion failed (%1)").arg(result);
    if (m_invocation.takesHexText() && HexErrorLine::isRecordError(result)) {
        const auto place =
            HexErrorLine::find(LinkedLibrary::calls(), input, HexErrorLine::Counting::Objcopy);
        if (place) {
            if (place->noEndRecord)
                message += QStringLiteral(" (%1)").arg(HexErrorLine::noEndRecordNote());
            return fail(name + u':' + QString::number(place->line), message);
        }
    }
    return fail(name, message);
}

// When the automatic window puts a long run of fill before the first data
// byte (firmware linked high, as at 08000000), says how to start at the data.
void CommandRunner::noteLeadingFill(ConversionEngine &engine,
                                    const ConversionSettings &settings) const
{
    if (settings.rangeGiven || settings.fromLowest || engine.windowEnd() < kLeadingFillNoted
        || engine.windowEnd() == UINT32_MAX)
        return;
    // Most images show data long before; only an all-fill start needs the
    // data's layout to tell fill from data that looks like it.
    if (engine.leadingFill() <= kLeadingFillNoted)
        return;
    const HexLayout &layout = engine.layout();
    if (layout.empty() || layout.lowest() <= kLeadingFillNoted)
        return;
    printError(QStringLiteral("kestrun: note: %1 MiB of fill come before the first data byte at "
                              "%2; --from-lowest starts the image there, as objcopy does")
                   .arg(layout.lowest() >> 20)
                   .arg(QString::number(layout.lowest(), 16).toUpper().rightJustified(8, u'0')));
}

// kestrun info: one fact a line, "name value", for scripts.
QByteArray CommandRunner::infoText(ConversionEngine &engine) const
{
    const HexLayout &layout = engine.layout();
    auto hex = [](std::uint64_t value) {
        return QByteArray::number(qulonglong(value), 16).toUpper().rightJustified(8, '0');
    };
    QByteArray text;
    for (const HexLayout::Span &span : layout.spans)
        text += "range " + hex(span.begin) + '-' + hex(span.end - 1) + '\n';
    if (!layout.empty())
        text += "lowest " + hex(layout.lowest()) + "\nhighest " + hex(layout.highest()) + '\n';
    text += "data-bytes " + QByteArray::number(qulonglong(layout.dataBytes)) + '\n';
    for (std::size_t type = 0; type < layout.records.size(); ++type)
        text += "records-0" + QByteArray::number(qulonglong(type)) + ' '
                + QByteArray::number(qulonglong(layout.records[type])) + '\n';
    if (layout.startAddress) {
        const std::uint32_t value = *layout.startAddress;
        text += layout.startType == 0x03 ? "start-segment " + hex(value >> 16).right(4) + ':'
                                               + hex(value & 0xFFFF).right(4)
                                         : "start-linear " + hex(value);
        text += '\n';
    }
    text += "sum " + hex(engine.dataSum()) + '\n';
    return text;
}

// The report up to its lines: code page 932 as Pelcor saves it, except on
// a terminal, which shows UTF-8. The lines themselves are ASCII.
QByteArray CommandRunner::resultHead(const ConversionEngine &engine) const
{
    const QString head = engine.reportHead(fileNamePart(m_invocation.input));
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
    return fail(path == u"-" ? QStringLiteral("standard output") : path, error);
}
