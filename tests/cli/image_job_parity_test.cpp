// The image menu's jobs against the kestrun commands they stand for: for
// the same inputs, the document a job opens must hold the bytes kestrun
// writes, a job that fails must fail where kestrun fails (a refused merge
// naming the same writers), and warnings come where kestrun warns.
#include "core/Cp932.h"
#include "core/SettingsModel.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/kestrun_process.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QMdiArea>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class Job { SRecords, Merge, Crc, Compare, BinaryAt };

struct Row {
    const char *name;
    Job job;
    // The active document (none for BinaryAt), and one opened before it.
    QString document;
    QString alsoOpen;
    FormAnswers answers;
    // The file an open dialog gets, when the job asks for one.
    QString opened;
    QStringList kestrun;
};

const QString kFile = QStringLiteral("ﾌｧｲﾙを選ぶ...");

// One row a case, kept on its lines as a table.
// clang-format off
const Row kRows[] = {
    {"HEX to S-records", Job::SRecords, "a.hex", {}, {}, {}, {"convert", "a.hex", "--to", "srec", "-o", "k.srec"}},
    {"scattered HEX to S-records", Job::SRecords, "s.hex", {}, {}, {}, {"convert", "s.hex", "--to", "srec", "-o", "k.srec"}},
    {"S-records to S-records", Job::SRecords, "a.srec", {}, {}, {}, {"convert", "a.srec", "--to", "srec", "-o", "k.srec"}},
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
    {"CRC inside its range", Job::Crc, "a.hex", {}, {{"crc-32"}, {"100"}, {""}, {"little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ"}, {"FF"}}, {},
     {"convert", "a.hex", "--insert-crc", "100", "-o", "k.hex"}},
    {"compare with a file", Job::Compare, "a.hex", {}, {{kFile}, {""}}, "s.hex", {"cmp", "a.hex", "s.hex", "--max", "1000"}},
    {"compare, gaps as FF", Job::Compare, "a.hex", {}, {{kFile}, {"FF"}}, "b.hex",
     {"cmp", "a.hex", "b.hex", "--fill-byte", "FF", "--max", "1000"}},
    {"compare equal images", Job::Compare, "a.hex", {}, {{kFile}, {""}}, "a.srec", {"cmp", "a.hex", "a.srec", "--max", "1000"}},
    {"compare with a document", Job::Compare, "a.hex", "far.hex", {{"far.hex"}, {""}}, {},
     {"cmp", "a.hex", "far.hex", "--max", "1000"}},
    {"binary at 08000000", Job::BinaryAt, {}, {}, {{"08000000"}}, "blob.bin", {"convert", "blob.bin@08000000", "-o", "k.hex"}},
    {"binary past FFFFFFFF", Job::BinaryAt, {}, {}, {{"FFFFF000"}}, "blob.bin", {"convert", "blob.bin@FFFFF000", "-o", "k.hex"}},
};
// clang-format on

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
        case Job::Merge:
            return m_frame->mergeWithFiles(document);
        case Job::Crc:
            return m_frame->insertCrc(document);
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
            const bool warned = kestrun.err.contains("warning:");
            const QByteArray expected =
                output > 0 ? readBytes(path(row.kestrun[output])) : kestrun.out;

            if (!row.alsoOpen.isEmpty())
                open(row.alsoOpen);
            Form1 *document = row.document.isEmpty() ? nullptr : open(row.document);
            const int before = Form1::DocumentCount();
            ScriptedPrompts script;
            if (row.job == Job::BinaryAt)
                script.expectOpen(path(row.opened));
            FormAnswers answers = row.answers;
            // The form's file list holds full paths, which kestrun gets relative.
            if (row.job == Job::Merge)
                for (QString &file : answers[0])
                    file = path(file);
            if (!answers.isEmpty())
                script.expectForm(answers);
            if (row.job == Job::Compare && !row.opened.isEmpty())
                script.expectOpen(path(row.opened));
            const bool toldOnce = failed || warned || (compares && expected.isEmpty());
            if (toldOnce)
                script.expectMessage(QMessageBox::Ok);

            const bool made = run(row, document);
            QVERIFY2(script.allAnswered(), row.name);
            QVERIFY2(made == !failed, row.name);
            if (failed) {
                QCOMPARE(Form1::DocumentCount(), before);
                // A refused merge names its writers as kestrun does.
                if (row.job == Job::Merge)
                    QVERIFY2(
                        script.texts().constFirst().endsWith(u'\n' + kestrun.errorText().trimmed()),
                        qPrintable(script.texts().constFirst()));
                continue;
            }
            if (compares && expected.isEmpty()) {
                QCOMPARE(Form1::DocumentCount(), before);
                QVERIFY(document->markedRanges().empty());
                continue;
            }
            QCOMPARE(Form1::DocumentCount(), before + 1);
            const QByteArray pelcor = encodeCp932(m_frame->activeDocument()->documentText());
            QVERIFY2(pelcor == expected, row.name);
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
                QVERIFY(!document->markedRanges().empty());
                if (Form1 *other = m_frame->documentOf(path(row.alsoOpen)))
                    QVERIFY(other->markedRanges() == document->markedRanges());
            }
        }
    }
};

QTEST_MAIN(ImageJobParityTest)
#include "image_job_parity_test.moc"
