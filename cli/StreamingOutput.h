// A command's output, written by a thread of its own while the library is
// still producing it: on two cores the writing of a large result then
// overlaps its making instead of following it.
//
//     StreamingOutput out(path);
//     out.open(error);        // before the conversion
//     out.put(bytes);         // as the result is made, piece by piece
//     out.finish(error);      // once the conversion succeeded
//
// put() waits while much is still unwritten, so the output holds a few
// pieces of memory whatever its size. Destroyed without a successful
// finish(), it leaves no output file.
#ifndef KESTRUN_CLI_STREAMING_OUTPUT_H
#define KESTRUN_CLI_STREAMING_OUTPUT_H

#include "OutputTarget.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <atomic>
#include <csignal>
#include <condition_variable>
#include <mutex>
#include <thread>

class StreamingOutput {
public:
    explicit StreamingOutput(const QString &path);
    ~StreamingOutput();
    StreamingOutput(const StreamingOutput &) = delete;
    StreamingOutput &operator=(const StreamingOutput &) = delete;

    // Opens the target and starts the writer.
    OutputTarget::Outcome open(QString &error);
    // Bytes to write after those put before; false once writing has failed
    // or been cancelled, when the conversion should stop.
    bool put(QByteArrayView bytes);
    // The same for `length` bytes of the file `fd` from `offset`, which the
    // writer has the system copy; `fd` must stay open until finish().
    bool putCopy(int fd, std::uint64_t offset, std::uint64_t length);
    // True, with the reason, once the writer has failed.
    bool failed(QString &error);
    bool failed() const { return m_stopped.load(std::memory_order_relaxed); }
    // Drops everything put so far, once the writer has caught up, and goes
    // on from the start of the file; false (failed() saying why) where the
    // target cannot, as standard output or a device cannot.
    bool startOver();
    bool canStartOver() const { return m_target.canStartOver(); }
    // Bytes at `offset` of the file, written at once by the calling thread
    // (any thread), beside the bytes put() in order, which must never reach
    // them; only a file that can start over takes them. False as put().
    bool putAt(std::uint64_t offset, QByteArrayView bytes);
    // The size the output will have, where it is known beforehand: a file
    // makes room for it (SafeFileWriter::reserve).
    void reserve(std::uint64_t size) const { m_target.reserve(size); }
    // Writes the rest and commits the file once all is written.
    OutputTarget::Outcome finish(QString &error);

private:
    void handOver();
    void stop();
    void joinWriter();
    void write();

    OutputTarget m_target;
    std::thread m_writer;
    sigset_t m_callerSignals{};
    std::mutex m_mutex;
    std::condition_variable m_changed;

    // The caller's: bytes gathered into one piece before it is handed over.
    QByteArray m_gathering;

    // Bytes to write, or (`fd` not -1) a part of a file to copy.
    struct Piece {
        QByteArray bytes;
        int fd = -1;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };
    void queue(Piece piece, qsizetype size);

    // Shared with the writer, under m_mutex.
    QList<Piece> m_pending;
    // Pieces written, emptied for the next ones.
    QList<QByteArray> m_spare;
    qsizetype m_pendingBytes = 0;
    bool m_closing = false;
    OutputTarget::Outcome m_outcome = OutputTarget::Outcome::Written;
    QString m_error;
    // m_outcome is no longer Written; read without the lock.
    std::atomic<bool> m_stopped{false};
};

#endif
