// S-record documents through the Dump and image menus, one row an address
// size: each command gives the bytes it gives for the Intel HEX document
// the S-records were made from, and the binary GNU objcopy makes of them.
#include "core/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "support/frame_fixture.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

bool objcopy(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("objcopy"), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

} // namespace

class SRecordDocumentsTest : public QObject, protected FrameFixture {
    Q_OBJECT

    // The HEX and S-record documents of the row, the S-records' name, and
    // the binary objcopy makes of the S-records.
    Form1 *m_hex = nullptr;
    Form1 *m_srec = nullptr;
    QString m_srecName;
    QByteArray m_expected;

    // `text` converted to binary by objcopy from `format` (ihex or
    // srec), gaps FF as Pelcor fills them.
    QByteArray objcopyBinary(const QByteArray &text, const char *format)
    {
        const QString in = path(QStringLiteral("result.txt"));
        const QString out = path(QStringLiteral("result.bin"));
        writeBytes(in, text);
        QFile::remove(out);
        if (!objcopy({"-I", format, "-O", "binary", "--gap-fill=0xFF", in, out}))
            return QByteArray("<objcopy refused>");
        return readBytes(out);
    }

    QByteArray newestBytes() const
    {
        const Form1 *document = newestDocument();
        return document ? document->documentBytes() : QByteArray();
    }

    // Opens the row's image as HEX and as the S-records objcopy makes of it.
    void openBoth(const QByteArray &image, const QString &extension, const QStringList &options)
    {
        const QString hexFile = path(QStringLiteral("fw.hex"));
        m_srecName = QStringLiteral("fw.") + extension;
        writeBytes(hexFile, contiguousHex(image));
        QVERIFY(objcopy(QStringList{"-I", "ihex", "-O", "srec"} + options
                        + QStringList{hexFile, path(m_srecName)}));
        m_expected = objcopyBinary(readBytes(path(m_srecName)), "srec");
        QCOMPARE(m_expected, image);
        m_frame->openFileAsDocument(hexFile);
        m_hex = m_frame->activeDocument();
        m_frame->openFileAsDocument(path(m_srecName));
        m_srec = m_frame->activeDocument();
        QVERIFY(m_hex && m_srec && m_hex != m_srec);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty())
            QSKIP("objcopy is not installed (tools/setup.sh installs it)");
        QVERIFY(m_dir.isValid());
        writeBytes(path(QStringLiteral("far.hex")),
                   hexText({hexRecord(0x04, 0, QByteArray::fromHex("0004")),
                            hexRecord(0x00, 0, sampleImage(0x40, 4))}));
    }

    void init() { openFrame(); }
    void cleanup() { closeFrame(); }

    void everyCommandReadsTheSRecords_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("dataType");
        // objcopy writes the smallest address size the data need unless
        // told to write S3.
        QTest::newRow("S19") << sampleImage(0x2345, 1) << "s19" << QStringList() << "S1";
        QTest::newRow("S28") << sampleImage(0x10030, 2) << "s28" << QStringList() << "S2";
        QTest::newRow("S37") << sampleImage(0x1234, 3) << "s37" << QStringList{"--srec-forceS3"}
                             << "S3";
    }

    void everyCommandReadsTheSRecords()
    {
        QFETCH(QByteArray, image);
        QFETCH(QString, extension);
        QFETCH(QStringList, options);
        QFETCH(QString, dataType);
        openBoth(image, extension, options);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_srec->documentText().contains(u'\n' + dataType));
        ScriptedPrompts script;

        // HEX to binary: objcopy's image, and the HEX document's.
        script.expectSave(path(QStringLiteral("s.bin")));
        QVERIFY(m_frame->convertHexToBinary(m_srec));
        QCOMPARE(readBytes(path(QStringLiteral("s.bin"))), m_expected);
        script.expectSave(path(QStringLiteral("h.bin")));
        QVERIFY(m_frame->convertHexToBinary(m_hex));
        QCOMPARE(readBytes(path(QStringLiteral("h.bin"))), m_expected);

        // HEX to dump: the same report but for the file's name.
        QVERIFY(m_frame->convertHexToDump(m_srec));
        const QString srecDump = newestText();
        QVERIFY(m_frame->convertHexToDump(m_hex));
        QCOMPARE(srecDump, newestText().replace(QStringLiteral("fw.hex"), m_srecName));

        // To S-records: the same text from either.
        QVERIFY(m_frame->convertToSRecords(m_srec));
        const QByteArray srecAgain = newestBytes();
        QVERIFY(m_frame->convertToSRecords(m_hex));
        QCOMPARE(srecAgain, newestBytes());
        QCOMPARE(objcopyBinary(srecAgain, "srec"), m_expected);

        // Merge and a CRC give S-records back under the document's
        // extension, as kestrun writes for that name. Either holds the
        // image the HEX document's result holds.
        const FormAnswers merge{{path(QStringLiteral("far.hex"))},
                                {QStringLiteral("last: 後のﾃﾞｰﾀを使う")}};
        // Addresses are typed as kestrun takes them, 0x and all.
        const QString slot =
            QStringLiteral("0x") + QString::number((m_expected.size() + 0xFFF) & ~0xFFF, 16).toUpper();
        const FormAnswers crc{{QStringLiteral("crc-32")},
                              {slot},
                              {QString()},
                              {QStringLiteral("little: ﾘﾄﾙｴﾝﾃﾞｨｱﾝ")},
                              {QStringLiteral("FF")}};
        const struct {
            FormAnswers answers;
            bool (FrmMDI::*job)(Form1 *);
            QString result;
            const char *format;
        } jobs[] = {{merge, &FrmMDI::mergeWithFiles, QStringLiteral("fw_merged") + m_srecName.mid(2),
                     "srec"},
                    {crc, &FrmMDI::insertCrc, QStringLiteral("fw_crc") + m_srecName.mid(2),
                     "srec"}};
        for (const auto &job : jobs) {
            script.expectForm(job.answers);
            QVERIFY((m_frame->*job.job)(m_srec));
            QCOMPARE(newestCaption(), path(job.result) + Form1::UnsavedMarker);
            const QByteArray fromSRecords = objcopyBinary(newestBytes(), job.format);
            script.expectForm(job.answers);
            QVERIFY((m_frame->*job.job)(m_hex));
            QVERIFY(newestCaption().endsWith(QStringLiteral(".hex") + Form1::UnsavedMarker));
            QCOMPARE(fromSRecords, objcopyBinary(newestBytes(), "ihex"));
        }

        // Compare: the two documents hold one image.
        script.expectForm(FormAnswers{{m_srecName}, {QStringLiteral("fw.hex")}, {QString()}});
        script.expectMessage(QMessageBox::Ok);
        const int before = Form1::DocumentCount();
        QVERIFY(m_frame->compareWithOther(m_srec));
        QCOMPARE(script.texts().constLast(),
                 QStringLiteral("%1 と fw.hex に違いはありません。").arg(m_srecName));
        QCOMPARE(Form1::DocumentCount(), before);
        QVERIFY(script.allAnswered());
    }
};

QTEST_MAIN(SRecordDocumentsTest)
#include "srecord_documents_test.moc"
