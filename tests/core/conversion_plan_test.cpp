// The conversions' plain rules: reading settings, sizing buffers, naming
// results, and the dump report's header.
#include "core/ConversionPlan.h"
#include "core/Cp932.h"
#include "core/LocalPath.h"
#include "exports.h"

#include <QTest>

class ConversionPlanTest : public QObject {
    Q_OBJECT

private slots:
    void readsHexSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("upper") << "0A" << true << 10;
        QTest::newRow("lower") << "ffff" << true << 0xFFFF;
        QTest::newRow("all bits is -1") << "FFFFFFFF" << true << -1;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("nine digits") << "123456789" << false << 0;
        QTest::newRow("prefix") << "0x10" << false << 0;
        QTest::newRow("letter") << "G1" << false << 0;
        QTest::newRow("full-width digit") << "１" << false << 0;
        QTest::newRow("blank") << " 1" << false << 0;
    }

    void readsHexSettings()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto read = readHexSetting(text);
        QCOMPARE(read.has_value(), valid);
        if (valid)
            QCOMPARE(*read, value);
    }

    void lineEnds()
    {
        QCOMPARE(lineEndCode(0), 0x0A0Du);
        QCOMPARE(lineEndCode(1), 0x000Du);
        QCOMPARE(lineEndCode(2), 0x000Au);
        // Only a hand-edited file holds anything else: never NUL line ends.
        QCOMPARE(lineEndCode(3), 0x0A0Du);
        QCOMPARE(lineEndCode(-1), 0x0A0Du);
        QCOMPARE(lineEndText(0x0A0D), QStringLiteral("\r\n"));
        QCOMPARE(lineEndText(0x000D), QStringLiteral("\r"));
    }

    void faultsNameTheSetting()
    {
        DumpSettings settings;
        settings.Scope = QStringLiteral("0");
        QCOMPARE(readConversionSettings(settings).fault, QStringLiteral("Scope"));
        settings.Scope = QStringLiteral("FFFFFFFF");
        QCOMPARE(readConversionSettings(settings).fault, QStringLiteral("Scope"));
        settings = DumpSettings();
        settings.BlankChar = QStringLiteral("1FF");
        QCOMPARE(readConversionSettings(settings).fault, QStringLiteral("BlankChar"));
        // A range that is not used is not read.
        settings = DumpSettings();
        settings.StartAddress = QStringLiteral("zz");
        QVERIFY(readConversionSettings(settings).fault.isEmpty());
        settings.AutoAddress = QStringLiteral("0");
        QCOMPARE(readConversionSettings(settings).fault, QStringLiteral("StartAddress"));
        settings = DumpSettings();
        settings.RecordLength = QStringLiteral("100");
        QVERIFY(readConversionSettings(settings).fault.isEmpty());
        QVERIFY(!readConversionSettings(settings).recordLengthUsable);
        QCOMPARE(settingFaultMessage(QStringLiteral("Scope")),
                 QStringLiteral("ダンプ設定の値が正しくありません: 領域確保の倍率 (Scope)"));
    }

    void messagesNameWhatToChange()
    {
        QCOMPARE(settingFaultMessage(QStringLiteral("RecordLength")),
                 QStringLiteral("ダンプ設定の値が正しくありません: 最大ﾃﾞｰﾀ長 (RecordLength)"));
        QVERIFY(outputTooLargeMessage(0x100000000ull).contains(u"4294967296"));
        QVERIFY(!outputTooLargeMessage(0x100000000ull).contains(u"ｵｰﾊﾞｰﾌﾛｰ"));
        const QString beyond = rangeBeyondDataMessage(0x1000, 0x10FF, 16);
        QVERIFY(beyond.contains(u"1000 - 10FF") && beyond.contains(u"16"));
        const QString question = largeImageQuestion(0x8000010, 0x08000000, 0x0800000F);
        QVERIFY(question.contains(u"134217744") && question.contains(u"08000000")
                && question.contains(u"0800000F"));
        QVERIFY(fromLowestChoice(0x08000000, 0x08003FFF).contains(u"16 KiB"));
        QVERIFY(fromLowestChoice(0x08000000, 0x08100000).contains(u"2 MiB"));
    }

    void namesResults_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("renamed");
        QTest::newRow("replaced") << "C:\\work\\rom.hex"
                                  << "C:\\work\\rom.bin";
        QTest::newRow("appended") << "C:\\work\\rom"
                                  << "C:\\work\\rom.bin";
        QTest::newRow("last dot") << "C:\\work\\rom.old.hex"
                                  << "C:\\work\\rom.old.bin";
        QTest::newRow("dot in folder") << "/tmp/a.b/rom"
                                       << "/tmp/a.b/rom.bin";
        QTest::newRow("space after dot") << "/tmp/v1.0 final"
                                         << "/tmp/v1.0 final.bin";
        QTest::newRow("japanese") << "C:\\ファームウェア書込.hex"
                                  << "C:\\ファームウェア書込.bin";
    }

    void namesResults()
    {
        QFETCH(QString, path);
        QFETCH(QString, renamed);
        QCOMPARE(renameExtension(path, QStringLiteral(".bin")), renamed);
    }

    void namesTheReport_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("part");
        // The name's bytes in the report, which is code page 932.
        QTest::addColumn<QByteArray>("inReport");
        QTest::newRow("folders") << "/work/rom/fw.hex"
                                 << "fw.hex" << QByteArray("fw.hex");
        QTest::newRow("no folder") << "fw.bin"
                                   << "fw.bin" << QByteArray("fw.bin");
        QTest::newRow("colon") << "/work/a:b.bin"
                               << "a:b.bin" << QByteArray("a:b.bin");
        QTest::newRow("backslashes") << "/work/C:\\rom\\a.bin"
                                     << "C:\\rom\\a.bin" << QByteArray("C:\\rom\\a.bin");
        QTest::newRow("UTF-8") << "/work/テスト.bin"
                               << "テスト.bin" << encodeCp932(u"テスト.bin");
        const QString cp932 = LocalPath::decode("/work/\x83\x65\x83\x58\x83\x67.bin");
        QTest::newRow("code page 932 bytes")
            << cp932 << cp932.mid(6) << QByteArray("\x83\x65\x83\x58\x83\x67.bin");
        const QString neither = LocalPath::decode("/work/\xFF\x80.bin");
        QTest::newRow("neither") << neither << neither.mid(6) << QByteArray("\xFF\x80.bin");
    }

    void namesTheReport()
    {
        QFETCH(QString, path);
        QFETCH(QString, part);
        QFETCH(QByteArray, inReport);
        QCOMPARE(fileNamePart(path), part);
        QCOMPARE(encodeCp932(nameForCp932Text(path)), inReport);
    }

    void headerOfTheFourByteExample()
    {
        const QString expected =
            QStringLiteral("                             Vantrel\r\n"
                           "                                    Version 2.01\r\n"
                           "\r\n"
                           "        FileName :  a.bin\r\n"
                           "        Address  :  0 - 3\r\n"
                           "        CheckSum :  0000000A\r\n"
                           "\r\n");
        QCOMPARE(DumpHeader(fileNamePart(QStringLiteral("/rom/a.bin")), 0, 3,
                            QStringLiteral("0000000A"), QStringLiteral("\r\n")),
                 expected);
        const QString cr = DumpHeader(QStringLiteral("b"), 0x10, -1, QStringLiteral("0"), "\r");
        QVERIFY(cr.contains(QStringLiteral("Address  :  10 - FFFFFFFF\r")));
        QVERIFY(!cr.contains(u'\n'));
    }

    void headingStandsOverTheDumpColumns()
    {
        // The rule's dashes must lie exactly over the characters of a full
        // dump line, and its blanks over the blanks.
        unsigned char data[16];
        for (int i = 0; i < 16; ++i)
            data[i] = 'A' + i;
        char text[200] = {};
        std::uint32_t written = 0, start = 0, end = 0;
        QCOMPARE(::DumpFormat(data, text, 16, sizeof text, &written, &start, &end, 0xFF, 0x000A, 4,
                              0, nullptr),
                 0);
        const QString line = QString::fromLatin1(text, written - 1);
        const QStringList heading = dumpHeading(QStringLiteral("\n")).split(u'\n');
        const QString rule = heading.at(1);
        QCOMPARE(rule.size(), line.size());
        for (qsizetype i = 0; i < line.size(); ++i)
            QCOMPARE(rule.at(i) == u'-', line.at(i) != u' ');
        // Each column digit stands over the second digit of its byte.
        for (int j = 0; j < 16; ++j)
            QCOMPARE(heading.at(0).at(4 + 10 + 3 * j + 1), QString::number(j, 16).toUpper().at(0));
    }
};

QTEST_GUILESS_MAIN(ConversionPlanTest)
#include "conversion_plan_test.moc"
