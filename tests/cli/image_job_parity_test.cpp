// The image menu's jobs against the kestrun commands they stand for: for
// the same inputs, the document a job opens must hold the bytes kestrun
// writes, a job that fails must fail where kestrun fails (a refused merge
// naming the same writers), and warnings come where kestrun warns.
#include "core/Cp932.h"
#include "core/HexNumber.h"
#include "core/SettingsModel.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/kestrun_process.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <cstring>

#include <QMdiArea>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class Job { SRecords, OtherFormat, Merge, Crc, Serial, Compare, BinaryAt };

struct Row {
    const char *name;
    Job job;
    // The active document (none for BinaryAt), and one opened before it.
    QString document;
    QString alsoOpen;
    FormAnswers answers;
    // The files open dialogs get, in order, when the job asks for them.
    QStringList opened;
    QStringList kestrun;
};

const QString kFile = QStringLiteral("ﾌｧｲﾙを選ぶ...");

// One row a case, kept on its lines as a table.
// clang-format off
const Row kRows[] = {
    {"HEX to S-records", Job::SRecords, "a.hex", {}, {}, {}, {"convert", "a.hex", "--to", "srec", "-o", "k.srec"}},
    {"scattered HEX to S-records", Job::SRecords, "s.hex", {}, {}, {}, {"convert", "s.hex", "--to", "srec", "-o", "k.srec"}},
    {"S-records to S-records", Job::SRecords, "a.srec", {}, {}, {}, {"convert", "a.srec", "--to", "srec", "-o", "k.srec"}},
    {"HEX to TI-TXT", Job::OtherFormat, "s.hex", {}, {{"ti-txt: TI-TXT"}, {"32"}, {""}}, {},
     {"convert", "s.hex", "--to", "ti-txt", "-o", "k.out"}},
    {"S-records to 16-bit VMEM", Job::OtherFormat, "a.srec", {}, {{"vmem: Verilog VMEM"}, {"16"}, {""}}, {},
     {"convert", "a.srec", "--to", "vmem", "--vmem-width", "16", "-o", "k.out"}},
    {"HEX to C arrays", Job::OtherFormat, "s.hex", {}, {{"c-array: C array"}, {"32"}, {""}}, {},
     {"convert", "s.hex", "--to", "c-array", "-o", "k.out"}},
    {"HEX to UF2 of a family, saved", Job::OtherFormat, "a.hex", {}, {{"uf2: UF2"}, {"32"}, {"SAMD51"}}, {},
     {"convert", "a.hex", "--to", "uf2", "--uf2-family", "SAMD51", "-o", "k.uf2"}},
    {"merge apart, last", Job::Merge, "s.hex", {}, {{"far.hex"}, {"last: 後のﾃﾞｰﾀを使う"}}, {},
     {"merge", "s.hex", "far.hex", "--overlap", "last", "-o", "k.out"}},
    {"merge three, first keeps", Job::Merge, "a.hex", {}, {{"far.hex", "b.hex"}, {"first: 先のﾃﾞｰﾀを残す"}}, {},
     {"merge", "a.hex", "far.hex", "b.hex", "--overlap", "first", "-o", "k.out"}},
    {"merge refused, conflict named", Job::Merge, "a.hex", {}, {{"b.hex"}, {"error: 重なりを許さない"}}, {},
     {"merge", "a.hex", "b.hex", "-o", "k.out"}},
    {"merge the same bytes, identical", Job::Merge, "a.hex", {}, {{"a.srec"}, {"identical: 同じﾃﾞｰﾀなら許す"}}, {},
     {"merge", "a.hex", "a.srec", "--overlap", "identical", "-o", "k.out"}},
    {"CRC-32 after the data", Job::Crc, "a.hex", {}, {{"crc-32"}, {"20000"}, {""}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}}, {},
     {"convert", "a.hex", "--insert-crc", "20000", "--algorithm", "crc-32", "--endian", "little", "-o", "k.hex"}},
    {"CRC-16 of a range, big, fill 00", Job::Crc, "s.hex", {},
     {{"crc-16/modbus"}, {"FFFFFFF0"}, {"0-FFFF"}, {"big: ﾋﾞｯｸﾞｴﾝﾃﾞｨｱﾝ"}, {"00"}}, {},
     {"convert", "s.hex", "--insert-crc", "FFFFFFF0", "--algorithm", "crc-16/modbus", "--range", "0-FFFF",
      "--endian", "big", "--fill-byte", "00", "-o", "k.hex"}},
    {"S19 merged, given back as S19", Job::Merge, "a.s19", {}, {{"far.hex"}, {"last: 後のﾃﾞｰﾀを使う"}}, {},
     {"merge", "a.s19", "far.hex", "--overlap", "last", "-o", "k.s19"}},
    {"CRC into S19, given back as S19", Job::Crc, "a.s19", {}, {{"crc-32"}, {"20000"}, {""}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}}, {},
     {"convert", "a.s19", "--insert-crc", "20000", "--algorithm", "crc-32", "--endian", "little", "-o", "k.s19"}},
    {"SHA-256 after the data", Job::Crc, "a.hex", {}, {{"sha256"}, {"20000"}, {""}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}}, {},
     {"convert", "a.hex", "--insert-crc", "20000", "--algorithm", "sha256", "-o", "k.hex"}},
    {"Fletcher-16 big into S19", Job::Crc, "a.s19", {}, {{"fletcher-16"}, {"20000"}, {""}, {"big: ﾋﾞｯｸﾞｴﾝﾃﾞｨｱﾝ"}, {"FF"}}, {},
     {"convert", "a.s19", "--insert-crc", "20000", "--algorithm", "fletcher-16", "--endian", "big", "-o", "k.s19"}},
    {"serial number over data, big", Job::Serial, "a.hex", {}, {{"100"}, {"0x1234"}, {"2"}, {"big: ﾋﾞｯｸﾞｴﾝﾃﾞｨｱﾝ"}}, {},
     {"convert", "a.hex", "--serial", "100=0x1234", "--width", "2", "--endian", "big", "-o", "k.hex"}},
    {"serial number into S19", Job::Serial, "a.s19", {}, {{"20000"}, {"ABCDEF"}, {"8"}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}}, {},
     {"convert", "a.s19", "--serial", "20000=ABCDEF", "--width", "8", "-o", "k.s19"}},
    {"serial number too wide", Job::Serial, "a.hex", {}, {{"100"}, {"10000"}, {"2"}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}}, {},
     {"convert", "a.hex", "--serial", "100=10000", "--width", "2", "-o", "k.hex"}},
    {"CRC inside its range", Job::Crc, "a.hex", {}, {{"crc-32"}, {"100"}, {""}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}}, {},
     {"convert", "a.hex", "--insert-crc", "100", "-o", "k.hex"}},
    {"compare with a file", Job::Compare, "a.hex", {}, {{"a.hex"}, {kFile}, {""}}, {"s.hex"},
     {"cmp", "a.hex", "s.hex", "--max", "1000"}},
    {"compare, gaps as FF", Job::Compare, "a.hex", {}, {{"a.hex"}, {kFile}, {"FF"}}, {"b.hex"},
     {"cmp", "a.hex", "b.hex", "--fill-byte", "FF", "--max", "1000"}},
    {"compare equal images", Job::Compare, "a.hex", {}, {{"a.hex"}, {kFile}, {""}}, {"a.srec"},
     {"cmp", "a.hex", "a.srec", "--max", "1000"}},
    {"compare with a document", Job::Compare, "a.hex", "far.hex", {{"a.hex"}, {"far.hex"}, {""}}, {},
     {"cmp", "a.hex", "far.hex", "--max", "1000"}},
    {"compare a file with the document", Job::Compare, "a.hex", {}, {{kFile}, {"a.hex"}, {""}}, {"b.hex"},
     {"cmp", "b.hex", "a.hex", "--max", "1000"}},
    {"compare two files", Job::Compare, "a.hex", {}, {{kFile}, {kFile}, {""}}, {"s.hex", "b.hex"},
     {"cmp", "s.hex", "b.hex", "--max", "1000"}},
    {"binary at 08000000", Job::BinaryAt, {}, {}, {{"08000000"}}, {"blob.bin"}, {"convert", "blob.bin@08000000", "-o", "k.hex"}},
    {"binary past FFFFFFFF", Job::BinaryAt, {}, {}, {{"FFFFF000"}}, {"blob.bin"}, {"convert", "blob.bin@FFFFF000", "-o", "k.hex"}},
};
// clang-format on

// The numbers of a summary line, in order: the ranges and bytes that
// differ, are only in the first input, only in the second.
QList<quint64> summaryCounts(const QByteArray &line)
{
    QList<quint64> numbers;
    static const QRegularExpression number(QStringLiteral("\\b[0-9]+\\b"));
    for (const QRegularExpressionMatch &match : number.globalMatch(QString::fromUtf8(line)))
        numbers << match.captured().toULongLong();
    return numbers;
}

// The same counts from kestrun cmp's lines ("LOW-HIGH が違います: ..." or
// "LOW-HIGH は NAME にだけあります") of inputs the first of which is `first`.
QList<quint64> listedCounts(const QByteArray &listing, const QByteArray &first)
{
    QList<quint64> counts(6, 0);
    for (const QByteArray &line : listing.split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> range = line.left(17).split('-');
        const quint64 bytes =
            range[1].toULongLong(nullptr, 16) - range[0].toULongLong(nullptr, 16) + 1;
        int kind = 0;
        // "LOW-HIGH は NAME にだけあります": in one of them only.
        if (line.endsWith(" にだけあります")) {
            const qsizetype from = 17 + qsizetype(std::strlen(" は "));
            const QByteArray name = line.mid(from, line.size() - from - qsizetype(std::strlen(" にだけあります")));
            kind = name == first ? 1 : 2;
        }
        counts[2 * kind] += 1;
        counts[2 * kind + 1] += bytes;
    }
    return counts;
}

} // namespace

class ImageJobParityTest : public QObject, protected FrameFixture {
    Q_OBJECT

private:
    Form1 *open(const QString &name)
    {
        m_frame->openFileAsDocument(path(name));
        return m_frame->activeDocument();
    }

    bool run(const Row &row, Form1 *document)
    {
        switch (row.job) {
        case Job::SRecords:
            return m_frame->convertToSRecords(document);
        case Job::OtherFormat:
            return m_frame->convertToOtherFormat(document);
        case Job::Merge:
            return m_frame->mergeWithFiles(document);
        case Job::Crc:
            return m_frame->insertCrc(document);
        case Job::Serial:
            return m_frame->insertSerial(document);
        case Job::Compare:
            return m_frame->compareWithOther(document);
        case Job::BinaryAt:
            return m_frame->binaryToHexAt();
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("a.hex"), contiguousHex(sampleImage(0x10030, 2)));
        writeBytes(path("s.hex"), scatteredHex());
        writeBytes(path("b.hex"), hexText({hexRecord(0x00, 0x0010, QByteArray(0x20, 0x5A))}));
        writeBytes(path("far.hex"), hexText({hexRecord(0x04, 0, QByteArray::fromHex("0002")),
                                             hexRecord(0x00, 0, sampleImage(0x40, 4))}));
        writeBytes(path("blob.bin"), sampleImage(0x1234, 3));
        writeBytes(path("st1.hex"), hexText({hexRecord(0x00, 0x10, sampleImage(0x20, 5)),
                                             hexRecord(0x05, 0, QByteArray::fromHex("08004000"))}));
        writeBytes(path("st2.hex"), hexText({hexRecord(0x00, 0x80, sampleImage(0x20, 6)),
                                             hexRecord(0x05, 0, QByteArray::fromHex("08000000"))}));
        QCOMPARE(runKestrun({"convert", "a.hex", "--to", "srec", "-o", "a.srec"}, {}, m_dir.path())
                     .exitCode,
                 0);
        QVERIFY(QFile::copy(path("a.srec"), path("a.s19")));
        openFrame();
    }

    void cleanupTestCase() { closeFrame(); }

    void everyJobGivesKestrunsBytes()
    {
        for (const Row &row : kRows) {
            const qsizetype output = row.kestrun.indexOf("-o") + 1;
            if (output > 0)
                QFile::remove(path(row.kestrun[output]));
            const KestrunRun kestrun = runKestrun(row.kestrun, {}, m_dir.path());
            const bool compares = row.job == Job::Compare;
            const bool failed = kestrun.exitCode != 0 && !(compares && kestrun.exitCode == 1);
            const bool warned =
                kestrun.err.contains("warning:") || kestrun.errorText().contains(u"警告:");
            const QByteArray expected =
                output > 0 ? readBytes(path(row.kestrun[output])) : kestrun.out;

            if (!row.alsoOpen.isEmpty())
                open(row.alsoOpen);
            Form1 *document = row.document.isEmpty() ? nullptr : open(row.document);
            const int before = Form1::DocumentCount();
            ScriptedPrompts script;
            if (row.job == Job::BinaryAt)
                script.expectOpen(path(row.opened.value(0)));
            FormAnswers answers = row.answers;
            // The form's file list holds full paths, which kestrun gets relative.
            if (row.job == Job::Merge)
                for (QString &file : answers[0])
                    file = path(file);
            if (!answers.isEmpty())
                script.expectForm(answers);
            // A result of bytes goes where the save dialog says.
            const bool saved = output > 0 && row.kestrun[output].endsWith(".uf2");
            if (saved) {
                QFile::remove(path("p.uf2"));
                script.expectSave(path("p.uf2"));
            }
            if (row.job == Job::Compare)
                for (const QString &file : row.opened)
                    script.expectOpen(path(file));
            const bool toldOnce = failed || warned || (compares && expected.isEmpty());
            if (toldOnce)
                script.expectMessage(QMessageBox::Ok);
            // A merge that failed comes back to its form, its files listed.
            if (failed && row.job == Job::Merge)
                script.expectForm(std::nullopt);

            const bool made = run(row, document);
            QVERIFY2(script.allAnswered(), row.name);
            QVERIFY2(made == !failed, row.name);
            if (failed) {
                QCOMPARE(Form1::DocumentCount(), before);
                // A refused merge names its writers as kestrun does.
                if (row.job == Job::Merge) {
                    QVERIFY2(
                        script.texts().constFirst().endsWith(u'\n' + kestrun.errorText().trimmed()),
                        qPrintable(script.texts().constFirst()));
                    QCOMPARE(script.asked().constLast().fields.value(0).choices, answers[0]);
                }
                continue;
            }
            if (saved) {
                QCOMPARE(Form1::DocumentCount(), before);
                QVERIFY2(readBytes(path("p.uf2")) == expected, row.name);
                continue;
            }
            if (compares && expected.isEmpty()) {
                QCOMPARE(Form1::DocumentCount(), before);
                QVERIFY(document->markedRanges().empty());
                continue;
            }
            QCOMPARE(Form1::DocumentCount(), before + 1);
            // A listing is text in the user's language: kestrun writes it in
            // UTF-8, the document holds it as text, under a line that counts
            // its kinds.
            QString text = m_frame->activeDocument()->documentText();
            if (compares) {
                const qsizetype summaryEnd = text.indexOf(u'\n') + 1;
                QVERIFY2(summaryCounts(text.left(summaryEnd).toUtf8())
                             == listedCounts(expected, row.kestrun[1].toUtf8()),
                         qPrintable(text.left(summaryEnd)));
                text.remove(0, summaryEnd);
            }
            QVERIFY2(compares ? text == QString::fromUtf8(expected) : encodeCp932(text) == expected,
                     row.name);
            // A result in S-records keeps the document's extension.
            if (output > 0 && row.kestrun[output].endsWith(".s19"))
                QVERIFY2(newestCaption().startsWith(path(QFileInfo(row.document).baseName()))
                             && newestCaption().contains(".s19"),
                         qPrintable(newestCaption()));
            // The note names the value and range kestrun crc gives.
            if (row.job == Job::Crc) {
                const QStringList note = m_frame->statusBar()->currentMessage().split(u' ');
                const KestrunRun crc = runKestrun(
                    {"crc", row.document, "--algorithm", note.value(0), "--range",
                     note.value(3).mid(1).chopped(1), "--fill-byte", row.answers[4][0]},
                    {}, m_dir.path());
                QCOMPARE(note.value(2).toLatin1(), crc.out.trimmed());
            }
            if (compares) {
                // The active document is marked when it is compared.
                if (row.answers[0][0] != kFile || row.answers[1][0] != kFile)
                    QCOMPARE(document->markedRanges().size(), std::size_t(expected.count('\n')));
                if (Form1 *other = m_frame->documentOf(path(row.alsoOpen)))
                    QVERIFY(other->markedRanges() == document->markedRanges());
            }
        }
    }

    // The merge form's choices against kestrun merge's options: the start
    // address kept, a binary file placed where its question said (the
    // question through the prompts), a file that cannot be read said and
    // the form shown again with its list.
    void mergeFormGivesKestrunsBytes_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QStringList>("kestrun");
        QTest::newRow("starts differ: the first, noted")
            << QStringList{"st2.hex"} << QStringList{"error", "first"} << QStringList()
            << QStringList{"merge", "st1.hex", "st2.hex"};
        QTest::newRow("the last start") << QStringList{"st2.hex"} << QStringList{"error", "last"}
                                        << QStringList()
                                        << QStringList{"merge", "st1.hex", "st2.hex",
                                                       "--start-address", "last"};
        QTest::newRow("no start") << QStringList{"st2.hex"} << QStringList{"error", "none"}
                                  << QStringList()
                                  << QStringList{"merge", "st1.hex", "st2.hex", "--start-address",
                                                 "none"};
        QTest::newRow("a start given")
            << QStringList{"st2.hex"} << QStringList{"error", "address", "0x8000131"} << QStringList()
            << QStringList{"merge", "st1.hex", "st2.hex", "--start-address", "08000131"};
        QTest::newRow("a binary at the address asked")
            << QStringList{"blob.bin", "st2.hex"} << QStringList{"error", "first"}
            << QStringList{"zz", "40000"}
            << QStringList{"merge", "st1.hex", "blob.bin@40000", "st2.hex"};
    }

    void mergeFormGivesKestrunsBytes()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, choices);
        QFETCH(QStringList, addresses);
        QFETCH(QStringList, kestrun);
        const KestrunRun peer = runKestrun(kestrun + QStringList{"-o", "k.hex"}, {}, m_dir.path());
        QCOMPARE(peer.exitCode, 0);
        Form1 *document = open("st1.hex");
        ScriptedPrompts script;
        FormAnswers answers{{}};
        for (const QString &file : files)
            answers[0] << path(file);
        for (const QString &choice : choices)
            answers << QStringList{choice};
        script.expectForm(answers);
        // An address that is none is said, and asked again.
        for (const QString &address : addresses) {
            script.expectText(address);
            if (!HexNumber::read(address))
                script.expectMessage(QMessageBox::Ok);
        }
        QVERIFY(m_frame->mergeWithFiles(document));
        QVERIFY(script.allAnswered());
        QCOMPARE(encodeCp932(m_frame->activeDocument()->documentText()), readBytes(path("k.hex")));
        // Where kestrun notes two start addresses, Pelcor shows both.
        const QString note = m_frame->statusBar()->currentMessage();
        QCOMPARE(note.contains(u"st1.hex") && note.contains(u"st2.hex"), !peer.err.isEmpty());
    }

    // A CRC whose slot holds other data is written over only when the
    // user says so, as kestrun only with --overlap last; Enter keeps it.
    void crcOverDataAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("kestrun");
        const QStringList crc{"convert", "a.hex", "--insert-crc", "100", "--range", "200-FFFF",
                              "-o", "k.hex"};
        QTest::newRow("no: nothing made") << int(QMessageBox::No) << crc;
        QTest::newRow("Enter: nothing made") << int(QMessageBox::NoButton) << crc;
        QTest::newRow("yes: written over") << int(QMessageBox::Yes)
                                           << crc + QStringList{"--overlap", "last"};
    }

    void crcOverDataAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, kestrun);
        QFile::remove(path("k.hex"));
        const KestrunRun peer = runKestrun(kestrun, {}, m_dir.path());
        Form1 *document = open("a.hex");
        const int before = Form1::DocumentCount();
        ScriptedPrompts script;
        script.expectForm(
            FormAnswers{{"crc-32"}, {"100"}, {"200-FFFF"}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}});
        if (answer == QMessageBox::NoButton)
            script.expectDefault();
        else
            script.expectMessage(QMessageBox::StandardButton(answer));
        QCOMPARE(m_frame->insertCrc(document), peer.exitCode == 0);
        QVERIFY(script.allAnswered());
        QVERIFY2(script.texts().constFirst().contains(u"a.hex:17"),
                 qPrintable(script.texts().constFirst()));
        if (peer.exitCode != 0) {
            QCOMPARE(Form1::DocumentCount(), before);
            return;
        }
        QCOMPARE(encodeCp932(m_frame->activeDocument()->documentText()), readBytes(path("k.hex")));
    }
};

QTEST_MAIN(ImageJobParityTest)
#include "image_job_parity_test.moc"
