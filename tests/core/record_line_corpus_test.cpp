// The document's view of a record text line by line, judged by the
// library's reader on peer-written texts: Intel HEX by Python's intelhex
// and srec_cat, S-records by objcopy and srec_cat, each also broken one way
// per row. Every line the reader takes is coloured without a fault and its
// data digits answer the caret with the addresses the reader gave their
// bytes; the line it stops at shows the fault; the index and the map name
// the lines an editor shows. Where the data digits stand is worked out
// here from the formats' own layout and checked against the bytes the
// reader read, so a column the tokenizer or the index got wrong shows.
#include "core/AddressIndex.h"
#include "core/HexLineStyles.h"
#include "core/LinkedLibraryCalls.h"
#include "core/MemoryMap.h"
#include "support/test_files.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <string>
#include <vector>

namespace {

// Random blocks of random bytes written by Python's intelhex, with a start
// address for odd seeds.
const char *const kPeerScript = R"(
import random, sys, intelhex
r = random.Random(int(sys.argv[1]))
ih = intelhex.IntelHex()
for _ in range(r.randint(1, 6)):
    n = r.randint(1, 600)
    base = r.choice([0, 0x1F0, 0x0800FFF0, 0x20000000, r.randrange(0, 2**24), 2**32 - n])
    for i in range(n):
        ih[base + i] = r.randrange(256)
if int(sys.argv[1]) % 2:
    ih.start_addr = {'EIP': 0x08000131}
ih.write_hex_file(sys.argv[2])
)";

QString python()
{
    const QString system = QStandardPaths::findExecutable(QStringLiteral("python3"), {"/usr/bin"});
    return system.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("python3")) : system;
}

// A record the reader took: its editor line, type, address, length and
// the bytes of a data record.
struct ReadRecord {
    std::uint64_t line;
    std::uint32_t type;
    std::uint32_t address;
    std::uint32_t length;
    QByteArray data;
};

struct Reading {
    std::vector<ReadRecord> records;
    std::int32_t result = ResultOk;
    kestrun_place place{};
};

std::int32_t keep(const kestrun_record *record, std::intptr_t user)
{
    const QByteArray data = record->data ? QByteArray(reinterpret_cast<const char *>(record->data),
                                                      qsizetype(record->length))
                                         : QByteArray();
    reinterpret_cast<Reading *>(user)->records.push_back(
        {record->editor_line, record->type, record->address, record->length, data});
    return ResultOk;
}

Reading readWithLibrary(std::int32_t format, const QByteArray &text)
{
    const ImageCalls &c = *linkedImageCalls();
    Reading reading;
    kestrun_image *image = c.kestrun_image_new();
    kestrun_reader *reader = c.kestrun_reader_new(format, image, nullptr);
    c.kestrun_reader_on_record(reader, keep, reinterpret_cast<std::intptr_t>(&reading));
    reading.result = c.kestrun_reader_feed(reader, text.data(), std::uint64_t(text.size()));
    if (reading.result >= 0)
        reading.result = c.kestrun_reader_finish(reader);
    if (reading.result < 0)
        c.kestrun_reader_place(reader, &reading.place);
    c.kestrun_reader_free(reader);
    c.kestrun_image_free(image);
    return reading;
}

// The text's lines as an editor splits it: CR LF, LF and CR alone each
// end a line.
QList<QByteArray> editorLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype at = 0;
    while (at <= text.size()) {
        qsizetype end = at;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        lines << text.mid(at, end - at);
        if (end == text.size())
            break;
        at = end + (text.mid(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

// The column (from 1) of a data record's first data digit, by the
// format's layout: HEX after the colon, length, address and type; an
// S-record after S, type, count and its 2, 3 or 4 address bytes.
int firstDataColumn(std::int32_t format, std::uint32_t type)
{
    return format == KESTRUN_FORMAT_IHEX ? 10 : 5 + 2 * int(type + 1);
}

std::string stylesOf(std::int32_t format, const QByteArray &line)
{
    std::string styles(std::size_t(line.size()), '\0');
    styleRecordLine(*linkedImageCalls(), format, line, styles.data());
    return styles;
}

// One way to break a text: applied to its `n`-th line (from 0).
QByteArray breakLine(QByteArray text, int n, const QByteArray &how)
{
    QList<QByteArray> lines = text.split('\n');
    QByteArray line = lines[n];
    const bool cr = line.endsWith('\r');
    line.chop(cr ? 1 : 0);
    if (how == "checksum")
        line[line.size() - 1] = line.back() == '0' ? '1' : '0';
    else if (how == "digit")
        line[12] = 'G';
    else if (how == "short")
        line.chop(3);
    else if (how == "junk")
        line += "xy";
    else if (how == "blank")
        line.prepend(' ');
    lines[n] = cr ? line + '\r' : line;
    return lines.join('\n');
}

} // namespace

class RecordLineCorpusTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void run(const QString &program, const QStringList &arguments)
    {
        QProcess peer;
        peer.start(program, arguments);
        QVERIFY2(peer.waitForFinished(60000) && peer.exitCode() == 0,
                 qPrintable(program + u' ' + arguments.join(u' ') + u'\n'
                            + QString::fromLocal8Bit(peer.readAllStandardError())));
    }

private slots:
    void initTestCase()
    {
        for (int seed = 1; seed <= 4; ++seed) {
            const QString n = QString::number(seed);
            run(python(), {"-c", kPeerScript, n, path(n + ".hex")});
            run("objcopy", {"-I", "ihex", "-O", "srec", path(n + ".hex"), path(n + ".srec")});
            run("srec_cat", {path(n + ".hex"), "-intel", "-o", path(n + ".s37"), "-motorola"});
            run("srec_cat", {path(n + ".srec"), "-motorola", "-o", path(n + ".ihx"), "-intel"});
        }
    }

    void linesAgreeWithTheReader_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("format");
        const QList<QByteArray> breaks = {"", "checksum", "digit", "short", "junk", "blank"};
        for (int seed = 1; seed <= 4; ++seed) {
            for (const char *ext : {"hex", "srec", "s37", "ihx"}) {
                const QByteArray text = readBytes(path(QStringLiteral("%1.%2").arg(seed).arg(ext)));
                const int format = text.startsWith(':') ? KESTRUN_FORMAT_IHEX : KESTRUN_FORMAT_SREC;
                const int middle = int(text.count('\n') / 2);
                for (const QByteArray &how : breaks) {
                    const QByteArray row = how.isEmpty() ? text : breakLine(text, middle, how);
                    QTest::addRow("%d.%s %s", seed, ext, how.constData())
                        << row << format;
                }
                QByteArray lfcr = text;
                QTest::addRow("%d.%s LF CR", seed, ext)
                    << lfcr.replace("\r\n", "\n").replace("\n", "\n\r") << format;
            }
        }
    }

    void linesAgreeWithTheReader()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, format);
        const ImageCalls &calls = *linkedImageCalls();
        QCOMPARE(int(MemoryMap::formatOf(calls, text)), format);
        const Reading read = readWithLibrary(format, text);
        AddressIndex index;
        const MemoryMap map = MemoryMap::read(calls, text, &index);
        const QList<QByteArray> lines = editorLines(text);

        // The map stops where the reader stops, on the editor's line.
        QCOMPARE(map.stop().has_value(), read.result < 0);
        if (read.result < 0)
            QCOMPARE(std::uint64_t(map.stop()->line), read.place.editor_line);

        // The index holds the reader's data records, on the editor's lines.
        std::vector<ReadRecord> data;
        for (const ReadRecord &r : read.records)
            if (!r.data.isEmpty())
                data.push_back(r);
        std::size_t i = 0;
        index.forEach([&](const AddressIndex::Record &r) {
            QVERIFY(i < data.size());
            QCOMPARE(r.line, data[i].line);
            QCOMPARE(r.address, data[i].address);
            QCOMPARE(int(r.length), int(data[i].data.size()));
            ++i;
        });
        QCOMPARE(i, data.size());
        QVERIFY(!data.empty());

        // Every line the reader took is coloured without a fault, its mark
        // as a mark and as many data digits as it has bytes.
        std::map<std::uint64_t, const ReadRecord *> taken;
        for (const ReadRecord &r : read.records)
            taken[r.line] = &r;
        for (const auto &[number, record] : taken) {
            const std::string styles = stylesOf(format, lines[qsizetype(number - 1)]);
            QCOMPARE(int(styles.front()), int(HexStyle::Mark));
            QVERIFY2(styles.find(HexStyle::Broken) == std::string::npos, lines[number - 1]);
            QVERIFY2(styles.find(HexStyle::BadChecksum) == std::string::npos, lines[number - 1]);
            QCOMPARE(qsizetype(std::count(styles.begin(), styles.end(), HexStyle::Data)),
                     2 * qsizetype(record->length));
        }
        // The line the reader stops at shows why.
        if (read.result == ResultChecksumError || read.result == ResultNotIntelHex
            || read.result == ResultNotSRecord) {
            QVERIFY(!read.place.no_end_record);
            const QByteArray &line = lines[qsizetype(read.place.editor_line - 1)];
            const std::string styles = stylesOf(format, line);
            const char shown =
                read.result == ResultChecksumError ? HexStyle::BadChecksum : HexStyle::Broken;
            QVERIFY2(styles.find(shown) != std::string::npos, line);
        }

        // The caret on each column of a data record's line has the address
        // of the byte whose digits it is on, and those digits spell the
        // byte the reader read; find's place of each byte selects them.
        for (const ReadRecord &r : data) {
            const QByteArray &line = lines[qsizetype(r.line - 1)];
            const int first = firstDataColumn(format, r.type);
            for (int column = 1; column <= line.size() + 1; ++column) {
                const int byte = (column - first) / 2;
                const bool inData = column >= first && byte < r.data.size();
                const std::optional<std::uint32_t> expected =
                    inData ? std::optional(r.address + std::uint32_t(byte)) : std::nullopt;
                QCOMPARE(index.addressAt(r.line, line, column), expected);
            }
            for (int byte = 0; byte < r.data.size(); ++byte) {
                QCOMPARE(line.mid(first - 1 + 2 * byte, 2).toUpper(),
                         r.data.mid(byte, 1).toHex().toUpper());
                const std::optional<AddressIndex::Place> place = index.placeOf(r.address + byte);
                QVERIFY(place);
                QCOMPARE(place->line, r.line);
                const std::optional<AddressIndex::Digits> digits =
                    index.digitsOf(line, place->byte, 1);
                QVERIFY(digits);
                QCOMPARE(line.mid(digits->column - 1, digits->width).toUpper(),
                         r.data.mid(byte, 1).toHex().toUpper());
            }
        }
    }
};

QTEST_GUILESS_MAIN(RecordLineCorpusTest)
#include "record_line_corpus_test.moc"
