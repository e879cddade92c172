#include "MergeCommand.h"

#include "CheckRequest.h"
#include "CommandRunner.h"
#include "ErrorLine.h"
#include "LinkedLibrary.h"
#include "StreamingOutput.h"
#include "core/ConversionPlan.h"
#include "core/ImageLoader.h"
#include "core/ImageMerge.h"
#include "core/ImageText.h"

#include <sys/stat.h>

namespace {

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
    const QString output =
        m_invocation.output.isEmpty() ? QStringLiteral("-") : m_invocation.output;
    for (const QString &input : m_invocation.inputs) {
        if (output != u"-" && input != u"-" && sameFile(output, input)) {
            printErrorLine(
                QStringLiteral("kestrun: %1 is an input file; give another -o").arg(output));
            return CommandRunner::UsageError;
        }
    }
    const std::int32_t policy =
        m_invocation.overlapGiven ? m_invocation.overlap : KESTRUN_OVERLAP_REFUSE;
    const ImageCalls &calls = *LinkedLibrary::calls().image();
    ConflictLog log(m_invocation.inputs, policy);
    ImageMerge merge(calls, m_invocation.inputs, policy, log);
    for (int i = 0; i < m_invocation.inputs.size(); ++i) {
        QString error;
        const ImageHandle image =
            ImageLoader::load(calls, m_invocation.inputs[i],
                              {std::uint32_t(i + 1), policy, m_invocation.inputFormat}, log, error);
        if (!image || !merge.add(image.get(), i, error, LinkedLibrary::message)) {
            printErrorLine(error);
            return CommandRunner::Failed;
        }
    }
    for (const QString &line : log.warnings())
        printErrorLine(line);
    const ImageHandle merged = merge.take();
    if (m_invocation.job.insertAt) {
        QString error;
        if (!CheckRequest(m_invocation.job).insert(merged.get(), error)) {
            printErrorLine(QStringLiteral("kestrun: --insert-crc: ") + error);
            return CommandRunner::Failed;
        }
    }
    return write(merged.get());
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
    TextLayout layout;
    if (m_invocation.recordLength)
        layout.recordLength =
            std::uint32_t(readHexSetting(*m_invocation.recordLength).value_or(32));
    if (m_invocation.newLine)
        layout.lineEnd = *m_invocation.newLine == 1   ? KESTRUN_NEWLINE_CR
                         : *m_invocation.newLine == 2 ? KESTRUN_NEWLINE_LF
                                                      : KESTRUN_NEWLINE_CRLF;
    const auto sink = [](const char *bytes, std::uint64_t length, intptr_t user) -> std::int32_t {
        return reinterpret_cast<StreamingOutput *>(user)->put(
                   QByteArrayView(bytes, qsizetype(length)))
                   ? ResultOk
                   : ResultCancelled;
    };
    const std::int32_t rc = writeHexText(*LinkedLibrary::calls().image(), image, layout, sink,
                                         reinterpret_cast<intptr_t>(&output));
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
