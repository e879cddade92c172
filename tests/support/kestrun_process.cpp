#include "support/kestrun_process.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr int kTimeout = 120000;

// A pseudo-terminal: the child opens the far end by name, the test reads
// what arrives at the near end.
class PseudoTerminal {
public:
    PseudoTerminal() : m_master(posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            qFatal("no pseudo-terminal");
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PseudoTerminal() { ::close(m_master); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    QString farEnd() const { return QString::fromLocal8Bit(ptsname(m_master)); }

    void drain(QByteArray &into)
    {
        char chunk[4096];
        ssize_t got = 0;
        while ((got = ::read(m_master, chunk, sizeof chunk)) > 0)
            into.append(chunk, got);
    }

private:
    int m_master;
};

void start(QProcess &process, const QStringList &arguments)
{
    if (process.processEnvironment().isEmpty())
        process.setProcessEnvironment(kestrunEnvironment());
    process.setProgram(QStringLiteral(KESTRUN_PROGRAM));
    process.setArguments(arguments);
    process.start();
    if (!process.waitForStarted(kTimeout))
        qFatal("kestrun did not start");
}

KestrunRun finish(QProcess &process, const QByteArray &input)
{
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kTimeout))
        qFatal("kestrun did not finish");
    KestrunRun result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

QProcessEnvironment kestrunEnvironment()
{
    // kestrun reads LANGUAGE first; the C library ignores it under the C
    // message locale, so that its error texts (strerror) stay the English
    // that tests compare, whatever locale the tests run under.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LC_ALL"));
    environment.insert(QStringLiteral("LC_CTYPE"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("C"));
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("ja"));
    return environment;
}

KestrunRun runKestrun(const QStringList &arguments, const QByteArray &input,
                      const QString &workingDirectory)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    start(process, arguments);
    return finish(process, input);
}

KestrunRun runKestrunIn(const QProcessEnvironment &environment, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    start(process, arguments);
    return finish(process, QByteArray());
}

KestrunRun runKestrunScript(const QString &folder, const QString &script)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = kestrunEnvironment();
    environment.insert(QStringLiteral("K"), QStringLiteral(KESTRUN_PROGRAM));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    if (!process.waitForFinished(kTimeout))
        qFatal("the script did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

KestrunRun runPeer(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    KestrunRun result;
    if (!process.waitForFinished(kTimeout) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString peerPython()
{
    const QString system = QStandardPaths::findExecutable(QStringLiteral("python3"), {"/usr/bin"});
    return system.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("python3")) : system;
}

KestrunRun runOnTerminal(const QStringList &arguments, OnTerminal stream)
{
    PseudoTerminal terminal;
    QProcess process;
    if (stream == OnTerminal::Output)
        process.setStandardOutputFile(terminal.farEnd());
    else
        process.setStandardErrorFile(terminal.farEnd());
    start(process, arguments);
    process.closeWriteChannel();
    KestrunRun result;
    QByteArray &shown = stream == OnTerminal::Output ? result.out : result.err;
    // The terminal holds little: it is read while kestrun writes to it.
    const QDeadlineTimer deadline(kTimeout);
    while (!process.waitForFinished(10)) {
        if (deadline.hasExpired())
            qFatal("kestrun did not finish");
        terminal.drain(shown);
    }
    terminal.drain(shown);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    (stream == OnTerminal::Output ? result.err : result.out) =
        stream == OnTerminal::Output ? process.readAllStandardError()
                                     : process.readAllStandardOutput();
    return result;
}
