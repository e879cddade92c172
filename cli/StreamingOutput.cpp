#include "StreamingOutput.h"

#include "CancelSignal.h"

#include <pthread.h>

#include <cstring>
#include <utility>

namespace {

// The writer is woken for no less than this, so that it writes in large
// pieces.
constexpr qsizetype kPiece = qsizetype(1) << 20;

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
    }
    return outcome;
}

void StreamingOutput::put(QByteArray bytes)
{
    const std::lock_guard lock(m_mutex);
    m_pending.append(std::move(bytes));
    m_changed.notify_one();
}

void StreamingOutput::follow(const char *text)
{
    const std::lock_guard lock(m_mutex);
    m_text = text;
    m_searched = 0;
}

bool StreamingOutput::catchUp()
{
    std::unique_lock lock(m_mutex);
    if (m_outcome != OutputTarget::Outcome::Written)
        return false;
    if (!m_text)
        return true;
    const char *text = m_text;
    lock.unlock();
    // Lines are short: the end lies a few kilobytes on at most.
    m_searched += static_cast<qsizetype>(std::strlen(text + m_searched));
    if (m_searched - m_announced >= kPiece)
        announce(m_searched);
    return true;
}

bool StreamingOutput::failed(QString &error)
{
    const std::lock_guard lock(m_mutex);
    error = m_error;
    return m_outcome == OutputTarget::Outcome::Failed;
}

void StreamingOutput::announce(qsizetype complete)
{
    const std::lock_guard lock(m_mutex);
    m_announced = complete;
    m_changed.notify_one();
}

OutputTarget::Outcome StreamingOutput::finish(QByteArrayView text, QString &error)
{
    {
        const std::lock_guard lock(m_mutex);
        // Unfollowed bytes are written from where they lie, after put()'s.
        if (!m_text)
            m_text = text.data();
        m_announced = text.size();
        m_closing = true;
        m_changed.notify_one();
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
        m_changed.notify_one();
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

// The writer thread: puts first, then the followed text as it is announced.
void StreamingOutput::write()
{
    const sigset_t cancels = CancelSignal::handledSignals();
    pthread_sigmask(SIG_UNBLOCK, &cancels, nullptr);
    std::unique_lock lock(m_mutex);
    bool more = true;
    while (more)
        more = writeNext(lock);
}

// Writes what is waiting, or waits; false when the writer is done.
bool StreamingOutput::writeNext(std::unique_lock<std::mutex> &lock)
{
    if (m_outcome != OutputTarget::Outcome::Written)
        return false;
    const bool fromPending = !m_pending.isEmpty();
    QByteArray bytes;
    QByteArrayView piece;
    if (fromPending) {
        bytes = m_pending.takeFirst();
        piece = bytes;
    } else if (m_text && m_announced > m_written) {
        piece = QByteArrayView(m_text + m_written, m_announced - m_written);
    } else if (m_closing) {
        return false;
    } else {
        m_changed.wait(lock);
        return true;
    }
    lock.unlock();
    QString error;
    const OutputTarget::Outcome outcome = m_target.write(piece, error);
    lock.lock();
    if (!fromPending)
        m_written += piece.size();
    if (outcome != OutputTarget::Outcome::Written) {
        m_outcome = outcome;
        m_error = error;
    }
    return true;
}
