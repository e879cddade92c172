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

// Runs `script` with /bin/sh in `folder`, $K naming kestrun, in
// kestrunEnvironment(): for the runs that need the shell's redirections,
// links and permissions.
KestrunRun runKestrunScript(const QString &folder, const QString &script);

// Runs a peer (objcopy, srec_cat, srec_cmp, gcc, python3) and waits for it:
// its exit code (-1 when it could not start or did not end normally) and
// its streams.
KestrunRun runPeer(const QString &program, const QStringList &arguments);
// True when the peer ran and exited with 0.
inline bool peerSucceeds(const QString &program, const QStringList &arguments)
{
    return runPeer(program, arguments).exitCode == 0;
}
// The python3 that has the intelhex module: the system's, which
// tools/setup.sh installs it for, ahead of any other on the path.
QString peerPython();

// The streams of a run that can sit on a terminal instead of a pipe.
enum class OnTerminal { Output, Error };

// As runKestrun, with one stream on a pseudo-terminal: what kestrun writes
// there comes back in `out` or `err`, with the terminal's line ends.
KestrunRun runOnTerminal(const QStringList &arguments, OnTerminal stream);

#endif
