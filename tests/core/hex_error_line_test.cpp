#include "core/ConversionEngine.h"
#include "core/HexErrorLine.h"
#include "core/LinkedLibraryCalls.h"

#include <QTest>

using HexErrorLine::Counting;

class HexErrorLineTest : public QObject {
    Q_OBJECT

private slots:
    void countsLinesBothWays_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("objcopy");
        QTest::addColumn<int>("editor");
        // The line of the 'x' in each text.
        QTest::newRow("first line") << QByteArray("x\r\n") << 1 << 1;
        QTest::newRow("LF") << QByteArray("a\nb\nx") << 3 << 3;
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nx") << 3 << 3;
        QTest::newRow("CR") << QByteArray("a\rb\rx") << 3 << 3;
        QTest::newRow("LF CR") << QByteArray("a\n\rb\n\rx") << 3 << 5;
        QTest::newRow("blank lines") << QByteArray("a\r\n\r\n\n\rx") << 4 << 5;
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nx") << 3 << 3;
    }

    void countsLinesBothWays()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, objcopy);
        QFETCH(int, editor);
        const qsizetype at = text.indexOf('x');
        QCOMPARE(HexErrorLine::lineAt(text, at, Counting::Objcopy), objcopy);
        QCOMPARE(HexErrorLine::lineAt(text, at, Counting::Editor), editor);
    }

    void namesTheLineOfTheReadersPlace_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("objcopy");
        QTest::addColumn<int>("editor");
        QTest::addColumn<bool>("noEndRecord");
        const QByteArray good = ":0400000001020304F2";
        QTest::newRow("checksum") << good + "\n" + good + "\n:00000001FE\n" << 3 << 3 << false;
        QTest::newRow("text between records") << good + "\n\n;\n:00000001FF\n" << 3 << 3 << false;
        QTest::newRow("LF CR") << good + "\n\r" + good + "\n\r:00000001FE" << 3 << 5 << false;
        QTest::newRow("empty") << QByteArray() << 1 << 1 << true;
        QTest::newRow("no end record") << good + "\r\n" + good + "\r\n" << 3 << 3 << true;
        QTest::newRow("no end record, last line open") << good + "\r\n" + good << 3 << 3 << true;
        QTest::newRow("a NUL after the checksum")
            << good + QByteArray(1, '\0') + "\n:00000001FF\n" << 1 << 1 << false;
        QTest::newRow("a NUL where the end record should be")
            << good + "\n" + QByteArray(1, '\0') + "\n" << 2 << 2 << false;
    }

    void namesTheLineOfTheReadersPlace()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, objcopy);
        QFETCH(int, editor);
        QFETCH(bool, noEndRecord);
        ConversionEngine engine(linkedLibraryCalls(), ConversionSettings());
        QVERIFY(engine.inspect(text) < 0);
        QVERIFY(engine.place());
        const auto counted = HexErrorLine::placeIn(*engine.place(), text, Counting::Objcopy);
        QCOMPARE(counted.line, objcopy);
        QCOMPARE(counted.noEndRecord, noEndRecord);
        QCOMPARE(HexErrorLine::placeIn(*engine.place(), text, Counting::Editor).line, editor);
    }

    void placesNothingInAGoodText()
    {
        ConversionEngine engine(linkedLibraryCalls(), ConversionSettings());
        QCOMPARE(engine.inspect(":0400000001020304F2\n:00000001FF\n"), ResultOk);
        QVERIFY(!engine.place());
    }
};

QTEST_GUILESS_MAIN(HexErrorLineTest)
#include "hex_error_line_test.moc"
