#include "CompareCommand.h"

#include "CommandRunner.h"
#include "ErrorLine.h"
#include "ImageLoader.h"
#include "ImageJobOptions.h"

#include <cstdio>

namespace {

QString bytesText(const std::uint8_t *bytes, std::uint32_t count)
{
    QString text;
    for (std::uint32_t i = 0; i < count; ++i)
        text += (i ? QStringLiteral(" ") : QString()) + hexDigits(bytes[i], 8);
    return text;
}

} // namespace

CompareCommand::CompareCommand(const Invocation &invocation) : m_invocation(invocation)
{
}

// One line a difference: its range and what differs there.
std::int32_t CompareCommand::list(const kestrun_difference *d, intptr_t userValue)
{
    auto *self = reinterpret_cast<CompareCommand *>(userValue);
    if (self->m_listed++ >= self->m_invocation.job.maxShown)
        return ResultOk;
    const QStringList &inputs = self->m_invocation.inputs;
    const QString range = hexDigits(d->low) + u'-' + hexDigits(d->high);
    QString line;
    switch (d->kind) {
    case KESTRUN_DIFF_ONLY_A:
        line = QStringLiteral("%1 only in %2").arg(range, inputs[0]);
        break;
    case KESTRUN_DIFF_ONLY_B:
        line = QStringLiteral("%1 only in %2").arg(range, inputs[1]);
        break;
    default:
        line = QStringLiteral("%1 differ: %2 / %3")
                   .arg(range, bytesText(d->a, d->shown), bytesText(d->b, d->shown));
        if (d->high - d->low + 1 > d->shown)
            line = line.replace(QStringLiteral(" / "), QStringLiteral(" ... / ")) + QStringLiteral(" ...");
        break;
    }
    self->m_text += LocalPath::encode(line) + '\n';
    return ResultOk;
}

int CompareCommand::run()
{
    ImagePointer images[2];
    for (int i = 0; i < 2; ++i) {
        ConflictLog log(m_invocation.inputs, m_invocation.overlap);
        QString error;
        images[i] = ImageLoader::load(m_invocation.inputs[i], std::uint32_t(i + 1),
                                     m_invocation.overlap, log, error, m_invocation.inputFormat);
        if (!images[i]) {
            printErrorLine(error);
            return CommandRunner::UsageError;
        }
        log.warn();
    }
    const std::int32_t fill = m_invocation.job.fillByte ? *m_invocation.job.fillByte : -1;
    std::uint64_t count = 0;
    kestrun_image_compare(images[0].get(), images[1].get(), fill, list,
                          reinterpret_cast<intptr_t>(this), &count);
    if (count > m_invocation.job.maxShown)
        m_text += "... " + QByteArray::number(qulonglong(count - m_invocation.job.maxShown))
                  + " more differences\n";
    std::fwrite(m_text.constData(), 1, std::size_t(m_text.size()), stdout);
    return count == 0 ? CommandRunner::Done : CommandRunner::Failed;
}
