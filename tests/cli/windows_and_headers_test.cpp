// kestrun on inputs that once misled it: a window of fill alone, report
// headers for names in code page 932 and for sources without data, and
// HEX files larger than 2 GiB (sparse after their end record).
#include "support/kestrun_process.h"
#include "support/test_files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QByteArray kFourBytes = ":0400000001020304F2\r\n:00000001FF\r\n";

KestrunRun shell(const QString &folder, const QString &script)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = kestrunEnvironment();
    environment.insert(QStringLiteral("K"), QStringLiteral(KESTRUN_PROGRAM));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
    process.waitForFinished(120000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class WindowsAndHeadersTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("rom.hex"), kFourBytes);
        writeBytes(path("none.hex"), ":00000001FF\r\n");
        writeBytes(path("none.bin"), QByteArray());
    }

    // QTemporaryDir cannot remove a name that is not UTF-8.
    void cleanupTestCase() { shell(m_dir.path(), "find . -mindepth 1 -delete"); }

    void windowsOfFillAloneAreNoted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("note");
        const QString beyond =
            "kestrun: note: no data in 00000008-0000000F; the data lies in 00000000-00000003\n";
        QTest::newRow("hex2bin") << QStringList{"hex2bin", "rom.hex", "--start", "8", "--end", "F"}
                                 << beyond;
        QTest::newRow("hexdump") << QStringList{"hexdump", "rom.hex", "--start", "8", "--end", "F"}
                                 << beyond;
        QTest::newRow("checksum only")
            << QStringList{"hexdump", "rom.hex", "--start", "8", "--end", "F", "--checksum-only"}
            << beyond;
        QTest::newRow("no data at all")
            << QStringList{"hex2bin", "none.hex", "--start", "8", "--end", "F"}
            << "kestrun: note: no data in 00000008-0000000F; the input holds no data\n";
        QTest::newRow("a window with data")
            << QStringList{"hex2bin", "rom.hex", "--start", "3", "--end", "F"} << QString();
        QTest::newRow("an automatic end")
            << QStringList{"hex2bin", "rom.hex", "--start", "2"} << QString();
    }

    // The window is still made, as asked; only the note is new.
    void windowsOfFillAloneAreNoted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, note);
        const KestrunRun result =
            runKestrun(arguments + QStringList{"-o", "out"}, {}, m_dir.path());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.errorText(), note);
        QVERIFY(QFileInfo(path("out")).size() > 0);
    }

    void reportHeadersNameTheSource_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("a code page 932 name")
            << "cp rom.hex \"$(printf '\\203e\\203X\\203g.hex')\" && "
               "$K hexdump \"$(printf '\\203e\\203X\\203g.hex')\" --checksum-only"
            << QByteArray("FileName :  \x83\x65\x83\x58\x83\x67.hex\r\n"
                          "        Address  :  0 - 3\r\n");
        QTest::newRow("an empty binary")
            << "$K dump none.bin"
            << QByteArray("FileName :  none.bin\r\n        Address  :  none\r\n");
        QTest::newRow("HEX without data")
            << "$K hexdump none.hex --checksum-only"
            << QByteArray("FileName :  none.hex\r\n        Address  :  none\r\n");
        QTest::newRow("HEX without data, from the lowest")
            << "$K hexdump none.hex --from-lowest"
            << QByteArray("FileName :  none.hex\r\n        Address  :  none\r\n");
    }

    void reportHeadersNameTheSource()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, header);
        const KestrunRun result = shell(m_dir.path(), script);
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QVERIFY2(result.out.contains(header), result.out.constData());
    }

    // Text past 2 GiB is read in pieces like any other; these files end in
    // a hole after their end record, so that they cost no disk and no time.
    void inputsAbove2GiBAreRead_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("hex2bin") << QStringList{"hex2bin"};
        QTest::newRow("hexdump") << QStringList{"hexdump"};
        QTest::newRow("info") << QStringList{"info"};
    }

    void inputsAbove2GiBAreRead()
    {
        QFETCH(QStringList, arguments);
        const QString large = path("large.hex");
        writeBytes(large, kFourBytes);
        QVERIFY(::truncate(QFile::encodeName(large).constData(), (off_t(5) << 30) / 2) == 0);
        const KestrunRun small =
            runKestrun(arguments + QStringList{"rom.hex", "-o", "small.out"}, {}, m_dir.path());
        const KestrunRun read =
            runKestrun(arguments + QStringList{"large.hex", "-o", "large.out"}, {}, m_dir.path());
        QCOMPARE(read.exitCode, 0);
        QCOMPARE(read.errorText(), QString());
        QByteArray expected = readBytes(path("small.out"));
        expected.replace("rom.hex", "large.hex");
        QCOMPARE(readBytes(path("large.out")), expected);
        QVERIFY(small.exitCode == 0 && !expected.isEmpty());
    }
};

QTEST_GUILESS_MAIN(WindowsAndHeadersTest)
#include "windows_and_headers_test.moc"
