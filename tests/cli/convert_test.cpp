// kestrun convert judged by GNU objcopy and srec_cat: S-records we write
// are read by both to the bytes of the input, theirs are read by us to the
// same bytes, an ELF linked at chosen addresses gives objcopy's binary, and
// the image operations give srec_cat's filters' image. Bad inputs of every
// kind fail with their place and write nothing.
#include "support/bad_srecords.h"
#include "support/elf_program.h"
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class ConvertTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    // Whether two files hold the same image, as srec_cmp sees them.
    bool sameImage(const QString &a, const char *aFormat, const QString &b, const char *bFormat)
    {
        return peerSucceeds(QStringLiteral("srec_cmp"), {path(a), aFormat, path(b), bFormat});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Data below 64 KiB, across a 64 KiB boundary and at 08000000.
        writeBytes(path("low.bin"), sampleImage(3000, 1));
        writeBytes(path("mid.bin"), sampleImage(5000, 2));
        writeBytes(path("high.bin"), sampleImage(70000, 3));
        QVERIFY(peerSucceeds("srec_cat", {path("low.bin"), "-binary", "-offset", "0x100", path("mid.bin"),
                                  "-binary", "-offset", "0xF000", path("high.bin"), "-binary",
                                  "-offset", "0x08000000", "-o", path("in.hex"), "-intel"}));
        writeBytes(path("prog.c"), kElfProgram);
        writeBytes(path("prog.ld"), kElfLinkerScript);
        QVERIFY(peerSucceeds("gcc", {"-Os", "-nostdlib", "-static", "-fno-pic", "-no-pie",
                             "-Wl,--build-id=none", "-T", path("prog.ld"), path("prog.c"), "-o",
                             path("prog.elf")}));
        // The toolchain's own script puts the ELF and program headers in
        // the first PT_LOAD, which objcopy leaves out.
        QVERIFY(peerSucceeds("gcc", {"-Os", "-nostdlib", "-static", "-fno-pic", "-no-pie",
                             "-Wl,--build-id=none", "-Wl,-Ttext=0x08001000", path("prog.c"),
                             "-o", path("ts.elf")}));
        QVERIFY(peerSucceeds("gcc", {"-c", "-Os", path("prog.c"), "-o", path("prog.o")}));
    }

    void ourSRecordsAreReadByBothPeers_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("auto") << QStringList();
        QTest::newRow("S37, 1-byte records, LF")
            << QStringList{"--address-size", "s37", "--record-length", "1", "--line-end", "lf"};
        QTest::newRow("S37, 250-byte records")
            << QStringList{"--address-size", "s37", "--record-length", "FA"};
        QTest::newRow("a start address") << QStringList{"--start-address", "08000131"};
    }
    void ourSRecordsAreReadByBothPeers()
    {
        QFETCH(QStringList, options);
        const KestrunRun run =
            runKestrun(QStringList{"convert", path("in.hex"), "-o", path("ours.s37")} + options);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(sameImage("ours.s37", "-motorola", "in.hex", "-intel"));
        QVERIFY(peerSucceeds("objcopy", {"-I", "srec", "-O", "ihex", path("ours.s37"), path("objcopy.hex")}));
        QVERIFY(sameImage("objcopy.hex", "-intel", "in.hex", "-intel"));
    }

    void peersSRecordsAreReadByUs_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("srec_cat S28") << "srec_cat"
                                      << QStringList{path("in.hex"), "-intel", "-o",
                                                     path("theirs.srec"), "-address-length=3"};
        QTest::newRow("srec_cat S37") << "srec_cat"
                                      << QStringList{path("in.hex"), "-intel", "-o",
                                                     path("theirs.srec"), "-address-length=4"};
        QTest::newRow("objcopy") << "objcopy"
                                 << QStringList{"-I", "ihex", "-O", "srec", path("in.hex"),
                                                path("theirs.srec")};
        QTest::newRow("objcopy S3") << "objcopy"
                                    << QStringList{"-I", "ihex", "-O", "srec", "--srec-forceS3",
                                                   path("in.hex"), path("theirs.srec")};
    }
    void peersSRecordsAreReadByUs()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QVERIFY(peerSucceeds(program, arguments));
        QCOMPARE(runKestrun({"convert", path("theirs.srec"), "-o", path("ours.hex")}).exitCode, 0);
        QVERIFY(sameImage("ours.hex", "-intel", "in.hex", "-intel"));
        QCOMPARE(runKestrun({"convert", path("theirs.srec"), "--crop", "0-FFFFF", "-o",
                             path("ours.bin"), "--fill-byte", "0"})
                     .exitCode,
                 0);
        QVERIFY(peerSucceeds("objcopy", {"-I", "srec", "-O", "binary", "--remove-section=.sec3",
                                 path("theirs.srec"), path("objcopy.bin")}));
        QCOMPARE(readBytes(path("ours.bin")), readBytes(path("objcopy.bin")));
    }

    void elfGivesObjcopysImage_data()
    {
        QTest::addColumn<QString>("elf");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("objcopyFormat");
        for (const char *elf : {"prog.elf", "ts.elf"}) {
            QTest::addRow("%s, binary", elf) << elf << "out.bin" << "binary";
            QTest::addRow("%s, HEX", elf) << elf << "out.hex" << "ihex";
            QTest::addRow("%s, S-records", elf) << elf << "out.srec" << "srec";
        }
    }
    void elfGivesObjcopysImage()
    {
        QFETCH(QString, elf);
        QFETCH(QString, output);
        QFETCH(QString, objcopyFormat);
        const QString theirs = QStringLiteral("objcopy.") + output.section(u'.', 1);
        QVERIFY(peerSucceeds("objcopy", {"-O", objcopyFormat, path(elf), path(theirs)}));
        QCOMPARE(runKestrun({"convert", path(elf), "-o", path(output), "--fill-byte", "00"})
                     .exitCode,
                 0);
        if (objcopyFormat == u"binary")
            QCOMPARE(readBytes(path(output)), readBytes(path(theirs)));
        else
            QVERIFY(sameImage(output, objcopyFormat == u"ihex" ? "-intel" : "-motorola", theirs,
                              objcopyFormat == u"ihex" ? "-intel" : "-motorola"));
    }

    void operationsGiveSrecCatsImage_data()
    {
        QTest::addColumn<QStringList>("ours");
        QTest::addColumn<QStringList>("theirs");
        QTest::newRow("crop") << QStringList{"--crop", "F800-080000FF"}
                              << QStringList{"-crop", "0xF800", "0x08000100"};
        QTest::newRow("exclude twice")
            << QStringList{"--exclude", "200-2FF", "--exclude", "FFF0-1000F"}
            << QStringList{"-exclude", "0x200", "0x300", "-exclude", "0xFFF0", "0x10010"};
        QTest::newRow("fill the gaps") << QStringList{"--fill", "0-1FFFF", "A5"}
                                       << QStringList{"-fill", "0xA5", "0", "0x20000"};
        QTest::newRow("crop, then offset")
            << QStringList{"--crop", "08000000-0800FFFF", "--offset", "-07FFF000"}
            << QStringList{"-crop", "0x08000000", "0x08010000", "-offset", "-0x07FFF000"};
        // The layout operations on odd lengths, gaps inside a word, data
        // off the word's or group's alignment and addresses near the top.
        QTest::newRow("byte-swap 2, odd runs")
            << QStringList{"--exclude", "101-101", "--exclude", "F000-F002", "--byte-swap", "2"}
            << QStringList{"-exclude", "0x101", "0x102", "-exclude", "0xF000", "0xF003", "-byte-swap", "2"};
        QTest::newRow("byte-swap 4, a gap inside a word")
            << QStringList{"--exclude", "CB5-CB6", "--byte-swap", "4"}
            << QStringList{"-exclude", "0xCB5", "0xCB7", "-byte-swap", "4"};
        QTest::newRow("byte-swap 8, off the words")
            << QStringList{"--offset", "3", "--byte-swap", "0x8"} << QStringList{"-offset", "3", "-byte-swap", "8"};
        QTest::newRow("split 2 0") << QStringList{"--split", "2", "0"} << QStringList{"-split", "2", "0"};
        QTest::newRow("split 4 1 2, off the groups")
            << QStringList{"--offset", "1", "--split", "4", "1", "2"} << QStringList{"-offset", "1", "-split", "4", "1", "2"};
        QTest::newRow("split 3 2, odd runs")
            << QStringList{"--exclude", "101-101", "--split", "3", "2"}
            << QStringList{"-exclude", "0x101", "0x102", "-split", "3", "2", "1"};
        QTest::newRow("split 8 2 4, high")
            << QStringList{"--crop", "08000000-0800FFFF", "--offset", "F7FE0003", "--split", "8", "2", "4"}
            << QStringList{"-crop", "0x08000000", "0x08010000", "-offset", "0xF7FE0003", "-split", "8", "2", "4"};
        QTest::newRow("unsplit 2 1")
            << QStringList{"--crop", "0-FFFFF", "--unsplit", "2", "1"}
            << QStringList{"-crop", "0", "0x100000", "-unsplit", "2", "1"};
        QTest::newRow("unsplit 4 1 2, to the top")
            << QStringList{"--crop", "08000000-0800FFFF", "--offset", "77FF0000", "--unsplit", "4", "1", "2"}
            << QStringList{"-crop", "0x08000000", "0x08010000", "-offset", "0x77FF0000", "-unsplit", "4", "1", "2"};
        QTest::newRow("split, then unsplit")
            << QStringList{"--split", "A", "3", "2", "--unsplit", "A", "3", "2"}
            << QStringList{"-split", "10", "3", "2", "-unsplit", "10", "3", "2"};
    }
    void operationsGiveSrecCatsImage()
    {
        QFETCH(QStringList, ours);
        QFETCH(QStringList, theirs);
        QCOMPARE(runKestrun(QStringList{"convert", path("in.hex"), "-o", path("ours.hex")} + ours)
                     .exitCode,
                 0);
        QVERIFY(peerSucceeds("srec_cat", QStringList{path("in.hex"), "-intel"} + theirs
                                     + QStringList{"-o", path("theirs.hex"), "-intel"}));
        QVERIFY(sameImage("ours.hex", "-intel", "theirs.hex", "-intel"));
    }

    void badSRecordsFailAtTheirLine()
    {
        for (const BadSRecord &row : kBadSRecords) {
            writeBytes(path("bad.s19"), row.text);
            QFile::remove(path("out.hex"));
            const KestrunRun run = runKestrun({"convert", path("bad.s19"), "-o", path("out.hex")});
            QVERIFY2(run.exitCode == 1, row.name);
            QVERIFY2(run.errorText().startsWith(path("bad.s19") + u':' + QString::number(row.line)
                                                + QStringLiteral(": ")),
                     row.name);
            QVERIFY2(!QFile::exists(path("out.hex")), row.name);
            if (row.peersRefuse) {
                QVERIFY2(!peerSucceeds("objcopy", {"-I", "srec", "-O", "binary", path("bad.s19"),
                                           path("peer.bin")}),
                         row.name);
                QVERIFY2(!peerSucceeds("srec_cat", {path("bad.s19"), "-o", path("peer.bin"), "-binary"}),
                         row.name);
            }
        }
    }

    void badInputsWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("a truncated ELF")
            << QStringList{"short.elf"} << 1 << "short.elf: 途中で切れています: セグメント 0 は";
        QTest::newRow("an ELF cut in its program headers")
            << QStringList{"headers.elf"} << 1
            << "headers.elf: 途中で切れています: プログラムヘッダはオフセット 176 まであり、"
               "ファイルは 100 バイトです";
        QTest::newRow("a relocatable object")
            << QStringList{"prog.o"} << 1 << "prog.o: 再配置可能オブジェクトで";
        QTest::newRow("a Git LFS pointer named .elf")
            << QStringList{"pointer.elf"} << 1 << "pointer.elf: Git LFS のポインタファイルで";
        QTest::newRow("text named .elf") << QStringList{"notes.elf"} << 1
                                         << "notes.elf: ELF ファイルではありません";
        QTest::newRow("text named .hex") << QStringList{"notes.hex"} << 1 << "notes.hex:1: ";
        QTest::newRow("text named .s19") << QStringList{"notes.s19"} << 1 << "notes.s19:1: ";
        QTest::newRow("a range the wrong way round")
            << QStringList{"in.hex", "--crop", "2000-1000"} << 2 << "kestrun: --crop 2000-1000";
        QTest::newRow("an offset below address 0")
            << QStringList{"in.hex", "--offset", "-101"} << 1 << "in.hex: --offset -101";
        QTest::newRow("an offset past 4 GiB")
            << QStringList{"in.hex", "--offset", "F8000000"} << 1 << "in.hex: --offset F8000000";
        QTest::newRow("binary past 4 GiB")
            << QStringList{"low.bin@FFFFFF00"} << 1 << "low.bin: データがアドレス FFFFFFFF を超えます";
        QTest::newRow("a split lane past its group")
            << QStringList{"in.hex", "--split", "4", "3", "2"} << 2 << "kestrun: --split 4 3 2: MULTIPLE と";
        QTest::newRow("an unsplit lane of no bytes")
            << QStringList{"in.hex", "--unsplit", "4", "0", "0"} << 2 << "kestrun: --unsplit 4 0 0: MULTIPLE と";
        QTest::newRow("a word of 3 bytes")
            << QStringList{"in.hex", "--byte-swap", "3"} << 2 << "kestrun: --byte-swap 3: 語の幅";
        QTest::newRow("an unsplit past 4 GiB")
            << QStringList{"in.hex", "--offset", "80000000", "--unsplit", "2", "0"} << 1 << "in.hex: --unsplit 2 0: ";
        QTest::newRow("a forced format that does not fit")
            << QStringList{"in.hex", "--input-format", "srec"} << 1 << "in.hex:1: ";
    }
    void badInputsWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        writeBytes(path("short.elf"), readBytes(path("prog.elf")).left(200));
        writeBytes(path("headers.elf"), readBytes(path("prog.elf")).left(100));
        writeBytes(path("pointer.elf"), "version https://git-lfs.github.com/v1\n"
                                        "oid sha256:4d7a214614ab2935c943f9e0ff69d22eadbb8f32b1\n"
                                        "size 12345\n");
        for (const char *name : {"notes.elf", "notes.hex", "notes.s19"})
            writeBytes(path(name), "firmware build notes\n");
        QFile::remove(path("out.hex"));
        const KestrunRun run = runKestrun(QStringList{"convert"} + arguments
                                              + QStringList{"-o", "out.hex"},
                                          QByteArray(), m_dir.path());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.errorText().startsWith(message), qPrintable(run.errorText()));
        QVERIFY(!QFile::exists(path("out.hex")));
    }

    // The ELF reader's refusals in English, as in Japanese above.
    void elfRefusalsSpeakEnglish_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut") << "headers.elf"
                             << "headers.elf: truncated: the program headers end at offset 176, "
                                "beyond the file's 100 bytes";
        QTest::newRow("relocatable")
            << "prog.o" << "prog.o: a relocatable object, not an executable: link it first";
        QTest::newRow("not ELF") << "notes.elf" << "notes.elf: not an ELF file";
        QTest::newRow("binary past 4 GiB")
            << "low.bin@FFFFFF00" << "low.bin: the bytes pass address FFFFFFFF";
    }
    void elfRefusalsSpeakEnglish()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        writeBytes(path("headers.elf"), readBytes(path("prog.elf")).left(100));
        writeBytes(path("notes.elf"), "firmware build notes\n");
        QProcessEnvironment english = kestrunEnvironment();
        english.insert("LANGUAGE", "en");
        const KestrunRun run =
            runKestrunIn(english, {"convert", path(input), "-o", path("out.hex")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errorText().trimmed(), m_dir.filePath(message));
    }

    // A sparse image's dump names each long gap in one line instead of
    // writing its fill: in.hex's pieces 128 MiB apart make a few hundred
    // lines, well within a limit that 128 MiB of fill lines would pass.
    void sparseDumpsNameTheirGaps()
    {
        FileSizeLimit limit(1 << 20);
        const KestrunRun run =
            runKestrun({"convert", path("in.hex"), "--to", "dump", "-o", path("in.txt")});
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> lines = readBytes(path("in.txt")).split('\n');
        QVERIFY(lines.contains("*** gap 00000CC0-0000EFFF (58176 bytes)\r"));
        QVERIFY(lines.contains("*** gap 00010390-07FFFFFF (134151280 bytes)\r"));
        // The lines of data, the two gaps, and nothing after the last line end.
        QCOMPARE(lines.count(), 188 + 313 + 4375 + 2 + 1);
    }
};

QTEST_GUILESS_MAIN(ConvertTest)
#include "convert_test.moc"
