// The one reader of kestrun's hexadecimal arguments: 0x optional, digits
// of either case, nothing else; a Pelcor.ini value keeps its stricter
// reader (conversion_plan_test).
#include "core/ConversionPlan.h"
#include "core/HexNumber.h"

#include <QTest>

#include <cstdint>

class HexNumberTest : public QObject {
    Q_OBJECT

private slots:
    void readsArguments_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint64>("highest");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<quint64>("value");
        QTest::newRow("digits") << "08004000" << quint64(UINT32_MAX) << true << quint64(0x08004000);
        QTest::newRow("0x") << "0x08004000" << quint64(UINT32_MAX) << true << quint64(0x08004000);
        QTest::newRow("0X, lower digits") << "0Xffff" << quint64(UINT32_MAX) << true << quint64(0xFFFF);
        QTest::newRow("0 alone") << "0" << quint64(UINT32_MAX) << true << quint64(0);
        QTest::newRow("0x0") << "0x0" << quint64(UINT32_MAX) << true << quint64(0);
        QTest::newRow("highest") << "FFFFFFFF" << quint64(UINT32_MAX) << true << quint64(UINT32_MAX);
        QTest::newRow("past 32 bits") << "100000000" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("0x, past 32 bits") << "0x100000000" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("leading zeros") << "0x0000000000000001" << quint64(UINT32_MAX) << true << quint64(1);
        QTest::newRow("17 digits") << "00000000000000001" << quint64(UINT64_MAX) << false << quint64(0);
        QTest::newRow("64 bits") << "FFFFFFFFFFFFFFFF" << quint64(UINT64_MAX) << true << quint64(UINT64_MAX);
        QTest::newRow("a byte too large") << "0x100" << quint64(0xFF) << false << quint64(0);
        QTest::newRow("empty") << "" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("0x alone") << "0x" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("two prefixes") << "0x0x1" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("bad digit") << "0x0800G000" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("x without 0") << "x10" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("sign") << "+10" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("minus") << "-10" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("blank") << " 10" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("trailing blank") << "10 " << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("full-width digit") << "１" << quint64(UINT32_MAX) << false << quint64(0);
        QTest::newRow("h suffix") << "10h" << quint64(UINT32_MAX) << false << quint64(0);
    }
    void readsArguments()
    {
        QFETCH(QString, text);
        QFETCH(quint64, highest);
        QFETCH(bool, valid);
        QFETCH(quint64, value);
        const std::optional<std::uint64_t> read = HexNumber::read(text, highest);
        QCOMPARE(read.has_value(), valid);
        if (valid)
            QCOMPARE(quint64(*read), value);
    }

    // Bytes pasted into the data view, as a clipboard holds them; an empty
    // `bytes` for none.
    void readsClipboardBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("run together") << "DEADbeef" << QByteArray("\xDE\xAD\xBE\xEF");
        QTest::newRow("apart, lines") << " DE AD\r\nBE\tEF\n" << QByteArray("\xDE\xAD\xBE\xEF");
        QTest::newRow("0x and commas") << "0xDE,0xAD, 0x0" "1" << QByteArray("\xDE\xAD\x01");
        QTest::newRow("0x before a run") << "0xDEAD" << QByteArray("\xDE\xAD");
        QTest::newRow("a digit left alone") << "DE A" << QByteArray();
        QTest::newRow("odd run") << "DEA" << QByteArray();
        QTest::newRow("not hex") << "DE AG" << QByteArray();
        QTest::newRow("0x alone") << "0x" << QByteArray();
        QTest::newRow("blank") << " \n" << QByteArray();
        QTest::newRow("text") << "hello" << QByteArray();
    }
    void readsClipboardBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(HexNumber::bytes(text).value_or(QByteArray()), bytes);
    }

    // The digits a Pelcor.ini value of the same number holds: what the
    // settings' reader reads as that number.
    void digitsAreWhatTheSettingsRead()
    {
        for (const char *text : {"0x8000", "0X1f", "8000", "0"}) {
            const QString digits = HexNumber::digits(QString::fromLatin1(text));
            QVERIFY(!digits.startsWith(u"0x", Qt::CaseInsensitive) || digits == u"0");
            QCOMPARE(quint64(*readHexSetting(digits)),
                     quint64(*HexNumber::read(QString::fromLatin1(text))));
        }
    }
};

QTEST_GUILESS_MAIN(HexNumberTest)
#include "hex_number_test.moc"
