// The colouring of record lines: one row per way a record can look, with
// the style each character must get, written as one letter a style:
// . plain, : mark, L length, A address, T type, D data, C checksum,
// X wrong checksum, B broken.
#include "core/HexLineStyles.h"
#include "core/LinkedLibraryCalls.h"

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

QByteArray lettersOf(std::int32_t format, const QByteArray &line)
{
    std::string styles(std::size_t(line.size()), '\0');
    styleRecordLine(*linkedImageCalls(), format, line, styles.data());
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
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("styles");
        const int hex = KESTRUN_FORMAT_IHEX;
        const int srec = KESTRUN_FORMAT_SREC;
        QTest::newRow("data record, CR LF")
            << hex << QByteArray(":0400100001020304E2\r\n") << QByteArray(":LLAAAATTDDDDDDDDCC..");
        QTest::newRow("lower-case digits")
            << hex << QByteArray(":0400100001020304e2") << QByteArray(":LLAAAATTDDDDDDDDCC");
        QTest::newRow("end record") << hex << QByteArray(":00000001FF\n") << QByteArray(":LLAAAATTCC.");
        QTest::newRow("wrong checksum")
            << hex << QByteArray(":0400100001020304E3") << QByteArray(":LLAAAATTDDDDDDDDXX");
        QTest::newRow("not a digit in the data")
            << hex << QByteArray(":04001000010203G4E2") << QByteArray("BLLAAAATTDDDDDDBBBB");
        QTest::newRow("shorter than its length")
            << hex << QByteArray(":0400100001020304\r\n") << QByteArray("BLLAAAATTDDDDDDDD..");
        QTest::newRow("a digit short")
            << hex << QByteArray(":0400100001020304E") << QByteArray("BLLAAAATTDDDDDDDDB");
        QTest::newRow("characters after the checksum")
            << hex << QByteArray(":00000001FFxx  \r") << QByteArray(":LLAAAATTCCBB...");
        QTest::newRow("blank before the mark")
            << hex << QByteArray("  :00000001FF") << QByteArray("..BLLAAAATTCC");
        QTest::newRow("a type no reader knows")
            << hex << QByteArray(":00000006FA") << QByteArray("BLLAAAATTCC");
        QTest::newRow("a base record of the wrong length")
            << hex << QByteArray(":0100000408F3") << QByteArray("BLLAAAATTDDCC");
        QTest::newRow("a second record on the line")
            << hex << QByteArray(":00000001FF:00") << QByteArray(":LLAAAATTCCBBB");
        QTest::newRow("no mark") << hex << QByteArray("00000001FF\r\n") << QByteArray("............");
        QTest::newRow("mark alone") << hex << QByteArray(":") << QByteArray("B");
        QTest::newRow("empty line") << hex << QByteArray("\r\n") << QByteArray("..");
        QTest::newRow("S0 header")
            << srec << QByteArray("S00600004844521B\n") << QByteArray(":TLLAAAADDDDDDCC.");
        QTest::newRow("S1 data")
            << srec << QByteArray("S107100001020304DE\r\n") << QByteArray(":TLLAAAADDDDDDDDCC..");
        QTest::newRow("S2 data, a 24-bit address")
            << srec << QByteArray("S20612345601025A") << QByteArray(":TLLAAAAAADDDDCC");
        QTest::newRow("S3 data, a 32-bit address")
            << srec << QByteArray("S30708000000AABB8B") << QByteArray(":TLLAAAAAAAADDDDCC");
        QTest::newRow("S5 count") << srec << QByteArray("S5030003F9") << QByteArray(":TLLAAAACC");
        QTest::newRow("S7 start") << srec << QByteArray("S70508000131C0") << QByteArray(":TLLAAAAAAAACC");
        QTest::newRow("S-record, wrong checksum")
            << srec << QByteArray("S107100001020304DF") << QByteArray(":TLLAAAADDDDDDDDXX");
        QTest::newRow("S-record shorter than its count")
            << srec << QByteArray("S1071000010203\n") << QByteArray("BTLLAAAADDDDDD.");
        QTest::newRow("S-record, not a digit")
            << srec << QByteArray("S1071000010G0304DE") << QByteArray("BTLLAAAADDBBBBBBBB");
        QTest::newRow("S-record, a pair after the checksum")
            << srec << QByteArray("S9030000FC00 ") << QByteArray(":TLLAAAACCBB.");
        QTest::newRow("S-record, a count too small for the address")
            << srec << QByteArray("S10200FD") << QByteArray("BTLLAAAA");
        QTest::newRow("S-record, no type digit") << srec << QByteArray("SX") << QByteArray("BB");
        QTest::newRow("S-record, the reserved S4")
            << srec << QByteArray("S4030000FC") << QByteArray("BTLLDDDDCC");
        QTest::newRow("S-record, a start with data")
            << srec << QByteArray("S9040000AA51") << QByteArray("BTLLAAAADDCC");
        QTest::newRow("S-record document, a line without S")
            << srec << QByteArray("X1030000FC\n") << QByteArray("...........");
    }

    void linesGetTheirFieldsStyles()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, styles);
        QCOMPARE(lettersOf(format, line), styles);
    }

    void theMarkIsFoundWhereTheTokenizerFindsIt()
    {
        const ImageCalls &calls = *linkedImageCalls();
        QCOMPARE(recordMark(calls, KESTRUN_FORMAT_IHEX, "  :00000001FF"), 2);
        QCOMPARE(recordMark(calls, KESTRUN_FORMAT_SREC, "S9030000FC"), 0);
        QCOMPARE(recordMark(calls, KESTRUN_FORMAT_IHEX, "00000001FF"), -1);
        QCOMPARE(recordMark(calls, KESTRUN_FORMAT_IHEX, ""), -1);
    }

    // The place a wrong checksum's tooltip names: only over its own
    // digits, with the value written and the one the record calls for.
    void wrongChecksumsNameTheRightOne_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("found"); // -1: no wrong checksum there
        QTest::addColumn<int>("expected");
        const int hex = KESTRUN_FORMAT_IHEX, srec = KESTRUN_FORMAT_SREC;
        QTest::newRow("HEX, first digit") << hex << QByteArray(":0100000041BF\r\n") << 11 << 0xBF << 0xBE;
        QTest::newRow("HEX, second digit") << hex << QByteArray(":0100000041BF") << 12 << 0xBF << 0xBE;
        QTest::newRow("HEX, a data digit") << hex << QByteArray(":0100000041BF") << 10 << -1 << 0;
        QTest::newRow("HEX, a right checksum") << hex << QByteArray(":0100000041BE") << 11 << -1 << 0;
        QTest::newRow("HEX, the line end") << hex << QByteArray(":0100000041BF\r\n") << 13 << -1 << 0;
        QTest::newRow("S1") << srec << QByteArray("S1040000417A") << 10 << 0x7A << 0xBA;
        QTest::newRow("plain text") << hex << QByteArray("hello") << 1 << -1 << 0;
    }

    void wrongChecksumsNameTheRightOne()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, line);
        QFETCH(int, column);
        QFETCH(int, found);
        QFETCH(int, expected);
        const std::optional<kestrun_place> place =
            wrongChecksumAt(*linkedImageCalls(), format, line, column);
        QCOMPARE(place.has_value(), found >= 0);
        if (!place)
            return;
        QCOMPARE(place->result, ResultChecksumError);
        QCOMPARE(int(place->found), found);
        QCOMPARE(int(place->expected), expected);
    }
};

QTEST_MAIN(HexLineStylesTest)
#include "hex_line_styles_test.moc"
