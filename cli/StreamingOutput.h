// A command's output, written by a thread of its own while the library is
// still producing it: on two cores the writing of a large result then
// overlaps its making instead of following it.
//
// The library ends its text with a NUL after every line, so whenever it
// reports progress, what lies before the first NUL is final. keepUp(),
// called from the progress callback, hands that part to the writer.
//
//     StreamingOutput out(path);
//     out.open(error);            // before the conversion
//     out.put(head);              // bytes that go first (a report's header)
//     out.follow(libraryText);    // from the library's first report on
//     ... keepUp() from the callback ...
//     out.finish(text, error);    // the whole text, once the call succeeded
//
// Destroyed without a successful finish(), it leaves no output file.
#ifndef KESTRUN_CLI_STREAMING_OUTPUT_H
#define KESTRUN_CLI_STREAMING_OUTPUT_H

#include "OutputTarget.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

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
    // Bytes written before anything followed.
    void put(QByteArray bytes);
    // The buffer the library writes its text into, from its start.
    void follow(const char *text);
    // Passes on the text finished so far; false once writing has failed or
    // been cancelled, when the library should stop. Called before every
    // line, it looks at the text only now and then.
    bool keepUp() { return ++m_reports % kReportsPerLook != 0 || catchUp(); }
    // True, with the reason, once the writer has failed.
    bool failed(QString &error);
    // Writes the rest: `text` is the followed buffer's whole text, or, when
    // nothing was followed, the bytes to write after put()'s. Commits the
    // file once all is written.
    OutputTarget::Outcome finish(QByteArrayView text, QString &error);

private:
    static constexpr unsigned kReportsPerLook = 256;

    bool catchUp();
    void announce(qsizetype complete);
    void stop();
    void joinWriter();
    void write();
    bool writeNext(std::unique_lock<std::mutex> &lock);

    OutputTarget m_target;
    std::thread m_writer;
    sigset_t m_callerSignals{};
    std::mutex m_mutex;
    std::condition_variable m_changed;

    // Shared with the writer, under m_mutex.
    QList<QByteArray> m_pending;
    const char *m_text = nullptr;
    qsizetype m_announced = 0;
    qsizetype m_written = 0;
    bool m_closing = false;
    OutputTarget::Outcome m_outcome = OutputTarget::Outcome::Written;
    QString m_error;

    // The callback's own: how far the text has been searched for its end.
    qsizetype m_searched = 0;
    unsigned m_reports = 0;
};

#endif
