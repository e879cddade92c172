// The conversion engine on S-record texts, judged by GNU objcopy: a text of
// S19, S28 or S37 records gives the image objcopy -I srec -O binary gives,
// and the same image and dump as the Intel HEX text it was made from,
// whether its records stream into a sink or need the image. A bad
// S-record text is refused with the library's result at its line.
#include "core/ConversionEngine.h"
#include "core/LinkedLibraryCalls.h"
#include "support/bad_srecords.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const LibraryCalls kLibrary = linkedLibraryCalls();

bool objcopy(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("objcopy"), arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

// A window from the lowest data byte, as objcopy -O binary makes it.
ConversionSettings fromLowest()
{
    ConversionSettings settings;
    settings.fromLowest = true;
    return settings;
}

// What an engine made, and how.
struct Made {
    std::int32_t result = ResultOk;
    QByteArray bytes;
    int startedOver = 0;
};

// `text` to its binary image: into the engine's buffer, or streamed into a
// sink that can start over.
Made toBinary(const QByteArray &text, bool streamed)
{
    ConversionEngine engine(kLibrary, fromLowest());
    Made made;
    if (streamed)
        engine.setSink(
            [&made](QByteArrayView bytes) {
                made.bytes += bytes;
                return true;
            },
            [&made] {
                made.bytes.clear();
                ++made.startedOver;
                return true;
            });
    made.result = engine.hexToBinary(text);
    if (!streamed)
        made.bytes = engine.output().toByteArray();
    return made;
}

QByteArray toDump(const QByteArray &text)
{
    ConversionEngine engine(kLibrary, fromLowest());
    if (engine.hexToDump(text) != ResultOk)
        return QByteArray("<failed>");
    return engine.reportHead(QStringLiteral("fw")).toLatin1() + engine.output().toByteArray();
}

// Data above 16 MiB, through an extended linear address record, out of
// address order and with a gap.
QByteArray highHex()
{
    const QByteArray data = sampleImage(0x180, 9);
    return hexText({hexRecord(0x04, 0, QByteArray::fromHex("0800")),
                    hexRecord(0x00, 0x1000, data.mid(0, 0x80)),
                    hexRecord(0x00, 0x0F80, data.mid(0x80, 0x80)),
                    hexRecord(0x00, 0x1200, data.mid(0x100, 0x80))});
}

// `srec` with its data records (S1-S3) in the reverse order.
QByteArray dataReversed(const QByteArray &srec)
{
    QList<QByteArray> lines = srec.split('\n');
    QList<qsizetype> data;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].size() > 2 && lines[i][0] == 'S' && lines[i][1] >= '1' && lines[i][1] <= '3')
            data.append(i);
    for (qsizetype i = 0, j = data.size() - 1; i < j; ++i, --j)
        lines.swapItemsAt(data[i], data[j]);
    return lines.join('\n');
}

} // namespace

class EngineFormatsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty())
            QSKIP("objcopy is not installed (tools/setup.sh installs it)");
        QVERIFY(m_dir.isValid());
    }

    void sRecordsGiveObjcopysImage_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("dataType");
        QTest::addColumn<bool>("inOrder");
        // objcopy writes the smallest address size the data need unless
        // told to write S3.
        const QByteArray low = contiguousHex(sampleImage(0x2345, 1));
        const QByteArray lowScattered = hexText({
            hexRecord(0x00, 0x0100, sampleImage(0x20, 2)),
            hexRecord(0x00, 0x0000, sampleImage(0x10, 3)),
            hexRecord(0x00, 0x0120, sampleImage(0x08, 4)),
        });
        const QByteArray above64k = contiguousHex(sampleImage(0x10030, 5));
        QTest::newRow("S19") << low << QStringList() << QByteArray("S1") << true;
        QTest::newRow("S19 out of order") << lowScattered << QStringList() << QByteArray("S1")
                                          << false;
        QTest::newRow("S28") << above64k << QStringList() << QByteArray("S2") << true;
        QTest::newRow("S28 out of order") << scatteredHex() << QStringList() << QByteArray("S2")
                                          << false;
        QTest::newRow("S37 above 16 MiB") << highHex() << QStringList() << QByteArray("S3")
                                          << false;
        QTest::newRow("S37 of low addresses") << low << QStringList{"--srec-forceS3"}
                                              << QByteArray("S3") << true;
        QTest::newRow("S37, short records") << above64k << QStringList{"--srec-forceS3", "--srec-len=8"}
                                            << QByteArray("S3") << true;
    }

    void sRecordsGiveObjcopysImage()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QStringList, options);
        QFETCH(QByteArray, dataType);
        QFETCH(bool, inOrder);
        const QString hexFile = m_dir.filePath(QStringLiteral("fw.hex"));
        const QString srecFile = m_dir.filePath(QStringLiteral("fw.srec"));
        const QString binFile = m_dir.filePath(QStringLiteral("fw.bin"));
        writeBytes(hexFile, hex);
        QVERIFY(objcopy(QStringList{"-I", "ihex", "-O", "srec"} + options + QStringList{hexFile, srecFile}));
        // objcopy writes in address order; the text is reversed between its
        // header and its termination for the rows whose HEX is not.
        if (!inOrder)
            writeBytes(srecFile, dataReversed(readBytes(srecFile)));
        // Pelcor fills gaps with FF unless told otherwise.
        QVERIFY(objcopy({"-I", "srec", "-O", "binary", "--gap-fill=0xFF", srecFile, binFile}));
        const QByteArray srec = readBytes(srecFile);
        const QByteArray expected = readBytes(binFile);
        QVERIFY(srec.contains('\n' + dataType));
        QVERIFY(!expected.isEmpty());

        for (const bool streamed : {false, true}) {
            const Made fromSRecords = toBinary(srec, streamed);
            QCOMPARE(fromSRecords.result, ResultOk);
            QCOMPARE(fromSRecords.bytes, expected);
            // Records in address order stream without an image; others
            // start over through it.
            QCOMPARE(fromSRecords.startedOver, streamed && !inOrder ? 1 : 0);
            QCOMPARE(toBinary(hex, streamed).bytes, expected);
        }
        QCOMPARE(toDump(srec), toDump(hex));
    }

    // The library's verdict and line reach the engine's caller: the first
    // failing line as an editor counts it, and the same as objcopy counts
    // it where the text has no LF CR.
    void badSRecordsAreRefusedAtTheirLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<qulonglong>("line");
        for (const BadSRecord &row : kBadSRecords)
            QTest::newRow(row.name) << QByteArray(row.text) << int(row.result)
                                    << qulonglong(row.line);
    }

    void badSRecordsAreRefusedAtTheirLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        QFETCH(qulonglong, line);
        for (const bool streamed : {false, true}) {
            ConversionEngine engine(kLibrary, fromLowest());
            if (streamed)
                engine.setSink([](QByteArrayView) { return true; }, [] { return true; });
            QCOMPARE(engine.hexToBinary(text), result);
            QVERIFY(engine.place());
            QCOMPARE(qulonglong(engine.place()->line), line);
            QCOMPARE(qulonglong(engine.place()->editor_line), line);
        }
    }
};

QTEST_MAIN(EngineFormatsTest)
#include "engine_formats_test.moc"
