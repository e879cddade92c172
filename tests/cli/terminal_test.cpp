// kestrun with a person at the terminal: binary output is refused there,
// reports are shown in UTF-8, long conversions draw a bar on standard
// error, and Ctrl+C stops cleanly, leaving no partial output.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/stat.h>

namespace {

// True once `pid` has a handler for `signal` (its SigCgt mask in /proc).
bool waitUntilCaught(pid_t pid, int signal)
{
    const QString status = QStringLiteral("/proc/%1/status").arg(pid);
    for (QDeadlineTimer deadline(60000); !deadline.hasExpired(); QThread::msleep(5)) {
        QFile file(status);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("SigCgt:")
                && (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1)
                return true;
        }
    }
    return false;
}

} // namespace

class TerminalTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Starts kestrun, lets it take over SIGINT and block, then sends it
    // Ctrl+C's signal.
    void interrupt(QProcess &process, const QStringList &arguments)
    {
        process.setWorkingDirectory(m_dir.path());
        process.setProcessEnvironment(kestrunEnvironment());
        process.start(QStringLiteral(KESTRUN_PROGRAM), arguments);
        QVERIFY(process.waitForStarted());
        const auto pid = static_cast<pid_t>(process.processId());
        QVERIFY(waitUntilCaught(pid, SIGINT));
        // Sleeping rather than waiting on events leaves its output unread.
        QThread::msleep(300);
        QCOMPARE(::kill(pid, SIGINT), 0);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("rom.hex"), ":0400000001020304F2\r\n:00000001FF\r\n");
        writeBytes(path("ロム.bin"), QByteArray("\x01\x02\x03\x04"));
        // Above the size from which a bar is drawn.
        writeBytes(path("large.bin"), sampleImage(5 << 20, 9));
    }

    void binaryOutputIsRefusedOnATerminal()
    {
        for (const QStringList &arguments :
             {QStringList{"hex2bin", path("rom.hex"), "-o", "-"}, QStringList{"hex2bin", "-"}}) {
            const KestrunRun result = runOnTerminal(arguments, OnTerminal::Output);
            QCOMPARE(result.exitCode, 2);
            QVERIFY(result.out.isEmpty());
            QVERIFY(result.errorText().contains(u"端末"));
        }
    }

    void reportsOnATerminalAreUtf8()
    {
        const KestrunRun result = runOnTerminal({"dump", path("ロム.bin")}, OnTerminal::Output);
        QCOMPARE(result.exitCode, 0);
        QVERIFY(QString::fromUtf8(result.out).contains(QStringLiteral("FileName :  ロム.bin")));
    }

    void largeConversionsDrawABarOnlyOnATerminal()
    {
        const QStringList arguments{"bin2hex", path("large.bin"), "-o", path("large.hex")};
        const KestrunRun shown = runOnTerminal(arguments, OnTerminal::Error);
        QCOMPARE(shown.exitCode, 0);
        QVERIFY(shown.err.contains("] 100%"));
        // The bar is wiped when the conversion ends.
        QVERIFY(shown.err.endsWith('\r'));
        const QByteArray hex = readBytes(path("large.hex"));

        const KestrunRun piped = runKestrun(arguments);
        QCOMPARE(piped.exitCode, 0);
        QVERIFY(piped.err.isEmpty());
        QCOMPARE(readBytes(path("large.hex")), hex);
    }

    // kestrun blocked on its input: standard input left open, a FIFO with
    // no writer yet.
    void interruptWhileReadingKeepsTheOldOutput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("standard input") << QStringList{"hex2bin", "-"};
        QTest::newRow("standard input, a start") << QStringList{"hex2bin", "-", "--start", "10"};
        QTest::newRow("a FIFO") << QStringList{"hex2bin", "fifo.hex", "--start", "10"};
        QTest::newRow("a FIFO to dump") << QStringList{"hexdump", "fifo.hex"};
    }

    void interruptWhileReadingKeepsTheOldOutput()
    {
        QFETCH(QStringList, arguments);
        QFile::remove(path("fifo.hex"));
        QVERIFY(::mkfifo(QFile::encodeName(path("fifo.hex")).constData(), 0600) == 0);
        writeBytes(path("kept.bin"), "old");
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::System);
        QProcess process;
        interrupt(process, arguments + QStringList{"-o", "kept.bin"});
        QCOMPARE(process.exitCode(), 1);
        const QString said = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(said.endsWith(u": 中止しました\n"), qPrintable(said));
        QCOMPARE(readBytes(path("kept.bin")), QByteArray("old"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::System), before);
    }

    void interruptWhileWritingStops()
    {
        QProcess process;
        interrupt(process, {"bin2hex", "large.bin"});
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains("中止しました"));
        QVERIFY(!process.readAllStandardOutput().contains(":00000001FF"));
    }
};

QTEST_GUILESS_MAIN(TerminalTest)
#include "terminal_test.moc"
