// Every kestrun command that reads images reads every input format, and
// every command that writes one writes the format its output's extension
// names: a table of command x input format x output extension, each
// output read back by srec_cmp or objcopy and compared with the input as
// the peers read it. Then the rows of the arguments all commands share:
// addresses with 0x, FILE@ADDR with an address that is none, an output
// that is one of the inputs.
#include "support/elf_program.h"
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// The linked program with more data than the shared one, laid out by the
// same script.
const char kProgram[] = "const unsigned char table[200] = {1, 2, 3, 4, 5, 6, 7, 8, 9};\n"
                        "unsigned char copy[96] = {9, 8, 7};\n"
                        "void _start(void) { for (int i = 0; i < 96; ++i) copy[i] += table[i]; "
                        "for (;;); }\n";

// The inputs: the same image in each format; the binary is the image's
// span with its gap as FF, at its lowest address.
struct Input {
    const char *name;
    const char *argument;
    // The peers' view of the same image, as srec_cmp arguments.
    QStringList reference;
};

const char *const kOutputs[] = {"hex", "s19", "s37", "mot", "bin", "txt"};

// What srec_cmp calls the format of an output's extension.
const char *peerFormat(const QString &extension)
{
    return extension == u"hex" ? "-intel" : "-motorola";
}

const char kIntelHexFacts[] = "import sys, intelhex\n"
                              "h = intelhex.IntelHex(sys.argv[1])\n"
                              "print('lowest %08X' % h.minaddr())\n"
                              "print('highest %08X' % h.maxaddr())\n"
                              "print('data-bytes %d' % len(h))\n"
                              "print('sum %08X' % (sum(h.todict()[a] for a in h.addresses()) "
                              "& 0xFFFFFFFF))\n";
const char kCrc32[] = "import sys, zlib; "
                      "print('%08X' % zlib.crc32(open(sys.argv[1], 'rb').read()))";

// A dump with each gap line spelled out as the lines of fill FF it stands
// for, as a binary image that holds those FF bytes is dumped.
QByteArray withGapsFilled(const QByteArray &dump)
{
    static const QRegularExpression gap(
        QStringLiteral("^\\*\\*\\* gap ([0-9A-F]{8})-([0-9A-F]{8}) \\(\\d+ bytes\\)$"));
    QByteArray filled;
    for (const QByteArray &line : dump.split('\n')) {
        const QRegularExpressionMatch m = gap.match(QString::fromLatin1(line).chopped(line.endsWith('\r')));
        if (!m.hasMatch()) {
            filled += line + '\n';
            continue;
        }
        for (quint64 at = m.captured(1).toULongLong(nullptr, 16);
             at <= m.captured(2).toULongLong(nullptr, 16); at += 16)
            filled += QString::number(at, 16).toUpper().rightJustified(8, u'0').toLatin1() + "  "
                      + QByteArray("FF ").repeated(16) + ' ' + QByteArray(16, '.') + "\r\n";
    }
    return filled.chopped(1);
}

} // namespace

class FormatParityTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<Input> m_inputs;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString argument(const Input &input) const { return path(QString::fromLatin1(input.argument)); }

    // The lines of `info` that name facts every format has.
    static QByteArray sharedFacts(const QByteArray &info)
    {
        QByteArray kept;
        for (const QByteArray &line : info.split('\n'))
            if (line.startsWith("range ") || line.startsWith("lowest ")
                || line.startsWith("highest ") || line.startsWith("data-bytes ")
                || line.startsWith("sum "))
                kept += line + '\n';
        return kept;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *peer : {"objcopy", "srec_cat", "srec_cmp", "gcc"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(peer)).isEmpty())
                QSKIP("a peer is missing (tools/setup.sh test installs them)");
        writeBytes(path("prog.c"), kProgram);
        writeBytes(path("prog.ld"), kElfLinkerScript);
        QVERIFY(peerSucceeds("gcc", {"-Os", "-nostdlib", "-static", "-fno-pic", "-no-pie",
                                     "-Wl,--build-id=none", "-T", path("prog.ld"), path("prog.c"),
                                     "-o", path("in.elf")}));
        QVERIFY(peerSucceeds("objcopy", {"-O", "ihex", path("in.elf"), path("in.hex")}));
        QVERIFY(peerSucceeds("objcopy", {"-O", "srec", path("in.elf"), path("in.srec")}));
        QVERIFY(peerSucceeds("objcopy", {"-O", "binary", "--gap-fill", "0xFF", path("in.elf"),
                                         path("in.bin")}));
        const QStringList image{path("in.hex"), "-intel"};
        const QStringList binary{path("in.bin"), "-binary", "-offset", "0x08000000"};
        m_inputs = {{"ihex", "in.hex", image},
                    {"srec", "in.srec", image},
                    {"elf", "in.elf", image},
                    {"bin@ADDR", "in.bin@08000000", binary}};
    }

    // convert and merge write what the extension names; the peers read
    // the same image back (binary: objcopy's bytes of the same span).
    void writersAgreeWithPeers_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("input");
        QTest::addColumn<QString>("extension");
        for (const char *command : {"convert", "merge"})
            for (int i = 0; i < 4; ++i)
                for (const char *extension : kOutputs)
                    QTest::addRow("%s %s -o .%s", command, m_inputs[i].name, extension)
                        << command << i << extension;
    }
    void writersAgreeWithPeers()
    {
        QFETCH(QString, command);
        QFETCH(int, input);
        QFETCH(QString, extension);
        const Input &in = m_inputs[input];
        const QString out = path("out." + extension);
        QFile::remove(out);
        const KestrunRun run = runKestrun({command, argument(in), "-o", out});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        if (extension == u"bin") {
            // The image's span with the gap as FF, as objcopy makes it.
            QVERIFY(readBytes(out) == readBytes(path("in.bin")));
        } else if (extension == u"txt") {
            // Dump lines: the same for every input of the same span; the
            // binary holds FF where the others have a gap, which their dump
            // names in a line.
            const KestrunRun dump = runKestrun({"convert", argument(m_inputs[0]), "--to", "dump"});
            QCOMPARE(dump.exitCode, 0);
            QVERIFY(dump.out.contains("*** gap "));
            QVERIFY(readBytes(out)
                    == (QByteArray(in.name) == "bin@ADDR" ? withGapsFilled(dump.out) : dump.out));
        } else {
            QCOMPARE(readBytes(out).startsWith(':'), extension == u"hex");
            QVERIFY(peerSucceeds("srec_cmp", QStringList{out, peerFormat(extension)} + in.reference));
        }
    }

    // info's facts are those Python's intelhex finds in the same image,
    // whatever the input's format; crc's CRC-32 is zlib's over the span;
    // cmp finds every input equal to the peers' HEX of it.
    void readersAgreeWithPeers_data()
    {
        QTest::addColumn<int>("input");
        for (int i = 0; i < 4; ++i)
            QTest::addRow("%s", m_inputs[i].name) << i;
    }
    void readersAgreeWithPeers()
    {
        QFETCH(int, input);
        const Input &in = m_inputs[input];
        const QString python = peerPython();
        if (runPeer(python, {"-c", "import intelhex"}).exitCode != 0)
            QSKIP("Python's intelhex is not installed (tools/setup.sh installs it)");
        // The peers' HEX of this input: the binary's gap is data.
        QVERIFY(peerSucceeds("srec_cat", in.reference + QStringList{"-o", path("ref.hex"), "-intel"}));
        const KestrunRun info = runKestrun({"info", argument(in)});
        QVERIFY2(info.exitCode == 0, info.err.constData());
        const KestrunRun facts = runPeer(python, {"-c", kIntelHexFacts, path("ref.hex")});
        QCOMPARE(facts.exitCode, 0);
        QByteArray ours = sharedFacts(info.out);
        while (ours.startsWith("range "))
            ours = ours.mid(ours.indexOf('\n') + 1);
        QCOMPARE(ours, facts.out);
        // The HEX path (the engine) and the others agree on every shared fact.
        QCOMPARE(sharedFacts(info.out), sharedFacts(runKestrun({"info", path("ref.hex")}).out));
        if (input != 0)
            QVERIFY(info.out.startsWith("format "));
        else
            QVERIFY(info.out.startsWith("range "));
        const KestrunRun json = runKestrun({"info", argument(in), "--json"});
        QCOMPARE(json.exitCode, 0);
        QVERIFY(json.out.contains("\"data_bytes\": " + facts.out.split('\n')[2].mid(11)));

        const KestrunRun crc = runKestrun({"crc", argument(in)});
        QCOMPARE(crc.exitCode, 0);
        QCOMPARE(crc.out.trimmed(), runPeer(python, {"-c", kCrc32, path("in.bin")}).out.trimmed());

        QCOMPARE(runKestrun({"cmp", argument(in), path("ref.hex")}).exitCode, 0);
        QByteArray changed = readBytes(path("in.bin"));
        changed[100] = char(changed[100] ^ 0x5A);
        writeBytes(path("changed.bin"), changed);
        QCOMPARE(runKestrun({"cmp", argument(in), path("changed.bin@08000000")}).exitCode, 1);
    }

    // hex2bin and dump keep their single formats; they agree with the rest.
    void singleFormatCommands()
    {
        const KestrunRun binary = runKestrun({"hex2bin", path("in.hex"), "--from-lowest", "-o", "-"});
        QCOMPARE(binary.exitCode, 0);
        QVERIFY(binary.out == readBytes(path("in.bin")));
        QCOMPARE(runKestrun({"dump", path("in.bin"), "-o", path("d.txt")}).exitCode, 0);
        QVERIFY(!readBytes(path("d.txt")).isEmpty());
    }

    // Every address argument takes 0x or 0X: the same result as without.
    void addressesTakeHexPrefix_data()
    {
        QTest::addColumn<QStringList>("plain");
        QTest::addColumn<QStringList>("prefixed");
        QTest::newRow("FILE@ADDR") << QStringList{"convert", "in.bin@08000000", "-o", "x.hex"}
                                   << QStringList{"convert", "in.bin@0x08000000", "-o", "x.hex"};
        QTest::newRow("--crop") << QStringList{"convert", "in.hex", "--crop", "08000010-0800002F", "-o", "x.hex"}
                                << QStringList{"convert", "in.hex", "--crop", "0x08000010-0X0800002F", "-o", "x.hex"};
        QTest::newRow("--exclude, --offset")
            << QStringList{"convert", "in.hex", "--exclude", "08000000-0800000F", "--offset", "-100", "-o", "x.hex"}
            << QStringList{"convert", "in.hex", "--exclude", "0x08000000-0x0800000F", "--offset", "-0x100", "-o", "x.hex"};
        QTest::newRow("--base, --start-address")
            << QStringList{"bin2hex", "in.bin", "--base", "08004000", "--start-address", "08004001", "-o", "x.hex"}
            << QStringList{"bin2hex", "in.bin", "--base", "0x08004000", "--start-address", "0x08004001", "-o", "x.hex"};
        QTest::newRow("--start, --end")
            << QStringList{"hex2bin", "in.hex", "--start", "08000000", "--end", "080000FF", "-o", "x.bin"}
            << QStringList{"hex2bin", "in.hex", "--start", "0x08000000", "--end", "0X080000FF", "-o", "x.bin"};
        QTest::newRow("--insert-crc, --range")
            << QStringList{"merge", "in.hex", "--insert-crc", "08002000", "--range", "08000000-08001FFF", "-o", "x.hex"}
            << QStringList{"merge", "in.hex", "--insert-crc", "0x08002000", "--range", "0x08000000-0x08001FFF", "-o", "x.hex"};
        QTest::newRow("--verify-crc") << QStringList{"crc", "x.hex", "--verify-crc", "08002000", "--range", "08000000-08001FFF"}
                                      << QStringList{"crc", "x.hex", "--verify-crc", "0x08002000", "--range", "0x08000000-0x08001FFF"};
        QTest::newRow("--fill-byte, --record-length")
            << QStringList{"convert", "in.hex", "--fill-byte", "00", "--record-length", "10", "-o", "x.bin"}
            << QStringList{"convert", "in.hex", "--fill-byte", "0x00", "--record-length", "0x10", "-o", "x.bin"};
    }
    void addressesTakeHexPrefix()
    {
        QFETCH(QStringList, plain);
        QFETCH(QStringList, prefixed);
        const qsizetype o = plain.indexOf("-o");
        const KestrunRun first = runKestrun(plain, {}, m_dir.path());
        QVERIFY2(first.exitCode == 0, first.err.constData());
        const QByteArray made = o < 0 ? QByteArray() : readBytes(path(plain[o + 1]));
        const KestrunRun second = runKestrun(prefixed, {}, m_dir.path());
        QVERIFY2(second.exitCode == 0, second.err.constData());
        QCOMPARE(second.out, first.out);
        if (o >= 0)
            QVERIFY(readBytes(path(plain[o + 1])) == made);
    }

    // A FILE@ADDR whose ADDR is no address is named as such by every
    // command that reads images, not as a file that does not exist.
    void badAddressesAreNamed_data()
    {
        QTest::addColumn<QStringList>("arguments");
        for (const char *bad : {"in.bin@0x0800G000", "in.bin@100000000", "in.bin@", "missing.bin@-5"}) {
            const QString b = QString::fromLatin1(bad);
            QTest::addRow("convert %s", bad) << QStringList{"convert", b, "-o", "x.hex"};
            QTest::addRow("merge %s", bad) << QStringList{"merge", "in.hex", b, "-o", "x.hex"};
            QTest::addRow("info %s", bad) << QStringList{"info", b};
            QTest::addRow("crc %s", bad) << QStringList{"crc", b};
            QTest::addRow("cmp %s", bad) << QStringList{"cmp", "in.hex", b};
        }
    }
    void badAddressesAreNamed()
    {
        QFETCH(QStringList, arguments);
        QProcessEnvironment english = kestrunEnvironment();
        english.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        QStringList inFolder;
        for (const QString &word : arguments)
            inFolder << (word.startsWith(u"in.") || word.startsWith(u"missing") ? path(word) : word);
        const KestrunRun inEnglish = runKestrunIn(english, inFolder);
        QCOMPARE(inEnglish.exitCode, 2);
        QVERIFY2(inEnglish.errorText().contains(u"after the @ is no address"), inEnglish.err.constData());
        QVERIFY(!inEnglish.errorText().contains(u"No such file"));
        const KestrunRun japanese = runKestrun(inFolder);
        QCOMPARE(japanese.exitCode, 2);
        QVERIFY2(japanese.errorText().contains(u"アドレスではありません"), japanese.err.constData());
    }

    // A file whose own name holds the @ stays that file.
    void fileNamedWithAtIsRead()
    {
        QVERIFY(QFile::copy(path("in.bin"), path("odd@0x0800G000")));
        QCOMPARE(runKestrun({"convert", path("odd@0x0800G000"), "--input-format", "bin", "-o",
                             path("odd.bin")})
                     .exitCode,
                 0);
        QVERIFY(readBytes(path("odd.bin")) == readBytes(path("in.bin")));
    }

    // No command writes over one of its inputs, by whatever name.
    void outputThatIsAnInputIsRefused_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("merge FILE@ADDR over FILE") << "cp in.bin x.bin && $K merge x.bin@100 -o x.bin";
        QTest::newRow("merge over a second input") << "cp in.hex x.hex && $K merge in.bin@0 x.hex -o x.hex";
        QTest::newRow("merge over a hard link") << "cp in.bin x.bin && ln -f x.bin y.bin && $K merge x.bin@100 -o y.bin";
        QTest::newRow("merge over a symbolic link") << "cp in.hex x.hex && ln -sf x.hex y.hex && $K merge x.hex -o y.hex";
        QTest::newRow("convert FILE@ADDR over FILE") << "cp in.bin x.bin && $K convert x.bin@100 -o x.bin";
        QTest::newRow("info over its input") << "cp in.srec x.srec && $K info x.srec -o x.srec";
        QTest::newRow("hex2bin over a hard link") << "cp in.hex x.hex && ln -f x.hex y.bin && $K hex2bin x.hex -o y.bin";
    }
    void outputThatIsAnInputIsRefused()
    {
        QFETCH(QString, script);
        for (const char *copy : {"x.bin", "x.hex", "x.srec", "y.bin", "y.hex"})
            QFile::remove(path(copy));
        const KestrunRun run = runKestrunScript(m_dir.path(), script + "; echo $?");
        QCOMPARE(run.out.trimmed(), QByteArray("2"));
        QVERIFY(run.errorText().contains(u"入力ファイルです"));
        // The input is untouched.
        for (const QString copy : {"x.bin", "x.hex", "x.srec"})
            if (QFile::exists(path(copy)))
                QVERIFY2(readBytes(path(copy)) == readBytes(path("in" + copy.mid(1))), qPrintable(copy));
    }

    // An option of another output format is a usage error, not ignored.
    void otherFormatsOptionsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        for (const char *command : {"convert", "merge"}) {
            QTest::addRow("%s --address-size to HEX", command)
                << QStringList{command, "in.hex", "--address-size", "s19", "-o", "out.hex"};
            QTest::addRow("%s --address-records to S-records", command)
                << QStringList{command, "in.hex", "--address-records", "04", "-o", "out.s19"};
            QTest::addRow("%s --address-size to binary", command)
                << QStringList{command, "in.hex", "--address-size", "s37", "-o", "out.bin"};
        }
    }
    void otherFormatsOptionsAreRefused()
    {
        QFETCH(QStringList, arguments);
        const QString output = path(arguments.constLast());
        QFile::remove(output);
        arguments[1] = path(arguments[1]);
        arguments.last() = output;
        QCOMPARE(runKestrun(arguments).exitCode, 2);
        QVERIFY(!QFile::exists(output));
    }

    // merge -o fw.bin once wrote HEX text into fw.bin; it writes binary, and
    // its output options reach it as convert's do.
    void mergeTakesConvertsOutputOptions()
    {
        QCOMPARE(runKestrun({"merge", path("in.hex"), "-o", path("fw.bin")}).exitCode, 0);
        QVERIFY(readBytes(path("fw.bin")) == readBytes(path("in.bin")));
        QCOMPARE(runKestrun({"merge", path("in.hex"), "--fill-byte", "00", "-o", path("fw0.bin")}).exitCode, 0);
        QCOMPARE(runKestrun({"convert", path("in.hex"), "--fill-byte", "00", "-o", path("cv0.bin")}).exitCode, 0);
        QVERIFY(readBytes(path("fw0.bin")) == readBytes(path("cv0.bin")));
        const QStringList options{"--record-length", "10", "--line-end", "lf", "--address-size", "s37"};
        QCOMPARE(runKestrun(QStringList{"merge", path("in.hex"), "-o", path("m.mot")} + options).exitCode, 0);
        QCOMPARE(runKestrun(QStringList{"convert", path("in.hex"), "-o", path("c.mot")} + options).exitCode, 0);
        QVERIFY(readBytes(path("m.mot")) == readBytes(path("c.mot")));
        QVERIFY(readBytes(path("m.mot")).contains("\nS3"));
        const KestrunRun piped = runKestrun({"merge", path("in.hex"), "--to", "srec"});
        QCOMPARE(piped.exitCode, 0);
        QVERIFY(piped.out.startsWith("S0"));
        // What S-records or binary cannot take is refused, not dropped.
        QCOMPARE(runKestrun({"merge", path("in.hex"), "--address-records", "02", "-o", path("m.bin")}).exitCode, 2);
        QVERIFY(!QFile::exists(path("m.bin")));
    }
};

QTEST_GUILESS_MAIN(FormatParityTest)
#include "format_parity_test.moc"
