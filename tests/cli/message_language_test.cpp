// kestrun's language: Japanese, as Pelcor speaks, when the user's message
// language is Japanese; English otherwise, every message of it.
#include "LinkedLibrary.h"
#include "core/ConversionPlan.h"
#include "core/HexErrorLine.h"
#include "core/ResultMessage.h"
#include "support/kestrun_process.h"
#include "support/test_files.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <functional>

namespace {

bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7F)
            return false;
    return true;
}

// A line of a Japanese run that is English: one with no Japanese at all,
// with three English words in a row (file names, options and hexadecimal
// numbers are no sentence), or with a word of kestrun's English labels.
QString englishIn(const QString &text)
{
    static const QRegularExpression sentence(
        QStringLiteral("[A-Za-z]{2,} [A-Za-z]{2,} [A-Za-z]{2,}|\\b(warning|note|kept)\\b"));
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts))
        if (isAscii(line) || sentence.match(line).hasMatch())
            return line;
    return QString();
}

} // namespace

class MessageLanguageTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("bad.hex"), ":0400000001020304F3\r\n:00000001FF\r\n");
        writeBytes(path("open.hex"), ":0400000001020304F2\r\n");
        writeBytes(path("rom.bin"), "\x01\x02\x03\x04");
        writeBytes(path("one.hex"), ":0400000001020304F2\r\n:0400000500000200F5\r\n:00000001FF\r\n");
        writeBytes(path("two.hex"), ":0400000005060708E2\r\n:0400000500000100F6\r\n:00000001FF\r\n");
        writeBytes(path("short.ini"), "[Vantrel]\r\nRecordLength=0\r\n");
        writeBytes(path("reversed.ini"),
                   "[Vantrel]\r\nAutoAddress=0\r\nStartAddress=8\r\nEndAddress=4\r\n");
        writeBytes(path("a.hex"), ":0400000001020304F2\n:00000001FF\n");
        writeBytes(path("b.hex"), ":0400100011121314A2\n:00000001FF\n");
        writeBytes(path("joined.hex"), ":0400000001020304F2\n:00000001FF\n"
                                       ":0400100011121314A2\n:00000001FF\n");
        writeBytes(path("over.hex"), ":0400000001020304F2\n:0400000005060708E2\n:00000001FF\n");
        writeBytes(path("eight.hex"), ":080000000102030405060708D4\n:00000001FF\n");
        writeBytes(path("high.hex"), ":020000040900F1\n:0400000001020304F2\n:00000001FF\n");
        writeBytes(path("start.hex"), ":0400100011121314A2\n:0400000500000100F6\n:00000001FF\n");
        // An ELF header cut after its first 24 bytes, and a text named .elf.
        writeBytes(path("cut.elf"), QByteArray("\x7F"
                                               "ELF\x01\x01\x01",
                                               7)
                                        + QByteArray(17, '\0'));
        writeBytes(path("notes.elf"), "firmware build notes\n");
    }

    void theFirstSetVariableChooses_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<bool>("japanese");
        QTest::newRow("nothing set") << QStringList() << false;
        QTest::newRow("LANGUAGE=ja") << QStringList{"LANGUAGE=ja"} << true;
        QTest::newRow("a list") << QStringList{"LANGUAGE=ja:en", "LC_ALL=C"} << true;
        QTest::newRow("LANG, no locale installed") << QStringList{"LANG=ja_JP.UTF-8"} << true;
        QTest::newRow("LC_MESSAGES over LANG")
            << QStringList{"LC_MESSAGES=ja_JP.eucJP", "LANG=en_US.UTF-8"} << true;
        QTest::newRow("LC_ALL=C over LANG") << QStringList{"LC_ALL=C", "LANG=ja_JP.UTF-8"} << false;
        QTest::newRow("an empty LANGUAGE is not set")
            << QStringList{"LANGUAGE=", "LANG=ja_JP.UTF-8"} << true;
        QTest::newRow("C.UTF-8") << QStringList{"LANG=C.UTF-8"} << false;
        QTest::newRow("en_US.UTF-8") << QStringList{"LC_ALL=en_US.UTF-8"} << false;
    }

    // Japanese is what kestrun has always said; English has no other
    // character in it.
    void theFirstSetVariableChooses()
    {
        QFETCH(QStringList, variables);
        QFETCH(bool, japanese);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            environment.remove(QString::fromLatin1(name));
        for (const QString &variable : variables)
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        const QList<QStringList> failures{
            {"hex2bin", path("bad.hex"), "-o", path("out.bin")},
            {"hex2bin", path("open.hex"), "-o", path("out.bin")},
            {"dump", path("rom.bin"), "--start", "100"},
            {"bin2hex", path("rom.bin"), "--settings", path("short.ini")},
            {"hexdump", path("bad.hex"), "--settings", path("reversed.ini")},
            {"convert", path("bad.hex"), "-o", path("out.srec")},
            {"crc", path("bad.hex"), "--input-format", "srec"},
            {"convert", path("rom.bin") + "@0x0800G000", "-o", path("out.hex")},
            {"merge", path("rom.bin") + "@100", "-o", path("rom.bin")},
            {"merge", path("one.hex"), path("two.hex"), "-o", path("out.hex")},
            {"merge", path("one.hex"), path("two.hex"), "--overlap", "last", "-o", path("out.hex")},
            {"merge", path("one.hex"), "--start-address", "lst", "-o", path("out.hex")},
            {"merge", path("one.hex"), "--insert-crc", "2", "--range", "0-1", "-o", path("out.hex")},
            {"merge", path("one.hex"), "--insert-crc", "2", "--range", "0-1", "--overlap", "last",
             "-o", path("out.hex")},
            {"convert", path("one.hex"), "--serial", "0=100", "--width", "1", "-o", path("out.hex")},
            {"convert", path("one.hex"), "--serial", "0=1", "--count", "2", "-o", path("out.hex")},
            {"convert", path("one.hex"), "--insert-length", "0", "-o", path("out.hex")},
        };
        for (const QStringList &arguments : failures) {
            const KestrunRun run = runKestrunIn(environment, arguments);
            const KestrunRun inJapanese = runKestrun(arguments);
            QCOMPARE(run.exitCode, inJapanese.exitCode);
            QVERIFY2(!isAscii(inJapanese.errorText()), inJapanese.err.constData());
            if (japanese)
                QCOMPARE(run.errorText(), inJapanese.errorText());
            else
                QVERIFY2(isAscii(run.errorText()), run.err.constData());
        }
    }

    void everyTextIsInOneLanguage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("onOutput"); // the text is the result, not a message
        const auto row = [](const char *name, QStringList arguments, bool onOutput = false) {
            QTest::newRow(name) << arguments << onOutput;
        };
        row("--help", {"--help"}, true);
        row("unknown command", {"frob"});
        row("unknown option", {"convert", path("a.hex"), "--bogus"});
        row("missing value", {"convert", path("a.hex"), "--to"});
        row("bad value", {"convert", path("a.hex"), "--to", "xx"});
        row("option of another command", {"info", path("a.hex"), "--fill-byte", "1"});
        row("reversed operation range",
            {"convert", path("a.hex"), "--crop", "5-1", "--to", "srec"});
        row("no output format", {"convert", path("a.hex"), "-o", path("out.zzz")});
        row("record length past the address size",
            {"convert", path("a.hex"), "--to", "srec", "--record-length", "FF"});
        row("@ADDR on text", {"convert", path("a.hex") + "@100", "--input-format", "ihex"});
        row("merge refuses an overlap", {"merge", path("a.hex"), path("over.hex")});
        row("merge keeps the later bytes",
            {"merge", path("a.hex"), path("over.hex"), "--overlap", "last", "-o", path("m.hex")});
        row("convert keeps the later bytes", {"convert", path("over.hex"), "--to", "srec"});
        row("convert refuses an overlap",
            {"convert", path("over.hex"), "--to", "srec", "--overlap", "error"});
        row("crc: no such algorithm", {"crc", path("a.hex"), "--algorithm", "nope"});
        row("crc: reversed range", {"crc", path("a.hex"), "--range", "10-1"});
        row("crc: range without data", {"crc", path("a.hex"), "--range", "100-10F"});
        row("crc: stored value differs", {"crc", path("eight.hex"), "--verify-crc", "4"});
        row("cmp listing", {"cmp", path("a.hex"), path("b.hex")}, true);
        row("note: fill before the data", {"hex2bin", path("high.hex"), "-o", path("high.bin")});
        row("warning: text after the end", {"convert", path("joined.hex"), "--to", "srec"});
        row("settings file missing", {"hex2bin", path("a.hex"), "--settings", path("none.ini")});
        row("damaged ELF", {"convert", path("cut.elf"), "--to", "srec"});
        row("not an ELF file", {"convert", path("notes.elf"), "--to", "srec"});
        row("merge: start addresses differ",
            {"merge", path("one.hex"), path("start.hex"), "-o", path("m.hex")});
        row("merge: --start-address refused", {"merge", path("one.hex"), "--start-address", "lst"});
        row("CRC over data refused",
            {"merge", path("one.hex"), "--insert-crc", "2", "--range", "0-1", "-o", path("m.hex")});
        row("CRC written over data", {"merge", path("one.hex"), "--insert-crc", "2", "--range", "0-1",
                                      "--overlap", "last", "-o", path("m.hex")});
        row("patch: no output", {"patch", path("a.hex")});
        row("patch: what it changed", {"patch", path("a.hex"), "--set", "0=FF", "-o", path("p.hex")});
    }

    // Under LANGUAGE=ja every text kestrun prints is Japanese, under
    // LANGUAGE=en English, and no message is some of each.
    void everyTextIsInOneLanguage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, onOutput);
        QProcessEnvironment english = kestrunEnvironment();
        english.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        const KestrunRun inJapanese = runKestrun(arguments);
        const KestrunRun inEnglish = runKestrunIn(english, arguments);
        QCOMPARE(inJapanese.exitCode, inEnglish.exitCode);
        const QString dir = m_dir.path() + u'/';
        const QString japaneseText =
            QString::fromUtf8(onOutput ? inJapanese.out : inJapanese.err).remove(dir);
        const QString englishText =
            QString::fromUtf8(onOutput ? inEnglish.out : inEnglish.err).remove(dir);
        QVERIFY(!japaneseText.isEmpty());
        QVERIFY2(englishIn(japaneseText).isEmpty(), qPrintable(englishIn(japaneseText)));
        QVERIFY2(isAscii(englishText), qPrintable(englishText));
        if (!onOutput)
            QCOMPARE(japaneseText.count(u'\n'), englishText.count(u'\n'));
    }

    // Every message kestrun can take from the library or from core has its
    // English in the catalogue.
    void theCatalogueCoversEveryMessage()
    {
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(KESTRUN_CATALOGUE)));
        QVERIFY(QCoreApplication::installTranslator(&english));
        QStringList messages;
        for (std::int32_t code = ResultRecordCount; code <= ResultOk; ++code)
            messages << LinkedLibrary::message(code);
        kestrun_place checksum{};
        checksum.result = ResultChecksumError;
        checksum.has_values = 1;
        messages << placeMessage(GetErrorString, checksum);
        for (const char *key : {"StartAddress", "EndAddress", "BlankChar", "RecordLength", "Scope"})
            messages << settingFaultMessage(QString::fromLatin1(key));
        messages << reversedRangeMessage(9, 1) << rangeBeyondDataMessage(9, 0, 4)
                 << addressesBeyond32Message(0xFFFFFFFF, 2) << outputTooLargeMessage(1ull << 33)
                 << HexErrorLine::noEndRecordNote();
        QCoreApplication::removeTranslator(&english);
        for (const QString &message : messages)
            QVERIFY2(isAscii(message), qPrintable(message));
        QCOMPARE(messages.count(QString()), 1); // -8 is not given out
    }
};

QTEST_GUILESS_MAIN(MessageLanguageTest)
#include "message_language_test.moc"
