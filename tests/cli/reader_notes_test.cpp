// What kestrun says beside its result where the input is not what it
// seems: text after an end record (two files joined with cat), a range
// given to crc that holds no data or reaches past it. The result itself
// stays what it was: the same bytes as from the input without the joint.
#include "support/kestrun_process.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kHexA = ":0400000001020304F2\n:00000001FF\n";
const QByteArray kHexB = ":0400100011121314A2\n:00000001FF\n";
const QByteArray kSrecA = "S107000001020304EE\nS9030000FC\n";
const QByteArray kSrecB = "S1070010111213149E\nS9030000FC\n";

QProcessEnvironment english()
{
    QProcessEnvironment environment = kestrunEnvironment();
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    return environment;
}

} // namespace

class ReaderNotesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The arguments with every word that names a file here given its path.
    QStringList inFolder(const QStringList &arguments) const
    {
        QStringList all;
        for (const QString &argument : arguments)
            all << (QFile::exists(path(argument)) ? path(argument) : argument);
        return all;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("a.hex"), kHexA);
        writeBytes(path("b.hex"), kHexB);
        writeBytes(path("ab.hex"), kHexA + kHexB);
        writeBytes(path("a.s19"), kSrecA);
        writeBytes(path("ab.s19"), kSrecA + kSrecB);
        // The records of ab.s19 without the S9 between them.
        writeBytes(path("joined.s19"), kSrecA.left(19) + kSrecB);
        writeBytes(path("gap.hex"), ":020000040900F1\n" + kHexA);
    }

    void textAfterTheEndIsNamed_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("alike"); // the same job on the input without the joint
        QTest::addColumn<QString>("warning");
        const QString hex = QStringLiteral("ab.hex:3: warning: text after the end record is not read");
        const QString srec = QStringLiteral(
            "ab.s19:3: warning: records after the termination record (S7/S8/S9) are read as well");
        QTest::newRow("convert hex") << QStringList{"convert", "ab.hex", "--to", "srec"}
                                     << QStringList{"convert", "a.hex", "--to", "srec"} << hex;
        QTest::newRow("convert srec") << QStringList{"convert", "ab.s19", "--to", "ihex"}
                                      << QStringList{"convert", "joined.s19", "--to", "ihex"} << srec;
        QTest::newRow("merge") << QStringList{"merge", "ab.hex", "b.hex"}
                               << QStringList{"merge", "a.hex", "b.hex"} << hex;
        QTest::newRow("crc") << QStringList{"crc", "ab.s19"} << QStringList{"crc", "joined.s19"}
                             << srec;
        QTest::newRow("cmp") << QStringList{"cmp", "ab.hex", "a.hex"}
                             << QStringList{"cmp", "a.hex", "a.hex"} << hex;
        QTest::newRow("hexdump") << QStringList{"hexdump", "ab.hex", "-o", "-"}
                                 << QStringList{"hexdump", "a.hex", "-o", "-"} << hex;
        QTest::newRow("hex2bin of S-records")
            << QStringList{"hex2bin", "ab.s19", "-o", "-"}
            << QStringList{"hex2bin", "joined.s19", "-o", "-"} << srec;
    }

    void textAfterTheEndIsNamed()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, alike);
        QFETCH(QString, warning);
        KestrunRun run = runKestrunIn(english(), inFolder(arguments));
        KestrunRun plain = runKestrunIn(english(), inFolder(alike));
        QCOMPARE(run.exitCode, plain.exitCode);
        // A report's head names its input.
        QCOMPARE(run.out.replace("ab.", "a."), plain.out.replace("joined.", "a."));
        QVERIFY2(run.errorText().contains(m_dir.path() + u'/' + warning), run.err.constData());
        QVERIFY2(plain.err.isEmpty(), plain.err.constData());
    }

    void crcNotesWhereTheDataLie_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("note"); // empty: none
        QTest::newRow("beyond the data")
            << "09000100-0900010F"
            << "kestrun: note: no data in 09000100-0900010F; the data lies in 09000000-09000003";
        QTest::newRow("below the data")
            << "08000000-0800000F"
            << "kestrun: note: no data in 08000000-0800000F; the data lies in 09000000-09000003";
        QTest::newRow("around the data")
            << "08FFFFF0-0900000F"
            << "kestrun: note: the data in 08FFFFF0-0900000F lies in 09000000-09000003; the rest "
               "is read as fill FF";
        QTest::newRow("past the data's end")
            << "09000002-0900000F"
            << "kestrun: note: the data in 09000002-0900000F lies in 09000002-09000003; the rest "
               "is read as fill FF";
        QTest::newRow("the data exactly") << "09000000-09000003" << QString();
        QTest::newRow("inside the data") << "09000001-09000002" << QString();
    }

    // crc says it as hex2bin says it of its window, and its value stays
    // that of the fill bytes it reads.
    void crcNotesWhereTheDataLie()
    {
        QFETCH(QString, range);
        QFETCH(QString, note);
        const KestrunRun crc = runKestrunIn(english(), {"crc", path("gap.hex"), "--range", range});
        QCOMPARE(crc.exitCode, 0);
        QCOMPARE(crc.errorText().trimmed(), note);
        const QStringList ends = range.split(u'-');
        const KestrunRun hex2bin = runKestrunIn(
            english(), {"hex2bin", path("gap.hex"), "--start", ends[0], "--end", ends[1], "-o",
                        path("window.bin")});
        QCOMPARE(hex2bin.exitCode, 0);
        if (note.contains(QStringLiteral("no data in")))
            QCOMPARE(hex2bin.errorText().trimmed(), note);
        const KestrunRun windowCrc = runKestrunIn(english(), {"crc", path("window.bin")});
        QCOMPARE(crc.out, windowCrc.out);
    }
};

QTEST_GUILESS_MAIN(ReaderNotesTest)
#include "reader_notes_test.moc"
