#include "CompareCommand.h"

#include "CommandRunner.h"
#include "ErrorLine.h"
#include "LinkedLibrary.h"
#include "core/CompareListing.h"
#include "core/ImageLoader.h"

#include <cstdio>

CompareCommand::CompareCommand(const Invocation &invocation) : m_invocation(invocation)
{
}

int CompareCommand::run()
{
    const ImageCalls &calls = *LinkedLibrary::calls().image();
    ImageHandle images[2];
    for (int i = 0; i < 2; ++i) {
        ConflictLog log(m_invocation.inputs, m_invocation.overlap);
        QString error;
        images[i] = ImageLoader::load(
            calls, m_invocation.inputs[i],
            {std::uint32_t(i + 1), m_invocation.overlap, m_invocation.inputFormat}, log, error);
        if (!images[i]) {
            printErrorLine(error);
            return CommandRunner::UsageError;
        }
        for (const QString &line : log.warnings())
            printErrorLine(line);
    }
    const std::int32_t fill = m_invocation.job.fillByte ? *m_invocation.job.fillByte : -1;
    const CompareListing listing =
        compareImages(calls, images[0].get(), images[1].get(), m_invocation.inputs[0],
                      m_invocation.inputs[1], fill, m_invocation.job.maxShown);
    const QByteArray text = LocalPath::encode(listing.text);
    std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
    return listing.count == 0 ? CommandRunner::Done : CommandRunner::Failed;
}
