// kestrun patch against srec_cat: each row patches a HEX or S-record file
// that objcopy made, and srec_cmp must find the result equal to what
// `srec_cat IN -exclude A B -generate A B -repeat-data ...` makes of the
// same change, while every line of the input that holds no changed byte
// comes out as it went in, and standard output (which reads the image
// first) gets the text a file gets in one pass. Then the refusals,
// --in-place and --fix-checksums.
#include "support/kestrun_process.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QList<QByteArray> linesOf(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// srec_cat's arguments for bytes at an address: exclude, then generate.
QStringList generate(quint32 address, const QByteArray &bytes)
{
    QStringList args = {QStringLiteral("-exclude"), QString::number(address),
                        QString::number(address + bytes.size()), QStringLiteral("-generate"),
                        QString::number(address), QString::number(address + bytes.size()),
                        QStringLiteral("-repeat-data")};
    for (const char b : bytes)
        args << QString::number(quint8(b));
    return args;
}

} // namespace

class PatchCommandTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QByteArray code(1000, '\0');
        for (int i = 0; i < code.size(); ++i)
            code[i] = char((i * 37 + 11) & 0xFF);
        writeAll(path("code.bin"), code);
        // A text of several of the pieces a file is read in, its lines cut
        // between them.
        QByteArray large(1 << 20, '\0');
        for (int i = 0; i < large.size(); ++i)
            large[i] = char((i * 7 + (i >> 9) + (i >> 17) * 31) & 0xFF);
        writeAll(path("large.bin"), large);
        QVERIFY(peerSucceeds("objcopy", {"-I", "binary", "-O", "srec", "--srec-forceS3",
                                         path("large.bin"), path("large.s37")}));
        // Its HEX text, long enough to be read in two parts; the same with
        // LF line ends, and with one checksum wrong, early or late: the
        // reader that checks the text beside the patcher still tells that
        // line.
        QVERIFY(peerSucceeds("objcopy", {"-I", "binary", "-O", "ihex", path("large.bin"),
                                         path("large.hex")}));
        writeAll(path("large_lf.hex"), readAll(path("large.hex")).replace("\r\n", "\n"));
        writeAll(path("large_lower.hex"), readAll(path("large.hex")).toLower());
        for (const auto &[name, number] : {std::pair("late.hex", 60000), std::pair("early.hex", 3)}) {
            QList<QByteArray> lines = readAll(path("large.hex")).split('\n');
            QByteArray &line = lines[number - 1];
            line[line.size() - 2] = line[line.size() - 2] == '0' ? '1' : '0';
            writeAll(path(name), lines.join('\n'));
        }
        for (const auto &[name, format] :
             {std::pair("fw.hex", "ihex"), std::pair("fw.s19", "srec"), std::pair("fw.s37", "srec")}) {
            QStringList args = {"-I", "binary", "-O", format, "--change-addresses",
                                name == QLatin1String("fw.hex") ? "0x08004000" : "0x4000"};
            if (QLatin1String(name) == u"fw.s37")
                args << "--srec-forceS3";
            QVERIFY(peerSucceeds("objcopy", args << path("code.bin") << path(name)));
        }
    }

    void patchesAsSrecCatGenerates_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("options");
        // What srec_cat excludes and generates in its place.
        QTest::addColumn<QStringList>("peer");
        QTest::addColumn<int>("changedLines");

        const QByteArray beef = QByteArray::fromHex("DEADBEEF");
        QTest::newRow("HEX, --set inside records")
            << "fw.hex" << QStringList{"--set", "0x0800401E=DEADBEEF"}
            << generate(0x0800401E, beef) << 2;
        QTest::newRow("HEX, --string")
            << "fw.hex" << QStringList{"--string", "08004100=v2.0.1"}
            << generate(0x08004100, "v2.0.1") << 1;
        QTest::newRow("HEX, --string in cp932")
            << "fw.hex" << QStringList{"--string", "08004100=版", "--encoding", "cp932"}
            << generate(0x08004100, QByteArray::fromHex("94C5")) << 1;
        QTest::newRow("HEX, --set into a gap adds a record")
            << "fw.hex" << QStringList{"--set", "08005000=0102"}
            << generate(0x08005000, QByteArray::fromHex("0102")) << 0;
        QTest::newRow("HEX, --set across a record's end into the gap")
            << "fw.hex" << QStringList{"--set", "080043E6=01020304"}
            << generate(0x080043E6, QByteArray::fromHex("01020304")) << 1;
        QTest::newRow("HEX, --fill over the data only")
            << "fw.hex" << QStringList{"--fill", "080043E0-080043FF", "55"}
            << generate(0x080043E0, QByteArray(8, 0x55)) << 1;
        QTest::newRow("HEX, --fill into the gaps")
            << "fw.hex" << QStringList{"--fill", "080043E0-080043FF", "A5", "--into-gaps"}
            << generate(0x080043E0, QByteArray(32, char(0xA5))) << 1;
        QTest::newRow("HEX, operations in their order")
            << "fw.hex"
            << QStringList{"--set", "08004000=1111", "--fill", "08004000-08004003", "22",
                           "--set", "08004003=33"}
            << generate(0x08004000, QByteArray::fromHex("22222233")) << 1;
        QTest::newRow("S19, --set and a gap")
            << "fw.s19" << QStringList{"--set", "4010=AB", "--set", "0x5000=CD"}
            << (generate(0x4010, QByteArray::fromHex("AB")) + generate(0x5000, QByteArray::fromHex("CD")))
            << 1;
        QTest::newRow("S37 of several pieces, --set in the last and into the gap after it")
            << "large.s37" << QStringList{"--set", "000FFFFC=0102030405"}
            << generate(0x000FFFFC, QByteArray::fromHex("0102030405")) << 1;
        QTest::newRow("S37 of several pieces, --set in the first and the second")
            << "large.s37" << QStringList{"--set", "10=AA", "--set", "C0000=BB"}
            << QStringList{"-exclude", "16", "17", "-exclude", "786432", "786433", "-generate", "16", "17",
                           "-repeat-data", "170", "-generate", "786432", "786433", "-repeat-data", "187"}
            << 2;
        QTest::newRow("HEX read in two parts, --set in the first and across the middle")
            << "large.hex" << QStringList{"--set", "10=AA", "--set", "7FFFC=0102030405060708"}
            << QStringList{"-exclude", "16", "17", "-exclude", "524284", "524292", "-generate", "16",
                           "17", "-repeat-data", "170", "-generate", "524284", "524292",
                           "-repeat-data", "1", "2", "3", "4", "5", "6", "7", "8"}
            << 3;
        QTest::newRow("HEX of LF lines read in two parts, --set across the middle")
            << "large_lf.hex" << QStringList{"--set", "7FFFC=0102030405060708"}
            << generate(0x7FFFC, QByteArray::fromHex("0102030405060708")) << 2;
        QTest::newRow("HEX in lower case read in two parts, --set in the last record")
            << "large_lower.hex" << QStringList{"--set", "FFFFE=1234"}
            << generate(0xFFFFE, QByteArray::fromHex("1234")) << 1;
        QTest::newRow("S37, --string")
            << "fw.s37" << QStringList{"--string", "4200=ok"} << generate(0x4200, "ok") << 1;
    }

    void patchesAsSrecCatGenerates()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, options);
        QFETCH(QStringList, peer);
        QFETCH(int, changedLines);
        const QString out = path("out" + input.mid(input.indexOf(u'.')));
        const KestrunRun run = runKestrun(QStringList{"patch", path(input), "-o", out} + options);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString format = input.endsWith(u".hex") ? "-intel" : "-motorola";
        QVERIFY(peerSucceeds("srec_cat", QStringList{path(input), format} + peer
                                             + QStringList{"-o", path("expected.hex"), "-intel"}));
        const KestrunRun compared =
            runPeer("srec_cmp", {out, format, path("expected.hex"), "-intel"});
        QVERIFY2(compared.exitCode == 0, compared.out + compared.err);
        // The input's lines are all there but the changed ones.
        const QList<QByteArray> before = linesOf(readAll(path(input)));
        const QList<QByteArray> after = linesOf(readAll(out));
        const QSet<QByteArray> kept(after.begin(), after.end());
        qsizetype missing = 0;
        for (const QByteArray &line : before)
            missing += !kept.contains(line);
        QCOMPARE(missing, qsizetype(changedLines));
        QVERIFY(after.size() >= before.size());
        // Standard output cannot be started over, so it always reads the
        // image first: the same text as a file written in one pass.
        QCOMPARE(runKestrun(QStringList{"patch", path(input), "-o", "-"} + options).out, readAll(out));
    }

    void refusesWhatItCannotDo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no output") << QStringList{"patch", "fw.hex", "--set", "0=00"} << 2
                                   << "-o OUT か --in-place";
        QTest::newRow("both outputs")
            << QStringList{"patch", "fw.hex", "-o", "x.hex", "--in-place", "--set", "0=00"} << 2
            << "-o OUT か --in-place";
        QTest::newRow("nothing to change") << QStringList{"patch", "fw.hex", "-o", "x.hex"} << 2
                                           << "変えるもの";
        QTest::newRow("output is the input")
            << QStringList{"patch", "fw.hex", "-o", "fw.hex", "--set", "0=00"} << 2 << "--in-place";
        QTest::newRow("odd digits") << QStringList{"patch", "fw.hex", "-o", "x.hex", "--set", "0=ABC"}
                                    << 2 << "2 桁ずつ";
        QTest::newRow("past 32 bits")
            << QStringList{"patch", "fw.hex", "-o", "x.hex", "--set", "FFFFFFFF=0102"} << 2
            << "32 ビット";
        QTest::newRow("not ASCII")
            << QStringList{"patch", "fw.hex", "-o", "x.hex", "--string", "0=é"} << 2 << "ASCII";
        QTest::newRow("--encoding alone")
            << QStringList{"patch", "fw.hex", "-o", "x.hex", "--encoding", "cp932"} << 2
            << "--string の後";
        QTest::newRow("binary input") << QStringList{"patch", "code.bin", "-o", "x.hex", "--set", "0=00"}
                                      << 1 << "kestrun convert";
        QTest::newRow("a wrong checksum without --fix-checksums")
            << QStringList{"patch", "bad.hex", "-o", "x.hex", "--set", "0=00"} << 1 << "bad.hex:1:";
        QTest::newRow("a wrong checksum far past the change in a long text")
            << QStringList{"patch", "late.hex", "-o", "x.hex", "--set", "10=00"} << 1
            << "late.hex:60000: ";
        QTest::newRow("a wrong checksum far before the change in a long text")
            << QStringList{"patch", "early.hex", "-o", "x.hex", "--set", "F0000=00"} << 1
            << "early.hex:3: ";
    }

    void refusesWhatItCannotDo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        writeAll(path("bad.hex"), ":0400000001020304F1\r\n:00000001FF\r\n");
        const QByteArray before = readAll(path("fw.hex"));
        const KestrunRun run = runKestrun(arguments, QByteArray(), m_dir.path());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.errorText().contains(message), run.err.constData());
        QVERIFY(!QFile::exists(path("x.hex")));
        QCOMPARE(readAll(path("fw.hex")), before);
    }

    // --in-place replaces the file and leaves nothing beside it.
    void inPlaceLeavesNoBackup()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(path("fw.hex"), dir.filePath("fw.hex")));
        const KestrunRun run =
            runKestrun({"patch", dir.filePath("fw.hex"), "--in-place", "--set", "08004000=00"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"fw.hex"});
        QVERIFY(readAll(dir.filePath("fw.hex")) != readAll(path("fw.hex")));
    }

    // A file objcopy refused for its checksums reads again, only those lines
    // changed, each named on standard error.
    void fixChecksumsMendsOnlyTheWrongLines()
    {
        QList<QByteArray> lines = linesOf(readAll(path("fw.hex")));
        for (int i : {3, 7}) {
            QByteArray &line = lines[i];
            line[line.size() - 2] = line[line.size() - 2] == '0' ? '1' : '0';
        }
        writeAll(path("typed.hex"), lines.join('\n') + '\n');
        QVERIFY(!peerSucceeds("objcopy", {"-I", "ihex", "-O", "binary", path("typed.hex"),
                                          path("typed.bin")}));
        const KestrunRun run =
            runKestrun({"patch", path("typed.hex"), "-o", path("mended.hex"), "--fix-checksums"});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(run.errorText().contains(u"typed.hex:4: チェックサム"));
        QVERIFY(run.errorText().contains(u"typed.hex:8: チェックサム"));
        QVERIFY(peerSucceeds("objcopy", {"-I", "ihex", "-O", "binary", path("mended.hex"),
                                         path("mended.bin")}));
        QCOMPARE(readAll(path("mended.hex")), readAll(path("fw.hex")));
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(PatchCommandTest)
#include "patch_command_test.moc"
