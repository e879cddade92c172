// kestrun merge, cmp, crc and info --json against the peers that do each
// job: Python intelhex's merge(overlap=...) and srec_cat for merging,
// srec_cmp's verdict for comparing, zlib for crc-32; and the ways each can
// be asked for wrongly, which must leave no output behind.
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
