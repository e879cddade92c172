#include "OutputTarget.h"

#include "CancelSignal.h"

#include <algorithm>

namespace {

// Large writes go in pieces so that a cancel request is heard between them.
constexpr qsizetype kChunk = qsizetype(8) << 20;

bool g_sync = false;

} // namespace

void OutputTarget::setSync(bool sync)
{
    g_sync = sync;
}

OutputTarget::OutputTarget(const QString &path) : m_writer(path)
{
    m_writer.setSync(g_sync);
}

OutputTarget::Outcome OutputTarget::open(QString &error)
{
    if (CancelSignal::requested())
        return Outcome::Cancelled;
    if (m_writer.open())
        return Outcome::Written;
    error = m_writer.errorString();
    return CancelSignal::requested() ? Outcome::Cancelled : Outcome::Failed;
}

OutputTarget::Outcome OutputTarget::write(QByteArrayView bytes, QString &error)
{
    for (qsizetype done = 0; done < bytes.size();) {
        if (CancelSignal::requested())
            return Outcome::Cancelled;
        const qsizetype piece = std::min(bytes.size() - done, kChunk);
        if (!m_writer.write(bytes.sliced(done, piece))) {
            error = m_writer.errorString();
            return Outcome::Failed;
        }
        done += piece;
    }
    return Outcome::Written;
}

OutputTarget::Outcome OutputTarget::copy(int fd, std::uint64_t offset, std::uint64_t length,
                                         QString &error)
{
    if (CancelSignal::requested())
        return Outcome::Cancelled;
    if (!m_writer.copyFrom(fd, offset, length)) {
        error = m_writer.errorString();
        return Outcome::Failed;
    }
    return Outcome::Written;
}

OutputTarget::Outcome OutputTarget::commit(QString &error)
{
    if (CancelSignal::requested())
        return Outcome::Cancelled;
    if (m_writer.commit())
        return Outcome::Written;
    error = m_writer.errorString();
    return Outcome::Failed;
}

bool OutputTarget::startOver(QString &error)
{
    if (m_writer.startOver())
        return true;
    error = m_writer.errorString();
    return false;
}
