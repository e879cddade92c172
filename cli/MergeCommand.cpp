#include "MergeCommand.h"

#include "CheckRequest.h"
#include "CommandRunner.h"
#include "ErrorLine.h"
#include "LinkedLibrary.h"
#include "StreamingOutput.h"
#include "core/ConversionPlan.h"

#include <sys/stat.h>

namespace {

QString startText(std::uint32_t type, std::uint32_t value)
{
    return type == KESTRUN_START_SEGMENT
               ? hexDigits(value >> 16, 16) + u':' + hexDigits(value & 0xFFFF, 16)
               : hexDigits(value);
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

MergeCommand::MergeCommand(const Invocation &invocation) : m_invocation(invocation)
{
}

int MergeCommand::run()
{
    const QString output = m_invocation.output.isEmpty() ? QStringLiteral("-") : m_invocation.output;
    for (const QString &input : m_invocation.inputs) {
        if (output != u"-" && input != u"-" && sameFile(output, input)) {
            printErrorLine(QStringLiteral("kestrun: %1 is an input file; give another -o").arg(output));
            return CommandRunner::UsageError;
        }
    }
    const std::int32_t policy =
        m_invocation.overlapGiven ? m_invocation.overlap : KESTRUN_OVERLAP_REFUSE;
    ConflictLog log(m_invocation.inputs, policy);
    ImagePointer merged(kestrun_image_new());
    for (int i = 0; i < m_invocation.inputs.size(); ++i) {
        QString error;
        const ImagePointer image =
            ImageLoader::load(m_invocation.inputs[i], std::uint32_t(i + 1), policy, log, error,
                              m_invocation.inputFormat);
        if (!image) {
            printErrorLine(error);
            return CommandRunner::Failed;
        }
        const std::int32_t rc = kestrun_image_merge(merged.get(), image.get(), std::uint32_t(i + 1),
                                                    policy, ConflictLog::collect, log.userValue(),
                                                    nullptr);
        if (rc == ResultOverlap && !log.kept().empty()) {
            printErrorLine(log.text(log.kept().back()));
            return CommandRunner::Failed;
        }
        if (rc < 0) {
            printErrorLine(m_invocation.inputs[i] + QStringLiteral(": ")
                           + LinkedLibrary::message(rc).replace(u'\n', u' '));
            return CommandRunner::Failed;
        }
        if (!takeStart(image.get(), i))
            return CommandRunner::Failed;
    }
    log.warn();
    kestrun_image_set_start(merged.get(), m_startType, m_startValue);
    if (m_invocation.job.insertAt) {
        QString error;
        if (!CheckRequest(m_invocation.job).insert(merged.get(), error)) {
            printErrorLine(QStringLiteral("kestrun: --insert-crc: ") + error);
            return CommandRunner::Failed;
        }
    }
    return write(merged.get());
}

// The start address of the one input that has one; two that differ stop
// the merge, since either could be meant.
bool MergeCommand::takeStart(const kestrun_image *image, int input)
{
    std::uint32_t type = KESTRUN_START_NONE, value = 0;
    kestrun_image_start(image, &type, &value);
    if (type == KESTRUN_START_NONE)
        return true;
    if (m_startFrom >= 0 && (type != m_startType || value != m_startValue)) {
        printErrorLine(QStringLiteral("%1: start address %2 differs from %3's %4")
                           .arg(m_invocation.inputs[input], startText(type, value),
                                m_invocation.inputs[m_startFrom], startText(m_startType, m_startValue)));
        return false;
    }
    m_startFrom = input;
    m_startType = type;
    m_startValue = value;
    return true;
}

int MergeCommand::write(const kestrun_image *image)
{
    const QString path = m_invocation.output.isEmpty() ? QStringLiteral("-") : m_invocation.output;
    const QString where = path == u"-" ? QStringLiteral("standard output") : path;
    StreamingOutput output(path);
    QString error;
    if (output.open(error) != OutputTarget::Outcome::Written) {
        printErrorLine(where + QStringLiteral(": ") + error);
        return CommandRunner::Failed;
    }
    kestrun_hex_options options;
    kestrun_hex_options_init(&options);
    if (m_invocation.recordLength)
        options.record_length = std::uint32_t(readHexSetting(*m_invocation.recordLength).value_or(32));
    if (m_invocation.newLine)
        options.line_end = *m_invocation.newLine == 1   ? KESTRUN_NEWLINE_CR
                           : *m_invocation.newLine == 2 ? KESTRUN_NEWLINE_LF
                                                        : KESTRUN_NEWLINE_CRLF;
    std::int32_t rc = ResultOk;
    const auto sink = [](const char *bytes, std::uint64_t length, intptr_t user) -> std::int32_t {
        return reinterpret_cast<StreamingOutput *>(user)->put(QByteArrayView(bytes, qsizetype(length)))
                   ? ResultOk
                   : ResultCancelled;
    };
    kestrun_hex_writer *writer =
        kestrun_hex_writer_new(&options, sink, reinterpret_cast<intptr_t>(&output), &rc);
    if (writer) {
        rc = kestrun_hex_writer_image(writer, image, 0, UINT32_MAX);
        if (rc >= 0)
            rc = kestrun_hex_writer_finish(writer);
        kestrun_hex_writer_free(writer);
    }
    if (rc < 0) {
        if (!output.failed(error))
            error = LinkedLibrary::message(rc).replace(u'\n', u' ');
        printErrorLine(where + QStringLiteral(": ") + error);
        return CommandRunner::Failed;
    }
    if (output.finish(error) != OutputTarget::Outcome::Written) {
        printErrorLine(where + QStringLiteral(": ") + error);
        return CommandRunner::Failed;
    }
    return CommandRunner::Done;
}
