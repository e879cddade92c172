// The colouring of Intel HEX lines: one row per way a record can look,
// with the style each character must get, written as one letter a style:
// . plain, : mark, L length, A address, T type, D data, C checksum,
// X wrong checksum, B broken.
#include "core/HexLineStyles.h"

#include <QTest>

#include <string>

namespace {

char letter(char style)
{
    switch (style) {
    case HexStyle::Plain:
        return '.';
    case HexStyle::Mark:
        return ':';
    case HexStyle::Length:
        return 'L';
    case HexStyle::Address:
        return 'A';
    case HexStyle::Type:
        return 'T';
    case HexStyle::Data:
        return 'D';
    case HexStyle::Checksum:
        return 'C';
    case HexStyle::BadChecksum:
        return 'X';
    case HexStyle::Broken:
        return 'B';
    }
    return '?';
}

QByteArray lettersOf(const QByteArray &line)
{
    std::string styles(std::size_t(line.size()), '\0');
    styleHexLine(line, styles.data());
    QByteArray letters;
    for (char style : styles)
        letters += letter(style);
    return letters;
}

} // namespace

class HexLineStylesTest : public QObject {
    Q_OBJECT

private slots:
    void linesGetTheirFieldsStyles_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("styles");
        QTest::newRow("data record, CR LF")
            << QByteArray(":0400100001020304E2\r\n") << QByteArray(":LLAAAATTDDDDDDDDCC..");
        QTest::newRow("lower-case digits")
            << QByteArray(":0400100001020304e2") << QByteArray(":LLAAAATTDDDDDDDDCC");
        QTest::newRow("end record") << QByteArray(":00000001FF\n") << QByteArray(":LLAAAATTCC.");
        QTest::newRow("wrong checksum")
            << QByteArray(":0400100001020304E3") << QByteArray(":LLAAAATTDDDDDDDDXX");
        QTest::newRow("not a digit in the data")
            << QByteArray(":04001000010203G4E2") << QByteArray("BLLAAAATTDDDDDDBBBB");
        QTest::newRow("shorter than its length")
            << QByteArray(":0400100001020304\r\n") << QByteArray("BLLAAAATTDDDDDDDD..");
        QTest::newRow("a digit short")
            << QByteArray(":0400100001020304E") << QByteArray("BLLAAAATTDDDDDDDDB");
        QTest::newRow("characters after the checksum")
            << QByteArray(":00000001FFxx  \r") << QByteArray(":LLAAAATTCCBB...");
        QTest::newRow("blank before the mark")
            << QByteArray("  :00000001FF") << QByteArray("..:LLAAAATTCC");
        QTest::newRow("a second record on the line")
            << QByteArray(":00000001FF:00") << QByteArray(":LLAAAATTCCBBB");
        QTest::newRow("no mark") << QByteArray("00000001FF\r\n") << QByteArray("............");
        QTest::newRow("mark alone") << QByteArray(":") << QByteArray("B");
        QTest::newRow("empty line") << QByteArray("\r\n") << QByteArray("..");
    }

    void linesGetTheirFieldsStyles()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, styles);
        QCOMPARE(lettersOf(line), styles);
    }

    void onlyTextStartingWithTheMarkIsHex()
    {
        QVERIFY(looksLikeIntelHex(":00000001FF"));
        QVERIFY(!looksLikeIntelHex(" :00000001FF"));
        QVERIFY(!looksLikeIntelHex(""));
    }
};

QTEST_MAIN(HexLineStylesTest)
#include "hex_line_styles_test.moc"
