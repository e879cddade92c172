// kestrun and GNU objcopy read each other's Intel HEX: an image written by
// one and read back by the other comes back byte for byte, across the
// 64 KiB and 1 MiB boundaries where extended address records begin.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

} // namespace

class ObjcopyRoundTripTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("objcopy")).isEmpty())
            QSKIP("objcopy is not installed (tools/setup.sh installs it)");
    }

    void imagesSurviveBothWays_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("one byte") << 1 << QStringList();
        QTest::newRow("a short last record") << 17 << QStringList();
        QTest::newRow("past 64 KiB") << 0x10008 << QStringList{"--record-length", "10"};
        QTest::newRow("records across the boundary")
            << 0x10006 << QStringList{"--record-length", "18"};
        QTest::newRow("past 1 MiB, LF") << 0x100010 << QStringList{"--line-end", "lf"};
        QTest::newRow("longest records, CR")
            << 0x20100 << QStringList{"--record-length", "FF", "--line-end", "cr"};
    }

    void imagesSurviveBothWays()
    {
        QFETCH(int, size);
        QFETCH(QStringList, options);
        const QByteArray image = sampleImage(size, std::uint32_t(size));
        writeBytes(path("image.bin"), image);

        // kestrun writes, objcopy reads.
        const KestrunRun written =
            runKestrun(QStringList{"bin2hex", path("image.bin"), "-o", path("ours.hex")} + options);
        QVERIFY2(written.exitCode == 0, written.err.constData());
        QVERIFY(peerSucceeds(QStringLiteral("objcopy"), {"-I", "ihex", "-O", "binary", path("ours.hex"), path("objcopy.bin")}));
        QVERIFY(readBytes(path("objcopy.bin")) == image);

        // objcopy writes, kestrun reads.
        QVERIFY(peerSucceeds(QStringLiteral("objcopy"), {"-I", "binary", "-O", "ihex", path("image.bin"), path("objcopy.hex")}));
        const KestrunRun read =
            runKestrun({"hex2bin", path("objcopy.hex"), "-o", path("ours.bin")});
        QVERIFY2(read.exitCode == 0, read.err.constData());
        QVERIFY(readBytes(path("ours.bin")) == image);
    }

    void scatteredBlocksLandAtTheirAddresses()
    {
        // objcopy fills the gaps of a sparse HEX file with zeros, from the
        // lowest address on; kestrun, with fill 00, from address 0.
        writeBytes(path("scattered.hex"), scatteredHex());
        QVERIFY(peerSucceeds(QStringLiteral("objcopy"), {"-I", "ihex", "-O", "binary", "--gap-fill", "0", path("scattered.hex"),
                         path("objcopy.bin")}));
        const KestrunRun read = runKestrun({"hex2bin", path("scattered.hex"), "-o",
                                            path("ours.bin"), "--fill", "00", "--scope", "400"});
        QVERIFY2(read.exitCode == 0, read.err.constData());
        QVERIFY(readBytes(path("ours.bin")) == readBytes(path("objcopy.bin")));
    }

    // Firmware as the peers write it: linked high, in segments, or in
    // records of one byte. With default settings every file converts (the
    // image grows to what it needs); from the lowest address the image is
    // objcopy's own.
    void peersFilesConvertWithDefaults_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<uint>("address");
        QTest::newRow("objcopy at 08000000")
            << "objcopy" << QStringList{"-I",         "binary", "-O",  "ihex", "--change-addresses",
                                        "0x08000000", "@in",    "@out"}
            << 0x08000000u;
        QTest::newRow("srec_cat, 32-bit, records of 1")
            << "srec_cat" << QStringList{"@in", "-binary", "-offset", "0x20001003",
                                         "-o",  "@out",    "-intel",  "-obs=1"}
            << 0x20001003u;
        QTest::newRow("objcopy, segmented")
            << "objcopy" << QStringList{"-I",      "binary", "-O",  "ihex", "--change-addresses",
                                        "0xC0000", "@in",    "@out"}
            << 0xC0000u;
    }

    void peersFilesConvertWithDefaults()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(uint, address);
        if (QStandardPaths::findExecutable(program).isEmpty())
            QSKIP("a peer is not installed (tools/setup.sh installs it)");
        const QByteArray image = sampleImage(0x12345, 7);
        writeBytes(path("peer.bin"), image);
        arguments.replaceInStrings("@in", path("peer.bin"));
        arguments.replaceInStrings("@out", path("peer.hex"));
        QVERIFY(peerSucceeds(program, arguments));

        const KestrunRun whole = runKestrun({"hex2bin", path("peer.hex"), "-o", path("whole.bin")});
        QVERIFY2(whole.exitCode == 0, whole.err.constData());
        const QByteArray bytes = readBytes(path("whole.bin"));
        QCOMPARE(bytes.size(), qsizetype(address) + image.size());
        QVERIFY(bytes.sliced(address) == image);
        QCOMPARE(whole.errorText().contains(u"--from-lowest"), address > (16u << 20));

        const KestrunRun lowest =
            runKestrun({"hex2bin", path("peer.hex"), "--from-lowest", "-o", path("lowest.bin")});
        QVERIFY2(lowest.exitCode == 0, lowest.err.constData());
        QVERIFY(peerSucceeds(QStringLiteral("objcopy"), {"-I", "ihex", "-O", "binary", path("peer.hex"), path("objcopy.bin")}));
        QVERIFY(readBytes(path("lowest.bin")) == readBytes(path("objcopy.bin")));
    }

    void baseAddressesReadBackByObjcopy()
    {
        const QByteArray image = sampleImage(0x20020, 9);
        writeBytes(path("based.bin"), image);
        const KestrunRun written = runKestrun(
            {"bin2hex", path("based.bin"), "--base", "800FFF0", "-o", path("based.hex")});
        QVERIFY2(written.exitCode == 0, written.err.constData());
        QVERIFY(peerSucceeds(QStringLiteral("objcopy"), {"-I", "ihex", "-O", "binary", path("based.hex"), path("objcopy.bin")}));
        QVERIFY(readBytes(path("objcopy.bin")) == image);
        // objcopy places it where the base says.
        QVERIFY(peerSucceeds(QStringLiteral("objcopy"), {"-I", "ihex", "-O", "srec", path("based.hex"), path("objcopy.srec")}));
        QVERIFY(readBytes(path("objcopy.srec")).contains("S3150800FFF0"));
        const KestrunRun read =
            runKestrun({"hex2bin", path("based.hex"), "--from-lowest", "-o", path("ours.bin")});
        QVERIFY2(read.exitCode == 0, read.err.constData());
        QVERIFY(readBytes(path("ours.bin")) == image);
    }
};

QTEST_GUILESS_MAIN(ObjcopyRoundTripTest)
#include "objcopy_roundtrip_test.moc"
