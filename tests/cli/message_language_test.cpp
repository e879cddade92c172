// kestrun's language: Japanese, as Pelcor speaks, when the user's message
// language is Japanese; English otherwise, every message of it.
#include "LinkedLibrary.h"
#include "core/ConversionPlan.h"
#include "core/HexErrorLine.h"
#include "core/ResultMessage.h"
#include "support/kestrun_process.h"
#include "support/test_files.h"

#include <QCoreApplication>
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
