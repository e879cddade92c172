#include "OutputTarget.h"

#include "CancelSignal.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Large writes go in pieces so that a cancel request is heard between them.
constexpr qsizetype kChunk = qsizetype(8) << 20;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

OutputTarget::OutputTarget(const QString &path) : m_path(path) {}

OutputTarget::Outcome OutputTarget::open(QString &error)
{
    if (CancelSignal::requested())
        return Outcome::Cancelled;
    if (isStandardOutput())
        return Outcome::Written;
    m_file = std::make_unique<QSaveFile>(m_path);
    // Writing straight into the named file would leave it half written on
    // a failure; a folder that takes no new files is an error instead.
    m_file->setDirectWriteFallback(false);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = m_file->errorString();
        return Outcome::Failed;
    }
    return Outcome::Written;
}

OutputTarget::Outcome OutputTarget::write(QByteArrayView bytes, QString &error)
{
    for (qsizetype done = 0; done < bytes.size();) {
        if (CancelSignal::requested())
            return Outcome::Cancelled;
        const qsizetype piece = std::min(bytes.size() - done, kChunk);
        if (m_file) {
            if (m_file->write(bytes.data() + done, piece) != piece) {
                error = m_file->errorString();
                return Outcome::Failed;
            }
            done += piece;
            continue;
        }
        const ssize_t put = ::write(STDOUT_FILENO, bytes.data() + done, static_cast<size_t>(piece));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            error = systemError(put < 0 ? errno : EIO);
            return Outcome::Failed;
        }
        done += put;
    }
    return Outcome::Written;
}

OutputTarget::Outcome OutputTarget::commit(QString &error)
{
    if (CancelSignal::requested())
        return Outcome::Cancelled;
    if (m_file && !m_file->commit()) {
        error = m_file->errorString();
        return Outcome::Failed;
    }
    return Outcome::Written;
}
