#include "StreamingOutput.h"

#include "CancelSignal.h"

#include <pthread.h>

#include <utility>

namespace {

// Bytes are handed to the writer in pieces of this size, and no more than
// kMostPending of them wait.
constexpr qsizetype kPiece = qsizetype(1) << 20;
constexpr qsizetype kMostPending = qsizetype(4) << 20;

} // namespace

StreamingOutput::StreamingOutput(const QString &path) : m_target(path)
{
}

StreamingOutput::~StreamingOutput()
{
    stop();
}

OutputTarget::Outcome StreamingOutput::open(QString &error)
{
    const OutputTarget::Outcome outcome = m_target.open(error);
    if (outcome == OutputTarget::Outcome::Written) {
        // A cancel must reach the writer, whose write into a pipe that is
        // not read only a signal ends; this thread still sees it through
        // CancelSignal::requested().
        const sigset_t cancels = CancelSignal::handledSignals();
        pthread_sigmask(SIG_BLOCK, &cancels, &m_callerSignals);
        m_writer = std::thread(&StreamingOutput::write, this);
        m_gathering.reserve(kPiece);
    }
    return outcome;
}

bool StreamingOutput::put(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qsizetype n = std::min(bytes.size(), kPiece - m_gathering.size());
        m_gathering.append(bytes.first(n));
        bytes = bytes.sliced(n);
        if (m_gathering.size() == kPiece)
            handOver();
    }
    return !failed() && !CancelSignal::requested();
}

bool StreamingOutput::putAt(std::uint64_t offset, QByteArrayView bytes)
{
    if (QString error; !m_target.writeAt(offset, bytes, error)) {
        const std::lock_guard lock(m_mutex);
        if (m_outcome == OutputTarget::Outcome::Written) {
            m_outcome = OutputTarget::Outcome::Failed;
            m_error = error;
            m_stopped = true;
        }
        m_changed.notify_all();
        return false;
    }
    return !failed() && !CancelSignal::requested();
}

bool StreamingOutput::putCopy(int fd, std::uint64_t offset, std::uint64_t length)
{
    handOver();
    // A copy costs no memory while it waits; its length still holds the
    // caller back as bytes would, so that the writer is never far behind.
    queue(Piece{QByteArray(), fd, offset, length}, qsizetype(std::min<std::uint64_t>(length, kPiece)));
    return !failed() && !CancelSignal::requested();
}

void StreamingOutput::handOver()
{
    if (m_gathering.isEmpty())
        return;
    const qsizetype size = m_gathering.size();
    queue(Piece{std::exchange(m_gathering, QByteArray())}, size);
    // A piece already written is memory the process has touched: fresh
    // memory costs a page fault and a cleared page for every 4 KiB.
    const std::lock_guard lock(m_mutex);
    if (!m_spare.isEmpty())
        m_gathering = m_spare.takeLast();
    else
        m_gathering.reserve(kPiece);
}

void StreamingOutput::queue(Piece piece, qsizetype size)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] {
        return m_pendingBytes < kMostPending || m_outcome != OutputTarget::Outcome::Written
               || CancelSignal::requested();
    });
    m_pendingBytes += size;
    m_pending.append(std::move(piece));
    m_changed.notify_all();
}

bool StreamingOutput::startOver()
{
    m_gathering.clear();
    m_gathering.reserve(kPiece);
    std::unique_lock lock(m_mutex);
    // m_pendingBytes falls only once a piece is written: at 0 none is on
    // its way to the file.
    m_changed.wait(lock, [this] {
        return m_pendingBytes == 0 || m_outcome != OutputTarget::Outcome::Written;
    });
    if (m_outcome != OutputTarget::Outcome::Written)
        return false;
    QString error;
    if (m_target.startOver(error))
        return true;
    m_outcome = OutputTarget::Outcome::Failed;
    m_error = error;
    m_stopped = true;
    return false;
}

bool StreamingOutput::failed(QString &error)
{
    const std::lock_guard lock(m_mutex);
    error = m_error;
    return m_outcome == OutputTarget::Outcome::Failed;
}

OutputTarget::Outcome StreamingOutput::finish(QString &error)
{
    handOver();
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        m_changed.notify_all();
    }
    joinWriter();
    if (m_outcome == OutputTarget::Outcome::Written)
        m_outcome = m_target.commit(m_error);
    error = m_error;
    return m_outcome;
}

void StreamingOutput::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
        if (m_outcome == OutputTarget::Outcome::Written)
            m_outcome = OutputTarget::Outcome::Cancelled;
        m_stopped = true;
        m_changed.notify_all();
    }
    joinWriter();
}

void StreamingOutput::joinWriter()
{
    if (!m_writer.joinable())
        return;
    m_writer.join();
    pthread_sigmask(SIG_SETMASK, &m_callerSignals, nullptr);
}

// The writer thread: the pieces in the order they were handed over.
void StreamingOutput::write()
{
    const sigset_t cancels = CancelSignal::handledSignals();
    pthread_sigmask(SIG_UNBLOCK, &cancels, nullptr);
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_outcome != OutputTarget::Outcome::Written)
            return;
        if (m_pending.isEmpty()) {
            if (m_closing)
                return;
            m_changed.wait(lock);
            continue;
        }
        Piece piece = m_pending.takeFirst();
        lock.unlock();
        QString error;
        const OutputTarget::Outcome outcome =
            piece.fd < 0 ? m_target.write(piece.bytes, error)
                         : m_target.copy(piece.fd, piece.offset, piece.length, error);
        lock.lock();
        if (piece.fd < 0) {
            m_pendingBytes -= piece.bytes.size();
            piece.bytes.resize(0);
            m_spare.append(std::move(piece.bytes));
        } else {
            m_pendingBytes -= qsizetype(std::min<std::uint64_t>(piece.length, kPiece));
        }
        if (outcome != OutputTarget::Outcome::Written) {
            m_outcome = outcome;
            m_error = error;
            m_stopped = true;
        }
        m_changed.notify_all();
    }
}
