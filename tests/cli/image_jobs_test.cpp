// kestrun merge, cmp, crc and info --json against the peers that do each
// job: Python intelhex's merge(overlap=...) and srec_cat for merging,
// srec_cmp's verdict for comparing, zlib for crc-32; the stamps of convert
// (Fletcher and Adler sums, lengths, serial numbers) against srec_cat, its
// digests against hashlib and --replace against bytes.replace; and the ways
// each can be asked for wrongly, which must leave no output behind.
#include "support/elf_program.h"
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// `bytes` from the 16-bit `base` on, as 16-byte records, a line each.
QList<QByteArray> blockRecords(std::uint16_t base, const QByteArray &bytes)
{
    QList<QByteArray> records;
    for (qsizetype at = 0; at < bytes.size(); at += 16)
        records.append(hexRecord(0x00, std::uint16_t(base + at), bytes.mid(at, 16)));
    return records;
}

QByteArray blockHex(std::uint16_t base, const QByteArray &bytes)
{
    return hexText(blockRecords(base, bytes));
}

const QByteArray kA = sampleImage(256, 1);
const QByteArray kOther = sampleImage(256, 2);

QByteArray oneByteChanged()
{
    QByteArray b = kA;
    b[0x43] = char(~b[0x43]);
    return b;
}

// The inputs of the merge and compare cases: a.hex holds kA at 1000.
const struct Layout {
    const char *name;
    std::uint16_t base;
    QByteArray bytes;
} kLayouts[] = {
    {"apart", 0x3000, kOther},
    {"overlap with the same bytes", 0x1080, kA.mid(0x80) + kOther.left(0x80)},
    {"overlap with other bytes", 0x1080, kOther},
    {"one byte differs", 0x1000, oneByteChanged()},
    {"the same", 0x1000, kA},
};

const char kIntelHexMerge[] = "import sys, intelhex\n"
                              "a = intelhex.IntelHex(sys.argv[1])\n"
                              "try:\n"
                              "    a.merge(intelhex.IntelHex(sys.argv[2]), overlap=sys.argv[3])\n"
                              "except intelhex.AddressOverlapError:\n"
                              "    sys.exit(1)\n"
                              "a.write_hex_file(sys.argv[4])\n";
const char kSameData[] = "import sys, intelhex\n"
                         "d = [intelhex.IntelHex(f).todict() for f in sys.argv[1:]]\n"
                         "[x.pop('start_addr', None) for x in d]\n"
                         "sys.exit(d[0] != d[1])\n";

// What convert writes with a digest at a slot or bytes replaced, from the
// input: the digest of the bytes from the lowest to the highest address,
// gaps as FF; bytes.replace over each run of data, and how many.
const char kDigestOrReplace[] =
    "import sys, hashlib, intelhex\n"
    "ih = intelhex.IntelHex(sys.argv[1]); ih.padding = 0xFF; kind = sys.argv[3]\n"
    "if kind.startswith('replace:'):\n"
    "    f, r = (bytes.fromhex(x) for x in kind[8:].split('='))\n"
    "    runs = [(s, ih.tobinstr(s, e - 1)) for s, e in ih.segments()]\n"
    "    [ih.puts(s, run.replace(f, r)) for s, run in runs]\n"
    "    print(sum(run.count(f) for s, run in runs))\n"
    "else:\n"
    "    digest = hashlib.new(kind, ih.tobinstr(ih.minaddr(), ih.maxaddr()))\n"
    "    ih.puts(int(sys.argv[4], 16), digest.digest())\n"
    "    print(digest.hexdigest().upper())\n"
    "ih.write_hex_file(sys.argv[2])\n";

int peerExit(const QString &program, const QStringList &arguments)
{
    return runPeer(program, arguments).exitCode;
}

} // namespace

class ImageJobsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void writeLayout(const Layout &layout)
    {
        writeBytes(path("a.hex"), blockHex(0x1000, kA));
        writeBytes(path("b.hex"), blockHex(layout.base, layout.bytes));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(peerExit(peerPython(), {"-c", "import intelhex"}) == 0,
                 "Python's intelhex is missing (tools/setup.sh installs it)");
    }

    void mergeAgreesWithThePeers_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("refused");
        // Each rule with the peer that has it: intelhex's "error" refuses any
        // overlap, "ignore" keeps the first bytes, "replace" the last;
        // srec_cat refuses only bytes that contradict.
        const char *rules[] = {"error", "first", "last", "identical"};
        // A refusal names the whole range the inputs conflict over, from
        // the first line of each.
        const char *refusals[][4] = {
            {"", "", "", ""},
            {"b.hex:1: 00001080-000010FF は a.hex:9 も書き込んでいます", "", "", ""},
            {"b.hex:1: 00001080-000010FF は a.hex:9 も書き込んでいます", "", "",
             "b.hex:1: 00001080-000010FF は a.hex:9 も書き込んでいます"},
            {"b.hex:1: 00001000-000010FF は a.hex:1 も書き込んでいます", "", "",
             "b.hex:5: 00001043-00001043 は a.hex:5 も書き込んでいます"},
            {"b.hex:1: 00001000-000010FF は a.hex:1 も書き込んでいます", "", "", ""},
        };
        for (int l = 0; l < int(std::size(kLayouts)); ++l)
            for (int r = 0; r < 4; ++r)
                QTest::addRow("%s, %s", kLayouts[l].name, rules[r])
                    << l << QString::fromLatin1(rules[r]) << QString::fromUtf8(refusals[l][r]);
    }

    void mergeAgreesWithThePeers()
    {
        QFETCH(int, layout);
        QFETCH(QString, rule);
        QFETCH(QString, refused);
        writeLayout(kLayouts[layout]);
        for (const char *name : {"ours.hex", "peer.hex"})
            QFile::remove(path(name));
        int peer = 0;
        if (rule == u"identical")
            peer = peerExit("srec_cat", {path("a.hex"), "-intel", path("b.hex"), "-intel", "-o",
                                        path("peer.hex"), "-intel"});
        else
            peer = peerExit(peerPython(), {"-c", kIntelHexMerge, path("a.hex"), path("b.hex"),
                                      rule == u"first" ? "ignore" : rule == u"last" ? "replace" : "error",
                                      path("peer.hex")});
        QCOMPARE(peer != 0, !refused.isEmpty());
        const KestrunRun run = runKestrun({"merge", path("a.hex"), path("b.hex"), "--overlap", rule,
                                           "-o", path("ours.hex")});
        if (!refused.isEmpty()) {
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.errorText().trimmed(),
                     refused.replace(QStringLiteral("a.hex"), path("a.hex"))
                         .replace(QStringLiteral("b.hex"), path("b.hex")));
            QVERIFY(!QFile::exists(path("ours.hex")));
            return;
        }
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(peerExit(peerPython(), {"-c", kSameData, path("ours.hex"), path("peer.hex")}), 0);
    }

    // Where inputs conflict, the refusal names the whole range and the
    // first line of each side; an input without lines (binary, ELF) by its
    // name alone.
    void conflictsNameTheirWholeRange_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("refused");
        QTest::newRow("one record over two") << QStringList{"merge", "two.hex", "wide.hex"} << "error"
                                             << "wide.hex:1: 00001010-0000102F は two.hex:1 も書き込んでいます";
        QTest::newRow("two records over one") << QStringList{"merge", "wide.hex", "two.hex"} << "error"
                                              << "two.hex:1: 00001010-0000102F は wide.hex:1 も書き込んでいます";
        QTest::newRow("equal bytes refused too") << QStringList{"merge", "two.hex", "two.hex"} << "error"
                                                 << "two.hex:1: 00001010-0000102F は two.hex:1 も書き込んでいます";
        QTest::newRow("identical: first to last differing byte")
            << QStringList{"merge", "two.hex", "wide.hex"} << "identical"
            << "wide.hex:1: 00001011-0000102E は two.hex:1 も書き込んでいます";
        QTest::newRow("a binary over a record") << QStringList{"merge", "two.hex", "r.bin@1018"} << "error"
                                                << "r.bin@1018: 00001018-0000101B は two.hex:1 も書き込んでいます";
        QTest::newRow("a record over a binary") << QStringList{"merge", "r.bin@1018", "two.hex"} << "error"
                                                << "two.hex:1: 00001018-0000101B は r.bin@1018 も書き込んでいます";
        // Inside one input the reader stops at the first record it refuses:
        // the records after it that go on over the same bytes count too.
        QTest::newRow("in one file, two records over one")
            << QStringList{"merge", "wt.hex"} << "error"
            << "wt.hex:2: 00001011-0000102E は wt.hex:1 も書き込んでいます";
        QTest::newRow("convert, one record over two")
            << QStringList{"convert", "tw.hex"} << "identical"
            << "tw.hex:3: ﾃﾞｰﾀのｱﾄﾞﾚｽが重なっています (00001011-0000102E は 1 行目も書いています)";
        QTest::newRow("hex2bin, two records over one")
            << QStringList{"hex2bin", "wt.hex"} << "error"
            << "wt.hex:2: ﾃﾞｰﾀのｱﾄﾞﾚｽが重なっています (00001011-0000102E は 1 行目も書いています)";
    }

    void conflictsNameTheirWholeRange()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, rule);
        QFETCH(QString, refused);
        QByteArray other = QByteArray(0x20, 0x11);
        other[0] = 0;
        other[0x1F] = 0x0F;
        writeBytes(path("two.hex"), hexText({hexRecord(0x00, 0x1010, QByteArray(0x10, 0)),
                                             hexRecord(0x00, 0x1020, QByteArray(0x10, 0x0F))}));
        writeBytes(path("wide.hex"), hexText({hexRecord(0x00, 0x1010, other)}));
        writeBytes(path("tw.hex"), hexText({hexRecord(0x00, 0x1010, QByteArray(0x10, 0)),
                                            hexRecord(0x00, 0x1020, QByteArray(0x10, 0x0F)),
                                            hexRecord(0x00, 0x1010, other)}));
        writeBytes(path("wt.hex"), hexText({hexRecord(0x00, 0x1010, other),
                                            hexRecord(0x00, 0x1010, QByteArray(0x10, 0)),
                                            hexRecord(0x00, 0x1020, QByteArray(0x10, 0x0F))}));
        writeBytes(path("r.bin"), "\x01\x02\x03\x04");
        const KestrunRun run = runKestrun(arguments
                                              + QStringList{"--overlap", rule, "-o", "out.hex"},
                                          {}, m_dir.path());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errorText().trimmed(), refused);
    }

    // An ELF file whose segments overlap has no lines to name: every
    // command names the file alone, never a line 0.
    void segmentsAreNamedWithoutLineZero_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("convert, last") << QStringList{"convert", "o.elf", "--overlap", "last", "-o", "o.bin"};
        QTest::newRow("convert, error") << QStringList{"convert", "o.elf", "--overlap", "error", "-o", "o.bin"};
        QTest::newRow("hex2bin, last") << QStringList{"hex2bin", "o.elf", "--overlap", "last", "-o", "o.bin"};
        QTest::newRow("hex2bin, error") << QStringList{"hex2bin", "o.elf", "--overlap", "error", "-o", "o.bin"};
        QTest::newRow("merge") << QStringList{"merge", "o.elf", "-o", "o.hex"};
        QTest::newRow("merge after a binary") << QStringList{"merge", "r.bin@08000010", "o.elf", "-o", "o.hex"};
    }

    void segmentsAreNamedWithoutLineZero()
    {
        QFETCH(QStringList, arguments);
        writeBytes(path("p.c"), kElfProgram);
        // The data loaded over the end of the code.
        writeBytes(path("o.ld"), QByteArray(kElfLinkerScript).replace("AT(0x08001000)", "AT(0x08000010)"));
        writeBytes(path("r.bin"), "\x01\x02\x03\x04");
        QVERIFY(peerSucceeds("gcc", {"-Os", "-nostdlib", "-static", "-fno-pic", "-no-pie",
                                     "-Wl,--build-id=none", "-Wl,--no-check-sections", "-T",
                                     path("o.ld"), path("p.c"), "-o", path("o.elf")}));
        const KestrunRun run = runKestrun(arguments, {}, m_dir.path());
        QVERIFY2(run.errorText().contains(u"o.elf: "), run.err.constData());
        QVERIFY2(!run.errorText().contains(QRegularExpression(QStringLiteral(":0:|line 0\\b"))),
                 run.err.constData());
    }

    // A CRC whose slot holds other data is refused, as srec_cat refuses a
    // second value at an address, unless --overlap last lets it write
    // over them; the value already there passes, as srec_cat lets it.
    void crcOverDataIsRefusedAsSrecCatRefuses_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        const QString range = QStringLiteral("1000-10FB");
        QTest::newRow("merge, in the data") << "merge" << "a.hex" << "10FC" << QStringList() << 1;
        QTest::newRow("convert, in the data") << "convert" << "a.hex" << "10FC" << QStringList() << 1;
        QTest::newRow("half in the data") << "merge" << "a.hex" << "10FE" << QStringList() << 1;
        QTest::newRow("--overlap first keeps no CRC")
            << "merge" << "a.hex" << "10FC" << QStringList{"--overlap", "first"} << 1;
        QTest::newRow("--overlap last writes over")
            << "merge" << "a.hex" << "10FC" << QStringList{"--overlap", "last"} << 0;
        QTest::newRow("convert --overlap last")
            << "convert" << "a.hex" << "10FC" << QStringList{"--overlap", "last"} << 0;
        QTest::newRow("the value already there") << "merge" << "crc.hex" << "10FC" << QStringList() << 0;
        QTest::newRow("after the data") << "merge" << "a.hex" << "1100" << QStringList() << 0;
    }

    void crcOverDataIsRefusedAsSrecCatRefuses()
    {
        QFETCH(QString, command);
        QFETCH(QString, input);
        QFETCH(QString, slot);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        writeBytes(path("a.hex"), blockHex(0x1000, kA));
        QCOMPARE(runKestrun({"merge", path("a.hex"), "--insert-crc", "10FC", "--range", "1000-10FB",
                             "--overlap", "last", "-o", path("crc.hex")})
                     .exitCode,
                 0);
        QFile::remove(path("ours.hex"));
        const std::uint32_t at = slot.toUInt(nullptr, 16);
        const bool over = options.contains(u"last");
        // srec_cat: the CRC of the range, then the input (without the slot
        // when the CRC is to win).
        const QStringList peer =
            QStringList{"(", path(input), "-intel", "-crop", "0x1000", "0x" + QString::number(at, 16),
                        "-crc32-l-e", "0x" + slot, ")", "(", path(input), "-intel"}
            + (over ? QStringList{"-exclude", "0x" + slot, "0x" + QString::number(at + 4, 16)}
                    : QStringList())
            + QStringList{")", "-o", path("peer.hex"), "-intel"};
        QCOMPARE(peerExit("srec_cat", peer) != 0, status != 0);
        const KestrunRun run = runKestrun(QStringList{command, path(input), "--insert-crc", slot,
                                                      "--range", "1000-" + QString::number(at - 1, 16),
                                                      "-o", path("ours.hex")}
                                          + options);
        QCOMPARE(run.exitCode, status);
        if (status != 0) {
            // The refusal names the slot's bytes that differ and their line.
            QVERIFY2(run.errorText().contains(u"--overlap last")
                         && run.errorText().contains(path(input) + QStringLiteral(":16")),
                     run.err.constData());
            QVERIFY(!QFile::exists(path("ours.hex")));
            return;
        }
        QCOMPARE(run.err.isEmpty(), !over);
        QCOMPARE(peerExit(peerPython(), {"-c", kSameData, path("ours.hex"), path("peer.hex")}), 0);
    }

    // merge's image operations work on the merged image, as srec_cat's
    // filters after a parenthesis.
    void mergeOperationsGiveSrecCatsImage_data()
    {
        QTest::addColumn<QStringList>("ours");
        QTest::addColumn<QStringList>("theirs");
        QTest::newRow("byte-swap") << QStringList{"--byte-swap", "4"} << QStringList{"-byte-swap", "4"};
        QTest::newRow("split, the even bytes")
            << QStringList{"--split", "2", "0"} << QStringList{"-split", "2", "0"};
        QTest::newRow("exclude, then unsplit")
            << QStringList{"--exclude", "1001-1001", "--unsplit", "3", "1", "2"}
            << QStringList{"-exclude", "0x1001", "0x1002", "-unsplit", "3", "1", "2"};
    }
    void mergeOperationsGiveSrecCatsImage()
    {
        QFETCH(QStringList, ours);
        QFETCH(QStringList, theirs);
        writeLayout(kLayouts[0]);
        QCOMPARE(runKestrun(QStringList{"merge", path("a.hex"), path("b.hex"), "-o", path("ours.hex")} + ours)
                     .exitCode,
                 0);
        QCOMPARE(peerExit("srec_cat", QStringList{"(", path("a.hex"), "-intel", path("b.hex"), "-intel", ")"}
                                          + theirs + QStringList{"-o", path("peer.hex"), "-intel"}),
                 0);
        QCOMPARE(peerExit(peerPython(), {"-c", kSameData, path("ours.hex"), path("peer.hex")}), 0);
    }

    // Each stamp of convert against the srec_cat filters that make it.
    void stampsAgreeWithSrecCat_data()
    {
        QTest::addColumn<QStringList>("ours");
        QTest::addColumn<QStringList>("peer");
        for (const char *sum : {"Fletcher_16", "Fletcher_32", "Adler_16", "Adler_32"})
            for (const char *order : {"big", "little"}) {
                const QString name = QString::fromLatin1(sum).toLower().replace(u'_', u'-');
                const QString filter = QStringLiteral("-%1_%2_Endian").arg(QLatin1String(sum),
                    order[0] == 'b' ? QStringLiteral("Big") : QStringLiteral("Little"));
                QTest::addRow("%s, %s", sum, order)
                    << QStringList{"--insert-crc", "1100", "--algorithm", name, "--endian", order}
                    << QStringList{filter, "0x1100"};
            }
        QTest::newRow("length, 4 bytes little")
            << QStringList{"--insert-length", "1100"}
            << QStringList{"-Exclusive_Length_Little_Endian", "0x1100", "4"};
        QTest::newRow("length, 2 bytes big")
            << QStringList{"--insert-length", "1100", "--width", "2", "--endian", "big"}
            << QStringList{"-Exclusive_Length_Big_Endian", "0x1100", "2"};
        QTest::newRow("length before the data")
            << QStringList{"--insert-length", "0xFFC", "--endian", "big"}
            << QStringList{"-Exclusive_Length_Big_Endian", "0xFFC", "4"};
        QTest::newRow("length, then an Adler-32 over it")
            << QStringList{"--insert-length", "1100", "--width", "2", "--insert-crc", "1102",
                           "--algorithm", "adler-32"}
            << QStringList{"-Exclusive_Length_Little_Endian", "0x1100", "2", "-Adler_32_Little_Endian",
                           "0x1102"};
        QTest::newRow("a serial number over data")
            << QStringList{"--serial", "10F0=12345678", "--endian", "big"}
            << QStringList{"-exclude", "0x10F0", "0x10F4", "-generate", "0x10F0", "0x10F4",
                           "-constant-b-e", "0x12345678", "4"};
    }

    void stampsAgreeWithSrecCat()
    {
        QFETCH(QStringList, ours);
        QFETCH(QStringList, peer);
        writeBytes(path("a.hex"), blockHex(0x1000, kA));
        QCOMPARE(peerExit("srec_cat", QStringList{path("a.hex"), "-intel"} + peer
                                          + QStringList{"-o", path("peer.hex"), "-intel"}),
                 0);
        const KestrunRun run =
            runKestrun(QStringList{"convert", path("a.hex")} + ours + QStringList{"-o", path("ours.hex")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(peerExit(peerPython(), {"-c", kSameData, path("ours.hex"), path("peer.hex")}), 0);
    }

    // Over data with a gap: the digests equal hashlib's of the filled
    // bytes, and crc verifies them; --replace equals bytes.replace and
    // says how many it replaced.
    void digestsAndReplaceAgreeWithPython_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *digest : {"sha256", "sha1", "sha512", "md5"})
            QTest::newRow(digest) << QString::fromLatin1(digest);
        const QString within = QString::fromLatin1(kA.mid(0x10, 2).toHex());
        QTest::newRow("replace") << "replace:" + within + "=A55A";
        QTest::newRow("replace, not across the gap")
            << "replace:" + QString::fromLatin1((kA.right(1) + kOther.left(1)).toHex()) + "=0000";
    }

    void digestsAndReplaceAgreeWithPython()
    {
        QFETCH(QString, kind);
        writeBytes(path("gap.hex"), hexText(blockRecords(0x1000, kA) + blockRecords(0x1180, kOther)));
        const KestrunRun peer = runPeer(peerPython(), {"-c", kDigestOrReplace, path("gap.hex"),
                                                       path("peer.hex"), kind, "2000"});
        QVERIFY2(peer.exitCode == 0, peer.err.constData());
        const bool replace = kind.startsWith(u"replace:");
        const QStringList options = replace ? QStringList{"--replace", kind.mid(8)}
                                            : QStringList{"--insert-crc", "2000", "--algorithm", kind};
        const KestrunRun run = runKestrun(QStringList{"convert", path("gap.hex")} + options
                                          + QStringList{"-o", path("ours.hex")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(peerExit(peerPython(), {"-c", kSameData, path("ours.hex"), path("peer.hex")}), 0);
        if (replace) {
            QVERIFY2(run.errorText().contains(QStringLiteral(": ") + QString::fromLatin1(peer.out.trimmed()) + QStringLiteral(" ")),
                     run.err.constData());
            return;
        }
        const KestrunRun verified = runKestrun({"crc", path("ours.hex"), "--algorithm", kind,
                                                "--verify-crc", "2000"});
        QCOMPARE(verified.exitCode, 0);
        QCOMPARE(verified.out, peer.out);
    }

    // Three images of one input, each with its number and its own CRC,
    // each equal to what srec_cat makes of the input and that number.
    void serialImagesHoldTheirNumbersAndTheirOwnCrcs()
    {
        writeBytes(path("a.hex"), blockHex(0x1000, kA));
        const KestrunRun run = runKestrun({"convert", path("a.hex"), "--serial", "10F0=0xFFFD",
                                           "--width", "2", "--endian", "big", "--count", "3",
                                           "--insert-crc", "1100", "-o", path("fw-%02u.hex")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        for (int i = 1; i <= 3; ++i) {
            const QString number = QStringLiteral("0x%1").arg(0xFFFD + i - 1, 0, 16);
            QCOMPARE(peerExit("srec_cat", {"(", path("a.hex"), "-intel", "-exclude", "0x10F0", "0x10F2",
                                           "-generate", "0x10F0", "0x10F2", "-constant-b-e", number,
                                           "2", ")", "-crc32-l-e", "0x1100", "-o", path("peer.hex"),
                                           "-intel"}),
                     0);
            const QString ours = path(QStringLiteral("fw-%1.hex").arg(i, 2, 10, QChar(u'0')));
            QCOMPARE(peerExit(peerPython(), {"-c", kSameData, ours, path("peer.hex")}), 0);
        }
        QVERIFY(!QFile::exists(path("fw-04.hex")));
    }

    void cmpGivesSrecCmpsVerdict_data()
    {
        QTest::addColumn<int>("layout");
        for (int l = 0; l < int(std::size(kLayouts)); ++l)
            QTest::newRow(kLayouts[l].name) << l;
    }

    void cmpGivesSrecCmpsVerdict()
    {
        QFETCH(int, layout);
        writeLayout(kLayouts[layout]);
        const int peer = peerExit("srec_cmp", {path("a.hex"), "-intel", path("b.hex"), "-intel"});
        QVERIFY(peer == 0 || peer == 2);
        const KestrunRun run = runKestrun({"cmp", path("a.hex"), path("b.hex")});
        QCOMPARE(run.exitCode, peer == 0 ? 0 : 1);
        QCOMPARE(run.out.isEmpty(), peer == 0);
    }

    // A HEX file with a gap against the binary a programmer reads back:
    // different, unless the gap reads as the erased byte.
    void aGapEqualsOnlyTheFillByteGiven()
    {
        QByteArray flash = kA;
        flash.replace(0x20, 0x10, QByteArray(0x10, '\xFF'));
        writeBytes(path("gap.hex"),
                   hexText(blockRecords(0x1000, kA.left(0x20)) + blockRecords(0x1030, kA.mid(0x30))));
        writeBytes(path("flash.bin"), flash);
        const QString bin = path("flash.bin") + QStringLiteral("@1000");
        const int plain = peerExit("srec_cmp", {path("gap.hex"), "-intel", path("flash.bin"), "-binary",
                                               "-offset", "0x1000"});
        const int filled = peerExit("srec_cmp", {path("gap.hex"), "-intel", "-fill", "0xFF", "0x1000",
                                                "0x1100", path("flash.bin"), "-binary", "-offset", "0x1000"});
        QCOMPARE(runKestrun({"cmp", path("gap.hex"), bin}).exitCode, plain == 0 ? 0 : 1);
        QCOMPARE(runKestrun({"cmp", path("gap.hex"), bin, "--fill-byte", "FF"}).exitCode,
                 filled == 0 ? 0 : 1);
        const KestrunRun listed = runKestrun({"cmp", path("gap.hex"), bin});
        QCOMPARE(listed.out, QByteArray("00001020-0000102F は ") + path("flash.bin").toUtf8()
                                 + "@1000 にだけあります\n");
    }

    void crcAgreesWithZlibAndVerifiesWhatMergeInserted()
    {
        writeBytes(path("a.hex"), blockHex(0x1000, kA));
        writeBytes(path("a.bin"), kA);
        QProcess zlib;
        zlib.start(peerPython(), {"-c", "import sys, zlib; print('%08X' % zlib.crc32(open(sys.argv[1], 'rb').read()))",
                              path("a.bin")});
        QVERIFY(zlib.waitForFinished());
        const QByteArray expected = zlib.readAllStandardOutput();
        QCOMPARE(runKestrun({"crc", path("a.hex")}).out, expected);
        QCOMPARE(runKestrun({"crc", path("a.bin")}).out, expected);
        QCOMPARE(runKestrun({"merge", path("a.hex"), "--insert-crc", "1100", "--endian", "big", "-o",
                             path("crc.hex")})
                     .exitCode,
                 0);
        const KestrunRun verified =
            runKestrun({"crc", path("crc.hex"), "--verify-crc", "1100", "--endian", "big"});
        QCOMPARE(verified.exitCode, 0);
        QCOMPARE(verified.out, expected);
        QCOMPARE(runKestrun({"convert", path("a.bin@1000"), "--insert-crc", "1100", "-o",
                             path("converted.hex")})
                     .exitCode,
                 0);
        QCOMPARE(runKestrun({"crc", path("converted.hex"), "--verify-crc", "1100"}).out, expected);
        const KestrunRun wrong = runKestrun({"crc", path("crc.hex"), "--verify-crc", "1100"});
        QCOMPARE(wrong.exitCode, 1);
        QVERIFY2(wrong.errorText().contains(QString::fromLatin1(expected.trimmed())), qPrintable(wrong.errorText()));
    }

    void wrongRequestsFailAndWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("a range the wrong way round") << QStringList{"crc", "a.hex", "--range", "1100-1000"} << 2;
        QTest::newRow("an unknown algorithm") << QStringList{"crc", "a.hex", "--algorithm", "crc-99"} << 2;
        QTest::newRow("a CRC width below 8") << QStringList{"crc", "a.hex", "--width", "7", "--poly", "7"} << 2;
        QTest::newRow("a CRC slot in its range")
            << QStringList{"merge", "a.hex", "--insert-crc", "1080", "-o", "out.hex"} << 1;
        QTest::newRow("a CRC slot past 4 GiB")
            << QStringList{"merge", "a.hex", "--insert-crc", "FFFFFFFE", "-o", "out.hex"} << 1;
        QTest::newRow("a given range over the slot")
            << QStringList{"merge", "a.hex", "--insert-crc", "1100", "--range", "1000-1101", "-o", "out.hex"} << 1;
        QTest::newRow("an option of another command")
            << QStringList{"merge", "a.hex", "--max", "3", "-o", "out.hex"} << 2;
        QTest::newRow("an input that is missing") << QStringList{"cmp", "a.hex", "missing.hex"} << 2;
        QTest::newRow("merge over its input") << QStringList{"merge", "a.hex", "-o", "a.hex"} << 2;
        QTest::newRow("a forced format the input is not")
            << QStringList{"merge", "a.hex", "--input-format", "srec", "-o", "out.hex"} << 1;
        QTest::newRow("a serial number too wide for its field")
            << QStringList{"convert", "a.hex", "--serial", "1100=100", "--width", "1", "-o", "out.hex"} << 2;
        QTest::newRow("serial images without a pattern")
            << QStringList{"convert", "a.hex", "--serial", "1100=1", "--count", "2", "-o", "out.hex"} << 2;
        QTest::newRow("a serial number of 9 bytes")
            << QStringList{"convert", "a.hex", "--serial", "1100=1", "--width", "9", "-o", "out.hex"} << 2;
        QTest::newRow("--count without --serial")
            << QStringList{"convert", "a.hex", "--count", "2", "-o", "out.hex"} << 2;
        QTest::newRow("a replacement of another length")
            << QStringList{"convert", "a.hex", "--replace", "00=0000", "-o", "out.hex"} << 2;
        QTest::newRow("a length of 3 bytes")
            << QStringList{"convert", "a.hex", "--insert-length", "1100", "--width", "3", "-o", "out.hex"} << 2;
        QTest::newRow("a length too large for its byte")
            << QStringList{"convert", "a.hex", "--insert-length", "1100", "--width", "1", "-o", "out.hex"} << 1;
        QTest::newRow("a digest reaching into its range")
            << QStringList{"merge", "a.hex", "--insert-crc", "FF0", "--algorithm", "sha256", "--range",
                           "1000-10FF", "-o", "out.hex"} << 1;
        QTest::newRow("a digest past 4 GiB")
            << QStringList{"convert", "a.hex", "--insert-crc", "FFFFFFF0", "--algorithm", "sha512", "-o",
                           "out.hex"} << 1;
        QTest::newRow("a forced format for hex2bin")
            << QStringList{"hex2bin", "a.hex", "--input-format", "srec", "-o", "out.hex"} << 2;
    }

    void wrongRequestsFailAndWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        writeBytes(path("a.hex"), blockHex(0x1000, kA));
        QFile::remove(path("out.hex"));
        const KestrunRun run = runKestrun(arguments, QByteArray(), m_dir.path());
        QCOMPARE(run.exitCode, status);
        QVERIFY(!run.err.isEmpty());
        QVERIFY(!QFile::exists(path("out.hex")));
        QCOMPARE(readBytes(path("a.hex")), blockHex(0x1000, kA));
    }

    // The JSON facts are the plain ones, plus CRCs that zlib agrees with.
    void infoJsonHoldsTheFactsOfInfo()
    {
        writeBytes(path("s.hex"), scatteredHex());
        const QByteArray plain = runKestrun({"info", path("s.hex")}).out;
        const QJsonObject json =
            QJsonDocument::fromJson(runKestrun({"info", "--json", path("s.hex")}).out).object();
        QStringList ranges;
        for (const QJsonValue &r : json["ranges"].toArray())
            ranges << QStringLiteral("range %1-%2").arg(r["low"].toString(), r["high"].toString());
        QVERIFY(!ranges.isEmpty());
        for (const QString &fact : ranges + QStringList{
                 QStringLiteral("lowest %1").arg(json["lowest"].toString()),
                 QStringLiteral("highest %1").arg(json["highest"].toString()),
                 QStringLiteral("data-bytes %1").arg(json["data_bytes"].toInteger()),
                 QStringLiteral("sum %1").arg(json["sum"].toString())})
            QVERIFY2(plain.contains(fact.toLatin1() + '\n'), qPrintable(fact));
        const QJsonObject first = json["ranges"].toArray().first().toObject();
        QCOMPARE(runKestrun({"crc", path("s.hex"), "--range",
                             first["low"].toString() + u'-' + first["high"].toString()})
                     .out.trimmed(),
                 first["crc32"].toString().toLatin1());
    }
};

QTEST_GUILESS_MAIN(ImageJobsTest)
#include "image_jobs_test.moc"
