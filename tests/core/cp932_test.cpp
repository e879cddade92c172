#include "core/Cp932.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Lead bytes of the code page's second codes for characters it already has
// (NEC row 13 and the NEC-selected and IBM extensions).
const QByteArray duplicateLeads("\x87\xED\xEE\xFA");

bool roundTrips(const QByteArray &bytes)
{
    return encodeCp932(decodeCp932(bytes)) == bytes;
}

} // namespace

class Cp932Test : public QObject {
    Q_OBJECT

private slots:
    void mapping_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("wave dash is the full-width tilde")
            << QByteArray("\x81\x60") << u"\uFF5E"_qs;
        QTest::newRow("circled digit one") << QByteArray("\x87\x40") << u"①"_qs;
        QTest::newRow("5C is the backslash") << QByteArray("C:\\rom.hex") << u"C:\\rom.hex"_qs;
        QTest::newRow("7E is the tilde") << QByteArray("~") << u"~"_qs;
        QTest::newRow("half-width katakana") << QByteArray("\xB2\xDD\xC3\xD9") << u"ｲﾝﾃﾙ"_qs;
        QTest::newRow("kanji with 5C as trail byte")
            << QByteArray("\x95\x5C\x8E\xA6") << u"表示"_qs;
        QTest::newRow("IBM extension") << QByteArray("\xFA\x40") << u"ⅰ"_qs;
        QTest::newRow("user-defined area") << QByteArray("\xF0\x40") << u"\uE000"_qs;
        QTest::newRow("NUL stays") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void mapping()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeCp932(bytes), text);
        QCOMPARE(encodeCp932(text), bytes);
    }

    void lineEndsSurviveByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray lines[] = {"\x82\xA0\x82\xA2", ":00000001FF", "", "\x95\x5C"};
        for (const char *end : {"\r\n", "\n", "\r"}) {
            QByteArray file;
            for (const QByteArray &line : lines)
                file += line + end;
            QTest::newRow(QByteArray(end).toPercentEncoding().constData()) << file;
        }
        QTest::newRow("mixed, last line open") << QByteArray("a\r\nb\nc\rd\n\re");
    }

    void lineEndsSurviveByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(roundTrips(bytes));
    }

    void strayBytesSurviveByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("undefined single byte") << QByteArray("a\x80z") << u"a\uF780z"_qs;
        QTest::newRow("A0 and FD-FF")
            << QByteArray("\xA0\xFD\xFE\xFF") << u"\uF7A0\uF7FD\uF7FE\uF7FF"_qs;
        QTest::newRow("lead byte at the end") << QByteArray("ab\x81") << u"ab\uF781"_qs;
        QTest::newRow("lead byte before a space") << QByteArray("\x81 x") << u"\uF781 x"_qs;
        QTest::newRow("lead byte before a line end") << QByteArray("\x9F\r\n") << u"\uF79F\r\n"_qs;
    }

    void strayBytesSurviveByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeCp932(bytes), text);
        QCOMPARE(encodeCp932(text), bytes);
    }

    // ASCII is copied sixteen characters at a time up to the first other
    // character, where the converter takes over: runs of every length
    // around that width, and one long enough to be given huge pages.
    void asciiRunsBeforeAndAfterOtherText()
    {
        for (qsizetype length : {0, 1, 7, 8, 15, 16, 17, 31, 32, 33, 47, 9 << 20}) {
            QByteArray ascii(length, Qt::Uninitialized);
            for (qsizetype i = 0; i < length; ++i)
                ascii[i] = char(0x20 + i % 0x5F);
            QCOMPARE(decodeCp932(ascii), QString::fromLatin1(ascii));
            QCOMPARE(encodeCp932(QString::fromLatin1(ascii)), ascii);

            const QByteArray mixed = ascii + "\x95\x5C\x80\x7F" + ascii;
            const QString text =
                QString::fromLatin1(ascii) + u"表\uF780\x7F"_qs + QString::fromLatin1(ascii);
            QCOMPARE(decodeCp932(mixed), text);
            QCOMPARE(encodeCp932(text), mixed);
        }
    }

    // Every one- and two-byte sequence comes back as it was, except the
    // code page's duplicate codes, which come back as the preferred code of
    // the same character.
    void everyShortSequence()
    {
        for (int first = 0; first < 256; ++first) {
            const QByteArray one(1, char(first));
            QVERIFY2(roundTrips(one), qPrintable(QString::number(first, 16)));
            for (int second = 0; second < 256; ++second) {
                const QByteArray two = one + char(second);
                const QString text = decodeCp932(two);
                const QByteArray back = encodeCp932(text);
                if (back != two) {
                    QCOMPARE(decodeCp932(back), text);
                    QVERIFY(duplicateLeads.contains(char(first)));
                }
            }
        }
    }

    // With the duplicate codes' lead bytes left out, any bytes at all come
    // back exactly; with them, the text at least stays the same.
    void randomBytes()
    {
        QByteArray bytes(1 << 20, Qt::Uninitialized);
        QRandomGenerator generator(932);
        generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        const QString text = decodeCp932(bytes);
        QVERIFY(text.size() <= bytes.size());
        QCOMPARE(encodeCp932(text).size(), bytes.size());

        for (char &byte : bytes) {
            if (duplicateLeads.contains(byte))
                byte = ' ';
        }
        QVERIFY(roundTrips(bytes));
    }

    void unencodableCharactersBecomeQuestionMarks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("euro sign") << u"1€"_qs << QByteArray("1?");
        QTest::newRow("character outside the BMP") << u"a😀b"_qs << QByteArray("a?b");
        QTest::newRow("lone high surrogate")
            << QString(QChar(0xD800)) + u"x"_qs << QByteArray("?x");
        QTest::newRow("lone surrogate at the end") << u"x"_qs + QChar(0xDC00) << QByteArray("x?");
        QTest::newRow("private use below the escapes") << u"\uF77F"_qs << QByteArray("?");
    }

    void unencodableCharactersBecomeQuestionMarks()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encodeCp932(text), bytes);
    }
};

QTEST_MAIN(Cp932Test)
#include "cp932_test.moc"
