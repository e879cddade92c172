// TextPatch on texts srec_cat writes, judged by srec_cat itself: the
// patched text must hold what `srec_cat IN -exclude A B -generate A B
// -repeat-data ...` holds (srec_cmp says so), and the splices must touch
// only the lines that hold a written byte. Checksums fixed must make a
// text objcopy refused one it reads, changing only those lines.
#include "core/AddressIndex.h"
#include "core/LinkedLibraryCalls.h"
#include "core/TextPatch.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), bytes.size()) == bytes.size();
}

QString hex(std::uint64_t value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

} // namespace

class TextPatchTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Two pieces of counting bytes, the second 0x100 above the first's
    // end, written by srec_cat as `format` (-intel, -motorola) records.
    QByteArray peerText(const QString &format, std::uint32_t base, const QStringList &more)
    {
        QStringList args = {"-generate", hex(base), hex(base + 300), "-repeat-data", "1", "2", "3",
                            "-generate", hex(base + 400), hex(base + 600), "-repeat-data", "0xA5",
                            "-o", path("in.txt"), format};
        args += more;
        return run("srec_cat", args) ? readAll(path("in.txt")) : QByteArray();
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("srec_cat").isEmpty()
            || QStandardPaths::findExecutable("objcopy").isEmpty())
            QSKIP("srec_cat and objcopy are the judges here");
    }

    void writesWhatSrecCatGenerates_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("more"); // srec_cat's options for the text
        QTest::addColumn<qlonglong>("address");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines"); // lines the splices may touch; -1: lines are added
        const std::uint32_t base = 0x0800FF80; // the first piece runs across a 64 KiB page
        const QStringList hex16 = {"-obs=16"};
        QTest::newRow("HEX, a version string in one record")
            << "-intel" << hex16 << qlonglong(base + 0x21) << QByteArray("v2.1") << 1;
        QTest::newRow("HEX, across two records and a page")
            << "-intel" << hex16 << qlonglong(base + 0x7C) << QByteArray("ABCDEFGH") << 2;
        QTest::newRow("HEX, 32-byte records")
            << "-intel" << QStringList{"-obs=32"} << qlonglong(base + 5) << QByteArray("\0\xFF", 2)
            << 1;
        QTest::newRow("HEX, the same value again changes nothing")
            << "-intel" << hex16 << qlonglong(base) << QByteArray("\1\2\3", 3) << 0;
        QTest::newRow("HEX, into the gap")
            << "-intel" << hex16 << qlonglong(base + 310) << QByteArray("gap") << -1;
        QTest::newRow("HEX, above every record")
            << "-intel" << hex16 << qlonglong(0x09000000) << QByteArray("end") << -1;
        QTest::newRow("S28, one record")
            << "-motorola" << QStringList{"-address-length=3"} << qlonglong(base + 0x40)
            << QByteArray("S2") << 1;
        QTest::newRow("S37, into the gap")
            << "-motorola" << QStringList{"-address-length=4"} << qlonglong(base + 350)
            << QByteArray("S3 gap") << -1;
    }

    void writesWhatSrecCatGenerates()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, more);
        QFETCH(qlonglong, address);
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        const QByteArray text = peerText(format, 0x0800FF80, more);
        QVERIFY(!text.isEmpty());
        const std::int32_t kind = format == "-intel" ? KESTRUN_FORMAT_IHEX : KESTRUN_FORMAT_SREC;
        TextPatch patch(*linkedImageCalls(), kind);
        patch.write(std::uint32_t(address), bytes);
        const TextPatch::Result r = patch.apply(text);
        QCOMPARE(r.result, ResultOk);
        const QByteArray patched = TextPatch::spliced(text, r.splices);
        QVERIFY(writeAll(path("patched.txt"), patched));
        const QStringList data = [&] {
            QStringList list;
            for (const char c : bytes)
                list << hex(std::uint8_t(c));
            return list;
        }();
        const QString low = hex(std::uint64_t(address));
        const QString stop = hex(std::uint64_t(address) + std::uint64_t(bytes.size()));
        QVERIFY(run("srec_cat", QStringList{path("in.txt"), format, "-exclude", low, stop,
                                            "-generate", low, stop, "-repeat-data"}
                                    + data + QStringList{"-o", path("want.txt"), format}));
        QVERIFY2(run("srec_cmp", {path("patched.txt"), format, path("want.txt"), format}),
                 patched.constData());
        QVERIFY(run("objcopy", {"-I", format == "-intel" ? "ihex" : "srec", "-O", "binary",
                                path("patched.txt"), path("patched.bin")}));
        if (lines >= 0) {
            // The lines the address index says hold the bytes, patched
            // alone (with the address record above them), give the same.
            const AddressIndex index = AddressIndex::read(*linkedImageCalls(), text);
            const auto first = index.placeOf(std::uint32_t(address));
            const auto last = index.placeOf(std::uint32_t(address + bytes.size() - 1));
            QVERIFY(first && last);
            QList<qsizetype> starts = {0}; // of each line, LF ended
            for (qsizetype at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1))
                starts << at + 1;
            const TextPatch::Lines span{starts[qsizetype(first->line) - 1],
                                        starts[qsizetype(last->line)], first->line};
            const TextPatch::Result part = patch.apply(text, {}, span);
            QCOMPARE(part.result, ResultOk);
            QCOMPARE(TextPatch::spliced(text, part.splices), patched);
            // So do they from a window of the text that holds the address
            // record above them; one that starts at them holds none, and
            // in HEX, where one is in force, must give nothing.
            const auto head = patch.applyWithin(QByteArrayView(text).first(span.to), 0, {}, span);
            QVERIFY(head && TextPatch::spliced(text, head->splices) == patched);
            const auto tail =
                patch.applyWithin(QByteArrayView(text).sliced(span.from), span.from, {}, span);
            QCOMPARE(tail.has_value(), format != "-intel");
            QVERIFY(!tail || TextPatch::spliced(text, tail->splices) == patched);
            QCOMPARE(patched.size(), text.size());
            QCOMPARE(int(r.splices.size()), lines);
            for (const TextPatch::Splice &s : r.splices)
                QVERIFY(!s.text.contains('\n') && s.text.size() == s.length);
        } else {
            QCOMPARE(r.splices.size(), std::size_t(1));
            QVERIFY(r.stats.records_added >= 1);
        }
    }

    // Hand-made wrong checksums: objcopy refuses the text, and reads it
    // after the fix, in which only those lines differ.
    void fixesEveryWrongChecksum_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QList<int>>("broken"); // lines (from 1) whose checksum is spoilt
        QTest::newRow("HEX, one line") << "-intel" << QList<int>{3};
        QTest::newRow("HEX, first and last data lines") << "-intel" << QList<int>{2, 30};
        QTest::newRow("S-records, three lines") << "-motorola" << QList<int>{2, 5, 9};
        QTest::newRow("nothing to fix") << "-intel" << QList<int>{};
    }

    void fixesEveryWrongChecksum()
    {
        QFETCH(QString, format);
        QFETCH(QList<int>, broken);
        QList<QByteArray> lines = peerText(format, 0x0800FF80, {"-obs=16"}).split('\n');
        for (const int line : broken) {
            QByteArray &text = lines[line - 1];
            char &digit = text[text.size() - 1];
            digit = digit == '0' ? '1' : '0';
        }
        const QByteArray text = lines.join('\n');
        QVERIFY(writeAll(path("bad.txt"), text));
        const QString objFormat = format == "-intel" ? "ihex" : "srec";
        QCOMPARE(run("objcopy", {"-I", objFormat, "-O", "binary", path("bad.txt"), path("b.bin")}),
                 broken.isEmpty());
        TextPatch patch(*linkedImageCalls(), format == "-intel" ? KESTRUN_FORMAT_IHEX
                                                                : KESTRUN_FORMAT_SREC);
        patch.setFixChecksums(true);
        const TextPatch::Result r = patch.apply(text);
        QCOMPARE(r.result, ResultOk);
        QCOMPARE(int(r.fixed.size()), int(broken.size()));
        QCOMPARE(int(r.splices.size()), int(broken.size()));
        for (qsizetype i = 0; i < broken.size(); ++i)
            QCOMPARE(int(r.fixed[std::size_t(i)].line), broken[i]);
        QVERIFY(writeAll(path("fixed.txt"), TextPatch::spliced(text, r.splices)));
        QVERIFY(run("objcopy", {"-I", objFormat, "-O", "binary", path("fixed.txt"), path("f.bin")}));
        QVERIFY(run("srec_cmp", {path("fixed.txt"), format, path("in.txt"), format}));
    }

    void refusesWhatDoesNotRead_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("fix");
        QTest::newRow("a wrong checksum, not fixing")
            << QByteArray(":0400000001020304F1\n:00000001FF\n") << false;
        QTest::newRow("a record cut short") << QByteArray(":04000000010203\n:00000001FF\n") << true;
        QTest::newRow("not a record") << QByteArray(":0400000001020304F2\nhello\n") << true;
    }

    void refusesWhatDoesNotRead()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, fix);
        TextPatch patch(*linkedImageCalls(), KESTRUN_FORMAT_IHEX);
        patch.setFixChecksums(fix);
        patch.write(1, "\x55");
        const TextPatch::Result r = patch.apply(text, QStringLiteral("doc.hex"));
        QVERIFY(r.result < 0);
        QVERIFY(r.error.startsWith(QStringLiteral("doc.hex:")));
        QVERIFY(r.splices.empty());
    }
};

QTEST_GUILESS_MAIN(TextPatchTest)
#include "text_patch_test.moc"
