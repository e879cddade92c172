// kestrun on inputs that once misled it: a window of fill alone, report
// headers for names in code page 932 and for sources without data, and
// HEX files larger than 2 GiB (sparse after their end record).
#include "support/kestrun_process.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QTest>

class WindowsAndHeadersTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    KestrunRun shell(const QString &script) const { return runKestrunScript(m_dir.path(), script); }


private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(m_dir.filePath("rom.hex"), ":0400000001020304F2\r\n:00000001FF\r\n");
        writeBytes(m_dir.filePath("none.hex"), ":00000001FF\r\n");
        writeBytes(m_dir.filePath("none.bin"), QByteArray());
    }

    // QTemporaryDir cannot remove a name that is not UTF-8.
    void cleanupTestCase() { shell("find . -mindepth 1 -delete"); }

    void runs_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        const QString noted = "kestrun: 注意: 00000008-0000000F にはデータがありません。";
        const QString beyond = noted + "データは次の範囲にあります: 00000000-00000003\n";
        const QString od = " | od -An -tx1";
        QTest::newRow("hex2bin of fill alone")
            << "$K hex2bin rom.hex --start 8 --end F -o -" + od
            << QByteArray(" ff ff ff ff ff ff ff ff") << beyond;
        QTest::newRow("hexdump of fill alone")
            << "$K hexdump rom.hex --start 8 --end F" << QByteArray("00000000  ") << beyond;
        QTest::newRow("no data at all") << "$K hex2bin none.hex --start 8 --end F -o -" + od
                                        << QByteArray(" ff") << noted + "入力にデータがありません\n";
        QTest::newRow("a window with data")
            << "$K hex2bin rom.hex --start 3 --end F -o -" + od << QByteArray(" 04 ff") << "";
        QTest::newRow("an automatic end")
            << "$K hex2bin rom.hex --start 2 -o -" + od << QByteArray(" 03 04\n") << "";
        QTest::newRow("a code page 932 name")
            << "n=\"$(printf '\\203e\\203X\\203g.hex')\"; cp rom.hex \"$n\" && "
               "$K hexdump \"$n\" --checksum-only"
            << QByteArray("FileName :  \x83\x65\x83\x58\x83\x67.hex\r\n") << "";
        const QByteArray none = "Address  :  none\r\n";
        QTest::newRow("an empty binary") << "$K dump none.bin" << none << "";
        QTest::newRow("HEX without data") << "$K hexdump none.hex --checksum-only" << none << "";
        QTest::newRow("HEX without data, from the lowest")
            << "$K hexdump none.hex --from-lowest" << none << "";
        const QString large = "cp rom.hex large.hex && truncate -s 2560M large.hex && ";
        QTest::newRow("hex2bin above 2 GiB")
            << large + "$K hex2bin large.hex -o -" + od << QByteArray(" 01 02 03 04\n") << "";
        QTest::newRow("hexdump above 2 GiB") << large + "$K hexdump large.hex --checksum-only"
                                             << QByteArray("CheckSum :  0000000A") << "";
        QTest::newRow("info above 2 GiB")
            << large + "$K info large.hex" << QByteArray("data-bytes 4\n") << "";
    }

    void runs()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        const KestrunRun result = shell(script);
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QVERIFY2(result.out.contains(out), result.out.constData());
        QCOMPARE(result.errorText(), err);
    }
};

QTEST_GUILESS_MAIN(WindowsAndHeadersTest)
#include "windows_and_headers_test.moc"
