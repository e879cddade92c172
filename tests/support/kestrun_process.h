// Runs the built kestrun the way a build script does: arguments, bytes on
// standard input, and what comes back on standard output and error.
#ifndef KESTRUN_TEST_PROCESS_H
#define KESTRUN_TEST_PROCESS_H

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct KestrunRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString errorText() const { return QString::fromUtf8(err); }
};

// The test's environment with LANGUAGE=ja, so that kestrun's messages are
// the Japanese that the tests compare with Pelcor's, and the C library's
// error texts English; every run below uses it.
QProcessEnvironment kestrunEnvironment();

// Waits for kestrun to end; standard input gets `input` and is then closed.
KestrunRun runKestrun(const QStringList &arguments, const QByteArray &input = QByteArray(),
                      const QString &workingDirectory = QString());
// The same in `environment`.
KestrunRun runKestrunIn(const QProcessEnvironment &environment, const QStringList &arguments);

// The streams of a run that can sit on a terminal instead of a pipe.
enum class OnTerminal { Output, Error };

// As runKestrun, with one stream on a pseudo-terminal: what kestrun writes
// there comes back in `out` or `err`, with the terminal's line ends.
KestrunRun runOnTerminal(const QStringList &arguments, OnTerminal stream);

#endif
