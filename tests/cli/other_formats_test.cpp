// TI-TXT, VMEM, C arrays and UF2 as kestrun writes and reads them: the
// text formats against srec_cat's own output, every output read back to
// the image srec_cat pads the input to, UF2 against a writer here that
// follows the UF2 block layout field by field, C arrays compiled by gcc
// into a program that writes their bytes out, and a table of bad inputs.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QMap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The input's runs of data: an odd start and length, a run across 64 KiB
// and one above 16 MiB (an address of seven digits in TI-TXT).
const std::pair<std::uint32_t, qsizetype> kRuns[] = {
    {0x00001003, 37}, {0x00001100, 300}, {0x0000FFF0, 40}, {0x01234560, 20}};

QMap<std::uint32_t, QByteArray> runs()
{
    QMap<std::uint32_t, QByteArray> image;
    std::uint32_t seed = 7;
    for (const auto &[address, size] : kRuns)
        image.insert(address, sampleImage(size, seed++));
    return image;
}

void putWord(QByteArray &block, int at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[at + i] = char(value >> (8 * i));
}

// UF2 as its block layout says: 512-byte blocks, magic numbers at 0, 4
// and 508, flags (0x2000: family present), target address, payload size,
// block number, block count, family; 256 data bytes at 32, zeros after.
QByteArray referenceUf2(const QMap<std::uint32_t, QByteArray> &image, std::uint32_t family)
{
    QMap<std::uint32_t, QByteArray> pages;
    for (auto run = image.cbegin(); run != image.cend(); ++run)
        for (qsizetype i = 0; i < run->size(); ++i) {
            const std::uint32_t at = run.key() + std::uint32_t(i);
            QByteArray &page = pages[at & ~0xFFu];
            if (page.isEmpty())
                page = QByteArray(256, char(0xFF));
            page[at & 0xFF] = run->at(i);
        }
    QByteArray out;
    std::uint32_t number = 0;
    for (auto page = pages.cbegin(); page != pages.cend(); ++page, ++number) {
        QByteArray block(512, '\0');
        putWord(block, 0, 0x0A324655);
        putWord(block, 4, 0x9E5D5157);
        putWord(block, 8, family ? 0x2000 : 0);
        putWord(block, 12, page.key());
        putWord(block, 16, 256);
        putWord(block, 20, number);
        putWord(block, 24, std::uint32_t(pages.size()));
        putWord(block, 28, family);
        block.replace(32, 256, *page);
        putWord(block, 508, 0x0AB16F30);
        out += block;
    }
    return out;
}

// Writes every run of the generated arrays as "ADDRESS LENGTH\n" and its bytes.
const char kArrayProgram[] = "#include <stdio.h>\n"
                             "#include \"image.c\"\n"
                             "int main(int argc, char **argv) {\n"
                             "  FILE *f = fopen(argv[1], \"wb\");\n"
                             "  for (const struct image_segment *s = image_segments; s->length; ++s) {\n"
                             "    fprintf(f, \"%08X %u\\n\", (unsigned)s->address, (unsigned)s->length);\n"
                             "    fwrite(s->data, 1, s->length, f);\n"
                             "  }\n"
                             "  return fclose(f) != 0 || image_segment_count != 4\n"
                             "         || image_segment_3_address != 0x01234560u;\n"
                             "}\n";

} // namespace

class OtherFormatsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    KestrunRun english(const QStringList &arguments)
    {
        QProcessEnvironment environment = kestrunEnvironment();
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        return runKestrunIn(environment, arguments);
    }

    // srec_cat's filter that pads the input to multiples of `padding` with
    // FF, as a writer in words or blocks pads it (none for bytes).
    QStringList padded(int padding) const
    {
        if (padding == 1)
            return {};
        return {"-fill", "0xFF", "-within", path("in.hex"), "-intel", "-range-padding",
                QString::number(padding)};
    }

    // srec_cmp's verdict on `file` against the input padded to `padding`.
    bool sameAsPaddedInput(const QString &file, const QString &format, int padding)
    {
        const KestrunRun back = runKestrun({"convert", file, "--to", "ihex", "-o", path("back.hex")});
        if (back.exitCode != 0)
            qWarning() << back.err << format;
        return back.exitCode == 0
               && peerSucceeds("srec_cmp", QStringList{path("back.hex"), "-intel", path("in.hex"),
                                                       "-intel"}
                                               + padded(padding));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *peer : {"srec_cat", "srec_cmp", "gcc"})
            QVERIFY2(!QStandardPaths::findExecutable(peer).isEmpty(), peer);
        QStringList arguments;
        const QMap<std::uint32_t, QByteArray> image = runs();
        for (auto run = image.cbegin(); run != image.cend(); ++run) {
            const QString name = path(QStringLiteral("%1.bin").arg(run.key(), 0, 16));
            writeBytes(name, *run);
            arguments << name << "-binary" << "-offset" << QStringLiteral("0x%1").arg(run.key(), 0, 16);
        }
        QVERIFY(peerSucceeds("srec_cat", arguments << "-o" << path("in.hex") << "-intel"));
    }

    void textIsWhatSrecCatWrites_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("peer");
        QTest::newRow("ti-txt") << QStringList{"--to", "ti-txt"}
                                << QStringList{"-o", path("peer.out"), "-Texas_Instruments_TeXT"};
        for (const int width : {8, 16, 32, 64})
            QTest::addRow("vmem %d", width)
                << QStringList{"--to", "vmem", "--vmem-width", QString::number(width)}
                << padded(width / 8)
                       + QStringList{"-disable=header", "-o", path("peer.out"), "-VMem",
                                     QString::number(width)};
    }
    void textIsWhatSrecCatWrites()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, peer);
        QVERIFY(peerSucceeds("srec_cat", QStringList{path("in.hex"), "-intel"} + peer));
        const KestrunRun run = runKestrun(QStringList{"convert", path("in.hex"), "--line-end", "lf",
                                                      "-o", path("out.txt")}
                                          + options);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(readBytes(path("out.txt")), readBytes(path("peer.out")));
    }

    void outputsReadBackToTheImage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("padding");
        QTest::newRow("ti-txt") << "out.ti" << QStringList{"--to", "ti-txt"} << 1;
        QTest::newRow("vmem 8, .mem") << "out.mem" << QStringList{"--vmem-width", "8"} << 1;
        QTest::newRow("vmem 16, .vmem") << "out.vmem" << QStringList{"--vmem-width", "16"} << 2;
        QTest::newRow("vmem 64, CR LF") << "out.vmem" << QStringList{"--vmem-width", "64"} << 8;
        QTest::newRow("uf2") << "out.uf2" << QStringList{} << 256;
        QTest::newRow("uf2 with a family") << "out.uf2" << QStringList{"--uf2-family", "rp2040"} << 256;
    }
    void outputsReadBackToTheImage()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, options);
        QFETCH(int, padding);
        const KestrunRun run = runKestrun(QStringList{"convert", path("in.hex"), "-o", path(file)} + options);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(sameAsPaddedInput(path(file), file, padding));
    }

    void srecCatsTextReadsBack_data()
    {
        QTest::addColumn<QStringList>("peer");
        QTest::addColumn<int>("padding");
        QTest::newRow("ti-txt") << QStringList{"-Texas_Instruments_TeXT"} << 1;
        QTest::newRow("vmem 32, comment line") << QStringList{"-VMem", "32"} << 4;
    }
    void srecCatsTextReadsBack()
    {
        QFETCH(QStringList, peer);
        QFETCH(int, padding);
        QVERIFY(peerSucceeds("srec_cat", QStringList{path("in.hex"), "-intel"} + padded(padding)
                                             + QStringList{"-o", path("peer.out")} + peer));
        QVERIFY(sameAsPaddedInput(path("peer.out"), "peer", padding));
    }

    void uf2IsTheBlockLayout_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<uint>("family");
        QTest::addColumn<QByteArray>("info");
        QTest::newRow("no family") << QStringList{} << 0u << QByteArray();
        QTest::newRow("by name") << QStringList{"--uf2-family", "RP2040"} << 0xE48BFF56u
                                 << QByteArray("family 0xE48BFF56 RP2040\n");
        QTest::newRow("by ID") << QStringList{"--uf2-family", "0xADA52840"} << 0xADA52840u
                               << QByteArray("family 0xADA52840 NRF52840\n");
        QTest::newRow("an ID without a name") << QStringList{"--uf2-family", "12345678"}
                                              << 0x12345678u << QByteArray("family 0x12345678\n");
    }
    void uf2IsTheBlockLayout()
    {
        QFETCH(QStringList, options);
        QFETCH(uint, family);
        QFETCH(QByteArray, info);
        const KestrunRun run =
            runKestrun(QStringList{"convert", path("in.hex"), "--to", "uf2", "-o", path("out.uf2")} + options);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QCOMPARE(readBytes(path("out.uf2")), referenceUf2(runs(), family));
        const KestrunRun facts = runKestrun({"info", path("out.uf2")});
        QCOMPARE(facts.exitCode, 0);
        QVERIFY(facts.out.startsWith("format uf2\n"));
        QCOMPARE(facts.out.contains("family "), !info.isEmpty());
        QVERIFY(facts.out.contains(info));
        const KestrunRun json = runKestrun({"info", path("out.uf2"), "--json"});
        const QByteArray id = "0x" + QByteArray::number(family, 16).toUpper().rightJustified(8, '0');
        QCOMPARE(json.out.contains("\"family\": \"" + id + '"'), family != 0);
    }

    void cArraysCompileToTheImage()
    {
        for (const char *lineEnd : {"lf", "crlf"}) {
            const KestrunRun run = runKestrun({"convert", path("in.hex"), "--to", "c-array",
                                               "--line-end", lineEnd, "-o", path("image.c")});
            QVERIFY2(run.exitCode == 0, run.err.constData());
            writeBytes(path("main.c"), kArrayProgram);
            const KestrunRun gcc = runPeer("gcc", {"-std=c99", "-Wall", "-Werror", "-o", path("runs"),
                                                   path("main.c")});
            QVERIFY2(gcc.exitCode == 0, gcc.err.constData());
            QCOMPARE(runPeer(path("runs"), {path("runs.out")}).exitCode, 0);
            QByteArray expected;
            const QMap<std::uint32_t, QByteArray> image = runs();
            for (auto r = image.cbegin(); r != image.cend(); ++r)
                expected += QStringLiteral("%1 %2\n").arg(r.key(), 8, 16, QChar(u'0')).toUpper()
                                .arg(r->size()).toLatin1() + *r;
            QCOMPARE(readBytes(path("runs.out")), expected);
        }
    }

    void badInputsAreRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QByteArray blocks = referenceUf2(runs(), 0);
        blocks[512 + 508] = 0;
        QTest::newRow("uf2 block with a wrong end magic")
            << "bad.uf2" << blocks << QStringList{} << 1
            << "bad.uf2: block 1 (offset 512): wrong magic number";
        QTest::newRow("uf2 cut short") << "cut.uf2" << referenceUf2(runs(), 0).left(1000)
                                       << QStringList{} << 1
                                       << "cut.uf2: truncated: block 1 runs from offset 512 to 1000, short of 512 bytes";
        QTest::newRow("vmem address past 4 GiB")
            << "big.vmem" << QByteArray("// memory\n@3FFFFFFF 01020304\n@40000000 01020304\n")
            << QStringList{} << 1 << "big.vmem:3: the bytes pass address FFFFFFFF";
        QTest::newRow("vmem words of two widths")
            << "mixed.vmem" << QByteArray("@10 0102 0304\n0506 07080910\n") << QStringList{} << 1
            << "mixed.vmem:2: not Verilog VMEM";
        QTest::newRow("vmem word of three digits")
            << "odd.mem" << QByteArray("@0 123\n") << QStringList{} << 1 << "odd.mem:1: not Verilog VMEM";
        QTest::newRow("ti-txt byte of one digit")
            << "bad.txt" << QByteArray("@1000\n01 02\n03 4\nq\n") << QStringList{} << 1
            << "bad.txt:3: not TI-TXT";
        QTest::newRow("ti-txt past 4 GiB")
            << "past.txt" << QByteArray("@FFFFFFFE\n01 02 03\nq\n") << QStringList{} << 1
            << "past.txt:2: the bytes pass address FFFFFFFF";
        QTest::newRow("vmem width not a width")
            << "in.hex" << QByteArray() << QStringList{"--to", "vmem", "--vmem-width", "12"} << 2
            << "--vmem-width 12: not 8, 16, 32 or 64";
        QTest::newRow("vmem width for S-records")
            << "in.hex" << QByteArray() << QStringList{"--to", "srec", "--vmem-width", "16"} << 2
            << "--vmem-width is for VMEM output";
        QTest::newRow("unknown uf2 family")
            << "in.hex" << QByteArray() << QStringList{"--to", "uf2", "--uf2-family", "Z80"} << 2
            << "--uf2-family Z80: not a family name (RP2040, SAMD21, SAMD51, NRF52840, STM32F4, "
               "...) nor a hexadecimal ID from 1 to FFFFFFFF";
    }
    void badInputsAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, message);
        if (!content.isEmpty())
            writeBytes(path(file), content);
        QFile::remove(path("refused.hex"));
        const KestrunRun run = english(QStringList{"convert", path(file), "-o", path("refused.hex")} + options);
        QCOMPARE(run.exitCode, status);
        QVERIFY2(run.errorText().contains(status == 1 ? path(message) : message), run.err.constData());
        QVERIFY(!QFile::exists(path("refused.hex")));
    }
};

QTEST_GUILESS_MAIN(OtherFormatsTest)
#include "other_formats_test.moc"
