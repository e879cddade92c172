// Start addresses through convert and merge, judged by the peers: a 03
// (CS:IP) start in S-records and moved by --offset as objcopy and srec_cat
// write it, and the start merge keeps of several as srec_cat (the first)
// and Python's intelhex (by its overlap rule) keep it.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray startRecord(std::uint8_t type, const char *hex)
{
    return hexRecord(type, 0, QByteArray::fromHex(hex));
}

// The data at `base` with a start record.
QByteArray withStart(std::uint16_t base, const QByteArray &start)
{
    return hexText({hexRecord(0x00, base, sampleImage(16, base)), start});
}

// The end record of S-record text: its last line.
QByteArray lastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return lines.constLast().trimmed();
}

// What intelhex makes of a file: its bytes and its start address.
const char kImage[] = "import sys, intelhex\n"
                      "h = intelhex.IntelHex(sys.argv[1])\n"
                      "print(sorted(h.todict().items(), key=str))\n";

} // namespace

class StartAddressTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QByteArray imageOf(const QString &file) const
    {
        return runPeer(peerPython(), {"-c", kImage, path(file)}).out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("seg.hex"), withStart(0x1000, startRecord(0x03, "01000000")));
        writeBytes(path("high.hex"), withStart(0x1000, startRecord(0x03, "F000FFF0")));
        writeBytes(path("lin.hex"), withStart(0x1000, startRecord(0x05, "08000131")));
    }

    // S-records know no CS:IP: the end record carries CS * 16 + IP, and
    // its address size is the one that holds it, as srec_cat writes it.
    void segmentStartInSRecords_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("peer");
        QTest::newRow("0100:0000, S9") << "seg.hex" << QStringList() << QStringList();
        QTest::newRow("F000:FFF0, S8") << "high.hex" << QStringList() << QStringList();
        QTest::newRow("moved by --offset") << "seg.hex" << QStringList{"--offset", "100"}
                                           << QStringList{"-offset", "0x100"};
        QTest::newRow("moved down") << "high.hex" << QStringList{"--offset", "-F0"}
                                    << QStringList{"-offset", "-0xF0"};
        QTest::newRow("linear, S7") << "lin.hex" << QStringList() << QStringList();
        // srec_cat swaps the start's address as a byte's and lets a lane's be.
        QTest::newRow("byte-swapped, CS:IP") << "seg.hex" << QStringList{"--byte-swap", "8"}
                                             << QStringList{"-byte-swap", "8"};
        QTest::newRow("byte-swapped, linear") << "lin.hex" << QStringList{"--byte-swap", "2"}
                                              << QStringList{"-byte-swap", "2"};
        QTest::newRow("split") << "lin.hex" << QStringList{"--split", "4", "1"} << QStringList{"-split", "4", "1"};
    }

    void segmentStartInSRecords()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, options);
        QFETCH(QStringList, peer);
        const KestrunRun ours =
            runKestrun(QStringList{"convert", path(input), "-o", path("ours.srec")} + options);
        QCOMPARE(ours.exitCode, 0);
        QVERIFY(peerSucceeds("srec_cat", QStringList{path(input), "-intel"} + peer
                                             + QStringList{"-o", path("peer.srec"), "-motorola"}));
        QCOMPARE(lastLine(readBytes(path("ours.srec"))), lastLine(readBytes(path("peer.srec"))));
    }

    // HEX to HEX with --offset: the start moves with the data, written as
    // objcopy --change-addresses writes it (a CS:IP below 1 MiB, else 05).
    void offsetMovesTheStart_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("offset");
        QTest::newRow("CS:IP up") << "seg.hex" << "100";
        QTest::newRow("CS:IP down") << "seg.hex" << "-800";
        QTest::newRow("CS:IP past 1 MiB") << "high.hex" << "100";
        QTest::newRow("linear") << "lin.hex" << "10000";
    }

    void offsetMovesTheStart()
    {
        QFETCH(QString, input);
        QFETCH(QString, offset);
        QCOMPARE(runKestrun({"convert", path(input), "--offset", offset, "--record-length", "10",
                             "-o", path("ours.hex")})
                     .exitCode,
                 0);
        const QString change =
            offset.startsWith(u'-') ? "-0x" + offset.mid(1) : "0x" + offset;
        QVERIFY(peerSucceeds("objcopy", {"-I", "ihex", "-O", "ihex", "--change-addresses", change,
                                         path(input), path("peer.hex")}));
        const auto startOf = [](const QByteArray &text) {
            for (const QByteArray &line : text.split('\n'))
                if (line.startsWith(":04000003") || line.startsWith(":04000005"))
                    return line.trimmed();
            return QByteArray();
        };
        QCOMPARE(startOf(readBytes(path("ours.hex"))), startOf(readBytes(path("peer.hex"))));
        QCOMPARE(imageOf("ours.hex"), imageOf("peer.hex"));
    }

    // Two inputs with start addresses: the first kept unless
    // --start-address chooses, as srec_cat keeps the first and intelhex
    // keeps the earlier ("ignore") or the later ("replace"); a note names
    // both when kestrun chose by itself.
    void mergeKeepsTheChosenStart_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("peer");
        QTest::addColumn<bool>("noted");
        const QString srecCat = QStringLiteral("srec_cat a.hex -intel b.hex -intel");
        const QString intelhex = QStringLiteral(
            "%1 -c \"import intelhex as i; a = i.IntelHex('a.hex'); a.merge(i.IntelHex('b.hex'), "
            "overlap='%2'); a.write_hex_file('peer.hex')\"");
        QTest::newRow("default: the first, noted")
            << QStringList() << srecCat + " -o peer.hex -intel" << true;
        QTest::newRow("first") << QStringList{"--start-address", "first"}
                               << intelhex.arg(peerPython(), "ignore") << false;
        QTest::newRow("last") << QStringList{"--start-address", "last"}
                              << intelhex.arg(peerPython(), "replace") << false;
        QTest::newRow("an address")
            << QStringList{"--start-address", "0x1234"}
            << srecCat + " -execution-start-address 0x1234 -o peer.hex -intel" << false;
        QTest::newRow("none") << QStringList{"--start-address", "none"}
                              << "srec_cat a.hex -intel b.hex -intel -o peer.hex -intel "
                                 "-disable=exec-start-address"
                              << false;
    }

    void mergeKeepsTheChosenStart()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, peer);
        QFETCH(bool, noted);
        writeBytes(path("a.hex"), withStart(0x100, startRecord(0x05, "08004000")));
        writeBytes(path("b.hex"), withStart(0x200, startRecord(0x05, "08000000")));
        const KestrunRun ours =
            runKestrun(QStringList{"merge", "a.hex", "b.hex", "-o", "ours.hex"} + options, {},
                       m_dir.path());
        QCOMPARE(ours.exitCode, 0);
        QCOMPARE(ours.errorText().contains(u"a.hex") && ours.errorText().contains(u"b.hex"), noted);
        QCOMPARE(runPeer("/bin/sh", {"-c", "cd '" + m_dir.path() + "' && " + peer}).exitCode, 0);
        const char startOf[] = "import sys, intelhex; print(intelhex.IntelHex(sys.argv[1]).start_addr)";
        QCOMPARE(runPeer(peerPython(), {"-c", startOf, path("ours.hex")}).out,
                 runPeer(peerPython(), {"-c", startOf, path("peer.hex")}).out);
        QCOMPARE(imageOf("ours.hex"), imageOf("peer.hex"));
    }

    // One address as a CS:IP in one input and linear in the other is no
    // difference to note.
    void oneStartTwoWaysIsNoDifference()
    {
        writeBytes(path("a.hex"), withStart(0x100, startRecord(0x03, "01000000")));
        writeBytes(path("b.hex"), withStart(0x200, startRecord(0x05, "00001000")));
        const KestrunRun ours = runKestrun({"merge", "a.hex", "b.hex", "-o", "ours.hex"}, {},
                                           m_dir.path());
        QCOMPARE(ours.exitCode, 0);
        QCOMPARE(ours.err, QByteArray());
    }
};

QTEST_GUILESS_MAIN(StartAddressTest)
#include "start_address_test.moc"
