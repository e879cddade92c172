#include "MergeCommand.h"

#include "CancelSignal.h"
#include "CheckRequest.h"
#include "CommandRunner.h"
#include "ErrorLine.h"
#include "ImageOperations.h"
#include "ImageOutputFile.h"
#include "LinkedLibrary.h"
#include "MessageLanguage.h"
#include "OutputCheck.h"
#include "core/ImageLoader.h"
#include "core/ImageMerge.h"

#include <QCoreApplication>

MergeCommand::MergeCommand(const Invocation &invocation) : m_invocation(invocation)
{
}

int MergeCommand::run()
{
    const QString output =
        m_invocation.output.isEmpty() ? QStringLiteral("-") : m_invocation.output;
    if (const QString refusal = OutputCheck::refusal(
            output, m_invocation.inputs,
            ImageOutputFile::formatOf(m_invocation) == OutputFormat::Binary);
        !refusal.isEmpty()) {
        printErrorLine(QStringLiteral("kestrun: ") + refusal);
        printErrorLine(MessageLanguage::text("Try 'kestrun --help' for more information."));
        return CommandRunner::UsageError;
    }
    CancelSignal::install();
    const std::int32_t policy =
        m_invocation.overlapGiven ? m_invocation.overlap : KESTRUN_OVERLAP_REFUSE;
    const ImageCalls &calls = *LinkedLibrary::calls().image();
    ConflictLog log(m_invocation.inputs, policy);
    ImageMerge merge(calls, m_invocation.inputs, policy, log,
                     m_invocation.startChoice.value_or(StartChoice{}));
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
    for (const QString &note : merge.notes())
        printErrorLine(QCoreApplication::translate("MergeCommand",
                                                   "kestrun: 注意: %1 (--start-address で選べます)")
                           .arg(note));
    // The operations work on the merged image, as convert's on its input.
    if (const QString error = applyImageOperations(calls, merged.get(), m_invocation.operations);
        !error.isEmpty()) {
        printErrorLine(QStringLiteral("kestrun: ") + error);
        return CommandRunner::Failed;
    }
    if (m_invocation.job.insertAt) {
        QString error, warning;
        if (!CheckRequest(m_invocation.job).insert(merged.get(), m_invocation.inputs, policy,
                                                   error, warning)) {
            printErrorLine(QStringLiteral("kestrun: --insert-crc: ") + error);
            return CommandRunner::Failed;
        }
        if (!warning.isEmpty())
            printErrorLine(warning);
    }
    return ImageOutputFile::write(m_invocation, calls, merged.get());
}
