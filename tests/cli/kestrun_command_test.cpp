// kestrun as a build script meets it: exit statuses, "-" for the standard
// streams, settings from a Pelcor.ini under the options, and errors that
// name the line of a bad record.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QProcess>
#include <QTest>

namespace {

const QString kSettings = QStringLiteral(KESTRUN_CLI_TEST_DATA "/Pelcor.ini");
const QString kBadSettings = QStringLiteral(KESTRUN_CLI_TEST_DATA "/bad-blank.ini");

const QByteArray kTwoRecords = ":0400000001020304F2\r\n:00000001FF\r\n";

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    KestrunRun run(const QStringList &arguments, const QByteArray &input = QByteArray())
    {
        return runKestrun(arguments, input, m_dir.path());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("rom.hex"), kTwoRecords);
        writeBytes(path("rom.bin"), sampleImage(0x90, 3));
        writeBytes(path("bad.hex"), ":0400000001020304F3\r\n:00000001FF\r\n");
        writeBytes(path("empty.ini"), QByteArray());
        writeBytes(path("other.ini"), "[Other]\r\nBlankChar=00\r\n");
        writeBytes(path("marked.ini"), "\xEF\xBB\xBF[Vantrel]\r\nBlankChar=100\r\n");
        writeBytes(path("short.ini"), "[Vantrel]\r\nRecordLength=0\r\n");
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("converted") << QStringList{"hex2bin", "rom.hex", "-o", "out.bin"} << 0 << "";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "";
        QTest::newRow("nothing") << QStringList{} << 2 << "コマンドがありません";
        QTest::newRow("unknown command") << QStringList{"hex2srec", "rom.hex"} << 2 << "というコマンドはありません";
        QTest::newRow("no input") << QStringList{"dump"} << 2 << "入力ファイルが 1 つ必要です";
        QTest::newRow("two inputs")
            << QStringList{"dump", "rom.bin", "rom.hex"} << 2 << "入力ファイルが 1 つ必要です";
        QTest::newRow("unknown option") << QStringList{"dump", "rom.bin", "--wide"} << 2 << "wide";
        QTest::newRow("fill above FF")
            << QStringList{"dump", "rom.bin", "--fill", "100"} << 2 << "--fill";
        QTest::newRow("record length 0")
            << QStringList{"bin2hex", "rom.bin", "--record-length", "0"} << 2 << "--record-length";
        QTest::newRow("scope 0") << QStringList{"dump", "rom.bin", "--scope", "0"} << 2
                                 << "--scope";
        QTest::newRow("not hex") << QStringList{"dump", "rom.bin", "--start", "0x1G"} << 2
                                 << "--start";
        QTest::newRow("line end") << QStringList{"dump", "rom.bin", "--line-end", "dos"} << 2
                                  << "dos";
        QTest::newRow("automatic and given")
            << QStringList{"dump", "rom.bin", "--auto-range", "--end", "F"} << 2 << "--auto-range";
        QTest::newRow("output over input")
            << QStringList{"bin2hex", "rom.bin", "-o", "rom.bin"} << 2 << "入力ファイル";
        QTest::newRow("missing input") << QStringList{"dump", "none.bin"} << 1 << "none.bin: ";
        QTest::newRow("bad record")
            << QStringList{"hex2bin", "bad.hex", "-o", "out.bin"} << 1 << "bad.hex:1: ";
        QTest::newRow("start beyond end")
            << QStringList{"dump", "rom.bin", "--start", "100", "--end", "10"} << 2
            << "--start 100 が --end 10 より後ろにあります";
        QTest::newRow("from lowest and a range")
            << QStringList{"hex2bin", "rom.hex", "--from-lowest", "--end", "F"} << 2
            << "--from-lowest";
        QTest::newRow("from lowest of a binary")
            << QStringList{"dump", "rom.bin", "--from-lowest"} << 2 << "--from-lowest は hex2bin と hexdump のオプションです";
        QTest::newRow("base for hex2bin")
            << QStringList{"hex2bin", "rom.hex", "--base", "100"} << 2 << "--base は bin2hex のオプションです";
        QTest::newRow("base not hex")
            << QStringList{"bin2hex", "rom.bin", "--base", "0x"} << 2 << "--base";
        QTest::newRow("range beyond the data")
            << QStringList{"dump", "rom.bin", "--start", "100"} << 1
            << "rom.bin: アドレス範囲 100 - 0 にはデータがありません";
        QTest::newRow("small scope grows")
            << QStringList{"dump", "rom.bin", "--end", "FFFFF", "--scope", "1"} << 0 << "";
        QTest::newRow("base past 32 bits")
            << QStringList{"bin2hex", "rom.bin", "--base", "FFFFFFFF"} << 1
            << "アドレスが 32 ビットを超えます";
        QTest::newRow("missing settings")
            << QStringList{"dump", "rom.bin", "--settings", "no.ini"} << 1 << "no.ini: ";
        QTest::newRow("bad settings")
            << QStringList{"dump", "rom.bin", "--settings", kBadSettings} << 1
            << "ダンプ設定の値が正しくありません: ﾌﾞﾗﾝｸ値 (BlankChar)";
        QTest::newRow("bad settings behind a UTF-8 mark")
            << QStringList{"dump", "rom.bin", "--settings", "marked.ini"} << 1
            << "marked.ini: ダンプ設定の値が正しくありません: ﾌﾞﾗﾝｸ値 (BlankChar)";
        QTest::newRow("record length 0 in the settings")
            << QStringList{"bin2hex", "rom.bin", "--settings", "short.ini"} << 1
            << "short.ini: ダンプ設定の値が正しくありません: 最大ﾃﾞｰﾀ長 (RecordLength)";
        QTest::newRow("settings without the section")
            << QStringList{"dump", "rom.bin", "--settings", "other.ini"} << 1
            << "other.ini: 設定ファイルに [Vantrel] セクションがありません";
        QTest::newRow("empty settings") << QStringList{"dump", "rom.bin", "--settings", "empty.ini"}
                                        << 1 << "empty.ini: 設定ファイルに [Vantrel] セクションがありません";
    }

    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        const KestrunRun result = run(arguments);
        QCOMPARE(result.exitCode, status);
        QVERIFY2(result.errorText().contains(said), result.err.constData());
        QCOMPARE(result.err.isEmpty(), status == 0);
    }

    void versionsAsTheVersionWindowShowsThem()
    {
        const KestrunRun result = run({"--version"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("kestrun        Ver 201\nLibrary        Ver 203\n"));
    }

    void dashReadsAndWritesTheStandardStreams()
    {
        QVERIFY(run({"hex2bin", "rom.hex", "-o", "file.bin"}).exitCode == 0);
        const QByteArray image = readBytes(path("file.bin"));
        QCOMPARE(image, QByteArray("\x01\x02\x03\x04"));
        // Standard input in: the binary result goes to standard output.
        QCOMPARE(run({"hex2bin", "-"}, kTwoRecords).out, image);
        QCOMPARE(run({"hex2bin", "rom.hex", "-o", "-"}).out, image);
        QCOMPARE(run({"hex2bin", "-", "-o", "piped.bin"}, kTwoRecords).exitCode, 0);
        QCOMPARE(readBytes(path("piped.bin")), image);

        const KestrunRun hex = run({"bin2hex", "-"}, image);
        QCOMPARE(hex.out, kTwoRecords);
        QCOMPARE(run({"bin2hex", "file.bin", "-o", "-"}).out, kTwoRecords);
        const KestrunRun dump = run({"dump", "-", "--checksum-only"}, image);
        QVERIFY(dump.out.contains("FileName :  -\r\n"));
        QVERIFY(dump.out.contains("CheckSum :  0000000A\r\n"));
        QCOMPARE(run({"sum", "-"}, image).out, QByteArray("0000000A\n"));
    }

    void binaryOutputGoesWherePelcorProposes()
    {
        QDir(m_dir.path()).mkdir("sub");
        writeBytes(path("sub/fw.old.hex"), kTwoRecords);
        QCOMPARE(run({"hex2bin", "sub/fw.old.hex"}).exitCode, 0);
        QCOMPARE(readBytes(path("sub/fw.old.bin")), QByteArray("\x01\x02\x03\x04"));
    }

    void settingsFileConvertsAsPelcorWould()
    {
        // The fixture gives the range 10-4F, fill 00, records of 8, LF.
        const QStringList same{"--start",         "10", "--end",      "4F", "--fill", "00",
                               "--record-length", "8",  "--line-end", "lf"};
        const KestrunRun fromFile = run({"bin2hex", "rom.bin", "--settings", kSettings});
        QCOMPARE(fromFile.exitCode, 0);
        QCOMPARE(fromFile.out, run(QStringList{"bin2hex", "rom.bin"} + same).out);
        QVERIFY(fromFile.out.startsWith(":08000000"));
        QVERIFY(!fromFile.out.contains('\r'));

        const KestrunRun report = run({"dump", "rom.bin", "--settings", kSettings});
        QVERIFY(report.out.contains("Address  :  10 - 4F\n"));

        // Options given on the command line win over the file.
        const KestrunRun crlf = run(
            {"bin2hex", "rom.bin", "--settings", kSettings, "--line-end", "crlf", "--auto-range"});
        QCOMPARE(crlf.out, run({"bin2hex", "rom.bin", "--fill", "00", "--record-length", "8"}).out);
        QVERIFY(crlf.out.contains("\r\n"));
    }

    void recordErrorsNameTheirLine_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        const QByteArray good = hexRecord(0x00, 0, "\x01\x02\x03\x04");
        const QByteArray badSum = ":0400040001020304ED";
        for (const char *end : {"\r\n", "\n", "\r"}) {
            QTest::addRow("checksum on line 3, line end %s",
                          QByteArray(end).toPercentEncoding().constData())
                << "hex2bin" << hexText({good, good, badSum, good}, end) << "3: ﾁｪｯｸｻﾑ値が異常です (ED、正しくは EE)";
        }
        QTest::newRow("checksum on line 3, LF CR counted as objcopy counts")
            << "hex2bin" << hexText({good, good, badSum, good}, "\n\r") << "3: ﾁｪｯｸｻﾑ値が異常です (ED、正しくは EE)";
        QTest::newRow("a comment line")
            << "hexdump" << good + "\r\nno record here\r\n" + badSum + "\r\n"
            << "2: ｲﾝﾃﾙﾍｷｻ形式ではありません";
        QTest::newRow("text after a checksum") << "hex2bin" << good + "\r\n" + good + " \r\n"
                                               << "2: ｲﾝﾃﾙﾍｷｻ形式ではありません";
        QTest::newRow("no end record") << "hex2bin" << good + "\n" + good + "\n"
                                       << "3: ｲﾝﾃﾙﾍｷｻ形式ではありません (ｴﾝﾄﾞﾚｺｰﾄﾞがありません)";
        QTest::newRow("no end record, last line open")
            << "hex2bin" << good + "\n\n" + good
            << "4: ｲﾝﾃﾙﾍｷｻ形式ではありません (ｴﾝﾄﾞﾚｺｰﾄﾞがありません)";
        QTest::newRow("empty text")
            << "hex2bin" << QByteArray() << "1: ｲﾝﾃﾙﾍｷｻ形式ではありません (ｴﾝﾄﾞﾚｺｰﾄﾞがありません)";
        QTest::newRow("bad end record") << "hex2bin" << good + "\n:0100000100FE\n"
                                        << "2: ｴﾝﾄﾞﾚｺｰﾄﾞが異常です";
        QTest::newRow("segment beyond 4 GiB")
            << "hexdump"
            << hexText({hexRecord(0x04, 0, "\xFF\xFF"),
                        hexRecord(0x02, 0, QByteArray::fromHex("F000")), good})
            << "2: 例外が発生しました ﾍｷｻﾌｧｲﾙのｱﾄﾞﾚｽ指定が不正な可能性があります";
    }

    // --start and --end mean that window, address 0 included; only their
    // absence leaves the range automatic.
    void givenRangesAreExact()
    {
        QCOMPARE(run({"hex2bin", "rom.hex", "--start", "0", "--end", "0", "-o", "-"}).out,
                 QByteArray("\x01"));
        QCOMPARE(run({"hex2bin", "rom.hex", "--end", "0", "-o", "-"}).out, QByteArray("\x01"));
        QCOMPARE(run({"hex2bin", "rom.hex", "--start", "2", "-o", "-"}).out,
                 QByteArray("\x03\x04"));
        QCOMPARE(run({"bin2hex", "-", "--start", "0", "--end", "0"}, "\x7F\x80").out,
                 QByteArray(":010000007F80\r\n:00000001FF\r\n"));
    }

    // Records 1 and 2 both write 0002-0003, with other bytes.
    void overlapRulesKeepTheirBytes_data()
    {
        QTest::addColumn<QStringList>("rule");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("error");
        const QString named = QStringLiteral("00000002-00000003 は 1 行目も書いています");
        QTest::newRow("default: last, with a warning")
            << QStringList() << 0 << QByteArray::fromHex("01020909")
            << "over.hex:2: 警告: " + named;
        QTest::newRow("first") << QStringList{"--overlap", "first"} << 0
                               << QByteArray::fromHex("01020304") << "over.hex:2: 警告: " + named;
        QTest::newRow("identical") << QStringList{"--overlap", "identical"} << 1 << QByteArray()
                                   << named;
        QTest::newRow("error") << QStringList{"--overlap", "error"} << 1 << QByteArray() << named;
    }

    void overlapRulesKeepTheirBytes()
    {
        QFETCH(QStringList, rule);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, image);
        QFETCH(QString, error);
        writeBytes(path("over.hex"),
                   hexText({hexRecord(0x00, 0, "\x01\x02\x03\x04"), hexRecord(0x00, 2, "\x09\x09")}));
        QFile::remove(path("over.bin"));
        const KestrunRun result = run(QStringList{"hex2bin", "over.hex", "-o", "over.bin"} + rule);
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.errorText().contains(error), qPrintable(result.errorText()));
        QCOMPARE(readBytes(path("over.bin")), image);
    }

    // Address and start records as asked, read back by objcopy.
    void addressRecordsAsAsked_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("04") << QStringList{"--address-records", "04"} << 0
                            << QByteArray(":0200000400", 11) + "01F9";
        QTest::newRow("a start address") << QStringList{"--start-address", "1234"} << 0
                                         << QByteArray(":0400000500001234B1\r\n:00000001FF");
        QTest::newRow("02") << QStringList{"--address-records", "02"} << 0
                            << QByteArray(":020000021000EC");
        QTest::newRow("none cannot reach 10000") << QStringList{"--address-records", "none"} << 1
                                                  << QByteArray();
    }

    void addressRecordsAsAsked()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, record);
        QByteArray data(0x10010, '\x5A');
        writeBytes(path("wide.bin"), data);
        const KestrunRun result = run(QStringList{"bin2hex", "wide.bin", "-o", "wide.hex"} + options);
        QCOMPARE(result.exitCode, exitCode);
        if (exitCode != 0)
            return;
        QVERIFY(readBytes(path("wide.hex")).contains(record));
        QProcess objcopy;
        objcopy.start("objcopy", {"-I", "ihex", "-O", "binary", path("wide.hex"), path("back.bin")});
        QVERIFY(objcopy.waitForFinished());
        QCOMPARE(readBytes(path("back.bin")), data);
    }

    void infoGivesOneFactALine()
    {
        writeBytes(path("info.hex"),
                   hexText({hexRecord(0x04, 0, QByteArray("\x08\x00", 2)),
                            hexRecord(0x00, 0x10, "\x01\x02"), hexRecord(0x00, 0x12, "\x03"),
                            hexRecord(0x00, 0x40, "\xF0"),
                            hexRecord(0x05, 0, QByteArray("\x08\x00\x00\x11", 4))}));
        const KestrunRun info = run({"info", "info.hex"});
        QCOMPARE(info.exitCode, 0);
        QCOMPARE(info.out, QByteArray("range 08000010-08000012\n"
                                      "range 08000040-08000040\n"
                                      "lowest 08000010\n"
                                      "highest 08000040\n"
                                      "data-bytes 4\n"
                                      "records-00 3\n"
                                      "records-01 1\n"
                                      "records-02 0\n"
                                      "records-03 0\n"
                                      "records-04 1\n"
                                      "records-05 1\n"
                                      "conflicting-bytes 0\n"
                                      "start-linear 08000011\n"
                                      "sum 000000F6\n"));
        QCOMPARE(run({"info", "-"}, ":00000001FF\n").out,
                 QByteArray("data-bytes 0\nrecords-00 0\nrecords-01 1\nrecords-02 0\nrecords-03 0\n"
                            "records-04 0\nrecords-05 0\nconflicting-bytes 0\nsum 00000000\n"));
        const KestrunRun bad = run({"info", "bad.hex"});
        QCOMPARE(bad.exitCode, 1);
        QVERIFY(bad.errorText().startsWith("bad.hex:1: "));
    }

    // Firmware linked high makes an image of fill from address 0; a note
    // says how to start at the data instead, and only then.
    void longLeadingFillIsNoted_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("noted");
        const QByteArray high = hexText(
            {hexRecord(0x04, 0, QByteArray("\x01\x00", 2)), hexRecord(0x00, 0x0001, "\xFF\x01")});
        QTest::newRow("data above 16 MiB") << high << QStringList() << true;
        QTest::newRow("from the lowest") << high << QStringList{"--from-lowest"} << false;
        QTest::newRow("a given range") << high << QStringList{"--start", "0"} << false;
        QTest::newRow("data at 0 and high")
            << hexText({hexRecord(0x00, 0, "\xFF"), hexRecord(0x04, 0, QByteArray("\x01\x00", 2)),
                        hexRecord(0x00, 0x0001, "\x01")})
            << QStringList() << false;
        QTest::newRow("exactly 16 MiB of fill")
            << hexText({hexRecord(0x04, 0, QByteArray("\x01\x00", 2)), hexRecord(0x00, 0, "\x01")})
            << QStringList() << false;
    }

    void longLeadingFillIsNoted()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, options);
        QFETCH(bool, noted);
        writeBytes(path("high.hex"), text);
        const KestrunRun result =
            run(QStringList{"hex2bin", "high.hex", "-o", "high.bin"} + options);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.errorText().contains(u"--from-lowest"), noted);
        const KestrunRun dump =
            run(QStringList{"hexdump", "high.hex", "--checksum-only"} + options);
        QCOMPARE(dump.errorText().contains(u"--from-lowest"), noted);
        if (noted)
            QVERIFY(result.errorText().contains(
                u"最初のデータ (01000001) の前に 16 MiB の埋め草があります"));
        QFile::remove(path("high.bin"));
    }

    void hexdumpFromTheLowestShowsRealAddresses()
    {
        writeBytes(path("dump.hex"), hexText({hexRecord(0x04, 0, QByteArray("\x08\x00", 2)),
                                              hexRecord(0x00, 0x0123, "ABC")}));
        const KestrunRun dump = run({"hexdump", "dump.hex", "--from-lowest", "--line-end", "lf"});
        QCOMPARE(dump.exitCode, 0);
        QVERIFY(dump.out.contains("Address  :  8000123 - 8000125\n"));
        QVERIFY(dump.out.endsWith(
            "    08000120           41 42 43                                   ABC          \n"));
    }

    void recordErrorsNameTheirLine()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        writeBytes(path("line.hex"), text);
        const KestrunRun result = run({command, "line.hex", "-o", "line.out"});
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.errorText(), "line.hex:" + expected + '\n');
        QVERIFY(!QFile::exists(path("line.out")));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "kestrun_command_test.moc"
