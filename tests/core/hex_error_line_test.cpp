// The line a failure is named by: kestrun's FILE:LINE as objcopy numbers
// the lines (the place's `line`), Pelcor's message and selection as an
// editor counts them (HexErrorLine::inEditor). Each row's bad record
// stands where its text puts it; the two counts part where an LF CR pair
// ends a line.
#include "core/ConversionEngine.h"
#include "core/HexErrorLine.h"
#include "core/LinkedLibraryCalls.h"

#include <QTest>

class HexErrorLineTest : public QObject {
    Q_OBJECT

private slots:
    void namesTheLineOfTheReadersPlace_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("objcopy");
        QTest::addColumn<int>("editor");
        QTest::addColumn<bool>("noEndRecord");
        const QByteArray good = ":0400000001020304F2";
        const QByteArray bad = ":00000001FE";
        QTest::newRow("first line") << bad + "\r\n" << 1 << 1 << false;
        QTest::newRow("LF") << good + "\n" + good + "\n" + bad << 3 << 3 << false;
        QTest::newRow("CR LF") << good + "\r\n" + good + "\r\n" + bad << 3 << 3 << false;
        QTest::newRow("CR") << good + "\r" + good + "\r" + bad << 3 << 3 << false;
        QTest::newRow("LF CR") << good + "\n\r" + good + "\n\r" + bad << 3 << 5 << false;
        QTest::newRow("blank lines") << good + "\r\n\r\n\n\r" + bad << 4 << 5 << false;
        QTest::newRow("CR CR LF") << good + "\r\r\n" + bad << 3 << 3 << false;
        QTest::newRow("text between records") << good + "\n\n;\n:00000001FF\n" << 3 << 3 << false;
        QTest::newRow("empty") << QByteArray() << 1 << 1 << true;
        QTest::newRow("no end record") << good + "\r\n" + good + "\r\n" << 3 << 3 << true;
        QTest::newRow("no end record, last line open") << good + "\r\n" + good << 3 << 3 << true;
        QTest::newRow("no end record after LF CR") << good + "\n\r" + good + "\n\r" << 3 << 5 << true;
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
        QCOMPARE(int(engine.place()->line), objcopy);
        const HexErrorLine::Place shown = HexErrorLine::inEditor(*engine.place());
        QCOMPARE(shown.line, editor);
        QCOMPARE(shown.noEndRecord, noEndRecord);
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
