#include "core/AddressIndex.h"
#include "core/LinkedLibraryCalls.h"
#include "core/MapLayout.h"
#include "core/MemoryMap.h"
#include "support/bad_srecords.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray rec(std::uint8_t type, std::uint16_t address, const QByteArray &data)
{
    return hexRecord(type, address, data);
}

// The record with its checksum's last digit changed.
QByteArray badSum(QByteArray record)
{
    record.back() = record.back() == '0' ? '1' : '0';
    return record;
}

const QByteArray k16 = QByteArray(16, '\x5A');
const QByteArray kLinear0800 = rec(4, 0, QByteArray::fromHex("0800"));

QString hex8(std::uint64_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(8, u'0');
}

// "LOW-HIGH@LINE" for each segment, space-separated.
QString segmentsOf(const MemoryMap &map)
{
    QStringList out;
    for (const MemoryMap::Segment &s : map.segments())
        out << QStringLiteral("%1-%2@%3").arg(hex8(s.low), hex8(s.high)).arg(s.line);
    return out.join(u' ');
}

// "LOW-HIGH@LINE<EARLIER" for each overlap, "=" for an identical one.
QString overlapsOf(const MemoryMap &map)
{
    QStringList out;
    for (const MemoryMap::Overlap &o : map.overlaps())
        out << QStringLiteral("%1-%2@%3%4%5")
                   .arg(hex8(o.low), hex8(o.high))
                   .arg(o.line)
                   .arg(o.identical ? QStringLiteral("=") : QStringLiteral("<"))
                   .arg(o.earlierLine);
    return out.join(u' ');
}

QString python()
{
    const QString system = QStandardPaths::findExecutable(QStringLiteral("python3"), {"/usr/bin"});
    return system.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("python3")) : system;
}

// Random blocks, some touching, some at the ends of the space, written by
// Python's intelhex, which prints its segments() after.
const char *const kPeerScript = R"(
import random, sys, intelhex
r = random.Random(int(sys.argv[1]))
ih = intelhex.IntelHex()
for _ in range(r.randint(1, 10)):
    n = r.randint(1, 2000)
    base = r.choice([0, 0x08000000, 0x08004000, 0x20000000, 2**32 - n, r.randrange(0, 2**32 - n)])
    for i in range(n):
        ih[base + i] = r.randrange(256)
ih.write_hex_file(sys.argv[2])
print(" ".join("%08X-%08X" % (a, b - 1) for a, b in ih.segments()))
)";

} // namespace

class MemoryMapTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void mapsOfTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("segments");
        QTest::addColumn<QString>("overlaps");
        QTest::addColumn<qlonglong>("start"); // -1: none
        QTest::addColumn<int>("stopLine");    // 0: valid to the end
        QTest::newRow("two blocks of a flash at 08000000")
            << hexText({kLinear0800, rec(0, 0, k16), rec(0, 0x10, k16), rec(0, 0x4000, k16)})
            << "08000000-0800001F@2 08004000-0800400F@4" << "" << -1LL << 0;
        QTest::newRow("records out of order make one segment from their first line")
            << hexText({rec(0, 0x20, k16), rec(0, 0x10, k16), rec(0, 0x00, k16)})
            << "00000000-0000002F@1" << "" << -1LL << 0;
        QTest::newRow("other bytes written twice")
            << hexText({rec(0, 0, k16), rec(0, 8, QByteArray(4, '\x01'))})
            << "00000000-0000000F@1" << "00000008-0000000B@2<1" << -1LL << 0;
        QTest::newRow("the same bytes written twice")
            << hexText({rec(0, 0, k16), rec(0, 4, QByteArray(4, '\x5A'))})
            << "00000000-0000000F@1" << "00000004-00000007@2=1" << -1LL << 0;
        QTest::newRow("a second copy is one overlap")
            << hexText({rec(0, 0, QByteArray(16, 1)), rec(0, 0x10, QByteArray(16, 2)),
                        rec(0, 0, k16), rec(0, 0x10, k16)})
            << "00000000-0000001F@1" << "00000000-0000001F@3<1" << -1LL << 0;
        QTest::newRow("linear start")
            << hexText({rec(0, 0, k16), rec(5, 0, QByteArray::fromHex("08000131"))})
            << "00000000-0000000F@1" << "" << 0x08000131LL << 0;
        QTest::newRow("segment start as CS * 16 + IP")
            << hexText({rec(0, 0, k16), rec(3, 0, QByteArray::fromHex("10000100"))})
            << "00000000-0000000F@1" << "" << 0x10100LL << 0;
        QTest::newRow("a bad checksum maps what is above it")
            << hexText({rec(0, 0, k16), badSum(rec(0, 0x10, k16))})
            << "00000000-0000000F@1" << "" << -1LL << 2;
        QTest::newRow("no end record")
            << rec(0, 0, k16) + "\r\n" + rec(0, 0x10, k16) + "\r\n"
            << "00000000-0000001F@1" << "" << -1LL << 3;
        QTest::newRow("S-records with a start")
            << QByteArray("S1130000000102030405060708090A0B0C0D0E0F74\n"
                          "S1130010000102030405060708090A0B0C0D0E0F64\nS9030000FC\n")
            << "00000000-0000001F@1" << "" << 0x0LL << 0;
        QTest::newRow("plain text") << QByteArray("hello\r\n") << "" << "" << -1LL << 0;
        // An editor shows a line between each two records; a segment's
        // line and the stop are where the document shows them.
        QTest::newRow("LF CR line ends, lines as the document shows them")
            << hexText({kLinear0800, rec(0, 0, k16), rec(0, 0x4000, k16), badSum(rec(0, 0x10, k16))},
                       "\n\r")
            << "08000000-0800000F@3 08004000-0800400F@5" << "" << -1LL << 7;
        QTest::newRow("LF CR line ends, overlaps as the document shows them")
            << hexText({rec(0, 0, k16), rec(0, 8, QByteArray(4, '\x01'))}, "\n\r")
            << "00000000-0000000F@1" << "00000008-0000000B@3<1" << -1LL << 0;
        // The detection finds HEX after the blank lines; the reader does
        // not read a text that starts with them.
        QTest::newRow("a text starting with blank lines")
            << "\r\n\r\n" + hexText({rec(0, 0, k16)}) << "" << "" << -1LL << 1;
        QTest::newRow("a text starting with a blank")
            << " " + hexText({rec(0, 0, k16)}) << "" << "" << -1LL << 0;
    }

    void mapsOfTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, segments);
        QFETCH(QString, overlaps);
        QFETCH(qlonglong, start);
        QFETCH(int, stopLine);
        const MemoryMap map = MemoryMap::read(*linkedImageCalls(), text);
        QCOMPARE(segmentsOf(map), segments);
        QCOMPARE(overlapsOf(map), overlaps);
        QCOMPARE(map.start() ? qlonglong(*map.start()) : -1LL, start);
        QCOMPARE(map.stop() ? map.stop()->line : 0, stopLine);
        if (map.stop())
            QVERIFY(!map.stop()->message.isEmpty());
    }

    // Every bad S-record row stops the map where the library's reader
    // stops, with the segment of the good records above it.
    void badSRecordsStopTheMap()
    {
        for (const BadSRecord &row : kBadSRecords) {
            const MemoryMap map = MemoryMap::read(*linkedImageCalls(), QByteArray(row.text));
            QVERIFY2(map.stop(), row.name);
            QCOMPARE(map.stop()->result, row.result);
            QCOMPARE(std::uint64_t(map.stop()->line), row.line);
        }
    }

    // The segments agree with Python's intelhex on its own files, and
    // with the same image as objcopy's S-records; each segment's line is
    // the first record that writes into it.
    void segmentsAgreeWithPeers()
    {
        const QString py = python();
        QVERIFY(!py.isEmpty());
        for (int seed = 1; seed <= 12; ++seed) {
            const QString hex = m_dir.filePath(QStringLiteral("%1.hex").arg(seed));
            const QString srec = m_dir.filePath(QStringLiteral("%1.srec").arg(seed));
            QProcess peer;
            peer.start(py, {"-c", kPeerScript, QString::number(seed), hex});
            QVERIFY(peer.waitForFinished(60000) && peer.exitCode() == 0);
            const QString expected = QString::fromLatin1(peer.readAllStandardOutput()).trimmed();
            QCOMPARE(QProcess::execute("objcopy", {"-I", "ihex", "-O", "srec", hex, srec}), 0);
            for (const QString &path : {hex, srec}) {
                AddressIndex addresses;
                const MemoryMap map =
                    MemoryMap::read(*linkedImageCalls(), readBytes(path), &addresses);
                QStringList ranges;
                for (const MemoryMap::Segment &s : map.segments()) {
                    ranges << hex8(s.low) + u'-' + hex8(s.high);
                    std::uint64_t first = UINT64_MAX;
                    addresses.forEach([&](const AddressIndex::Record &r) {
                        if (r.address >= s.low && r.address <= s.high)
                            first = std::min(first, r.line);
                    });
                    QCOMPARE(s.line, first);
                }
                QCOMPARE(ranges.join(u' '), expected);
                QVERIFY(!map.stop());
            }
        }
    }

    // A text read in windows (a tiny weight makes each block of addresses
    // a window of its own) maps as when read at once: the rows above, a
    // record and a conflict across a block's edge, and the peer's files.
    void readingInWindowsGivesTheSameMap_data()
    {
        mapsOfTexts_data();
        // Blocks are 128 KiB: one ends at 0001FFFF.
        const QByteArray base1 = rec(4, 0, QByteArray::fromHex("0001"));
        const QByteArray base2 = rec(4, 0, QByteArray::fromHex("0002"));
        QTest::newRow("across a block's edge")
            << hexText({base1, rec(0, 0xFFF8, k16), base2, rec(0, 8, k16), base1,
                        rec(0, 0xFFFC, QByteArray(8, 1)), base2, rec(0, 4, k16)})
            << QString() << QString() << -1LL << 0;
        for (int seed = 1; seed <= 3; ++seed) {
            const QString hex = m_dir.filePath(QStringLiteral("w%1.hex").arg(seed));
            QProcess peer;
            peer.start(python(), {"-c", kPeerScript, QString::number(seed), hex});
            QVERIFY(peer.waitForFinished(60000) && peer.exitCode() == 0);
            QTest::addRow("intelhex %d", seed) << readBytes(hex) << QString() << QString() << -1LL << 0;
            const QString srec = m_dir.filePath(QStringLiteral("w%1.srec").arg(seed));
            QCOMPARE(QProcess::execute("objcopy", {"-I", "ihex", "-O", "srec", hex, srec}), 0);
            QTest::addRow("objcopy's S-records %d", seed)
                << readBytes(srec) << QString() << QString() << -1LL << 0;
        }
        // Each window reads from the records its data's bases come from:
        // a segment base under a linear one, both cleared by the next
        // linear base, on blocks far apart.
        const QByteArray segment1000 = rec(2, 0, QByteArray::fromHex("1000"));
        const QByteArray linear0900 = rec(4, 0, QByteArray::fromHex("0900"));
        const QByteArray segment0 = rec(2, 0, QByteArray::fromHex("0000"));
        QTest::newRow("bases of both kinds")
            << hexText({kLinear0800, rec(0, 0, k16), segment1000, rec(0, 0, k16), linear0900,
                        rec(0, 0x10, k16), segment1000, segment0, rec(0, 0x20, k16),
                        kLinear0800, rec(0, 0x30, k16)})
            << QString() << QString() << -1LL << 0;
        QTest::newRow("a segment base alone")
            << hexText({rec(0, 0x100, k16), segment1000, rec(0, 0, k16), rec(0, 0x10, k16)})
            << QString() << QString() << -1LL << 0;
        QTest::newRow("LF CR line ends")
            << hexText({kLinear0800, rec(0, 0, k16), linear0900, rec(0, 0, k16),
                        rec(0, 0, QByteArray(4, 1))}, "\n\r")
            << QString() << QString() << -1LL << 0;
    }

    void readingInWindowsGivesTheSameMap()
    {
        QFETCH(QByteArray, text);
        AddressIndex once;
        AddressIndex windowed;
        const MemoryMap whole = MemoryMap::read(*linkedImageCalls(), text, &once);
        const MemoryMap parts = MemoryMap::read(*linkedImageCalls(), text, &windowed, {1, 1 << 16});
        QCOMPARE(segmentsOf(parts), segmentsOf(whole));
        QCOMPARE(overlapsOf(parts), overlapsOf(whole));
        QCOMPARE(parts.start(), whole.start());
        QCOMPARE(parts.stop() ? parts.stop()->line : 0, whole.stop() ? whole.stop()->line : 0);
        QCOMPARE(windowed.size(), once.size());
        std::vector<AddressIndex::Record> records;
        once.forEach([&](const AddressIndex::Record &r) { records.push_back(r); });
        std::size_t i = 0;
        windowed.forEach([&](const AddressIndex::Record &r) {
            QVERIFY(i < records.size() && r.line == records[i].line
                    && r.address == records[i].address && r.length == records[i].length);
            ++i;
        });
    }

    // Past the number of segments kept, neighbours are kept together:
    // every hidden gap is shorter than hiddenGap(), every gap still shown
    // is not, and each kept segment counts the segments it holds.
    void manySegmentsAreKeptTogether()
    {
        QList<QByteArray> records;
        std::vector<std::uint32_t> lows;
        for (std::uint32_t at = 0, step = 32; at + 16 <= 0x10000; at += step, step = 32 + (step * 7) % 200) {
            records << rec(0, std::uint16_t(at), k16);
            lows.push_back(at);
        }
        const QByteArray text = hexText(records);
        for (const std::size_t kept : {std::size_t(2), std::size_t(5), std::size_t(64)}) {
            const MemoryMap map = MemoryMap::read(*linkedImageCalls(), text, nullptr, {1, kept});
            QVERIFY(map.segments().size() <= kept && map.hiddenGap() > 0);
            std::size_t next = 0;
            for (const MemoryMap::Segment &s : map.segments()) {
                QCOMPARE(s.low, lows[next]);
                for (std::uint32_t i = 1; i < s.pieces; ++i)
                    QVERIFY(lows[next + i] - (lows[next + i - 1] + 16) < map.hiddenGap());
                next += s.pieces;
                QCOMPARE(s.high, lows[next - 1] + 15);
                if (next < lows.size())
                    QVERIFY(lows[next] - (s.high + 1) >= map.hiddenGap());
            }
            QCOMPARE(next, lows.size());
        }
    }

    void steppingThroughSegments_data()
    {
        QTest::addColumn<qlonglong>("address");
        QTest::addColumn<int>("next");     // -1: none
        QTest::addColumn<int>("previous"); // -1: none
        QTest::newRow("below the first") << 0x0LL << 0 << -1;
        QTest::newRow("in the first") << 0x08000008LL << 1 << -1;
        QTest::newRow("in the gap") << 0x08001000LL << 1 << 0;
        QTest::newRow("in the second") << 0x08004000LL << 2 << 0;
        QTest::newRow("in the last") << 0x20000000LL << -1 << 1;
        QTest::newRow("above the last") << 0xF0000000LL << -1 << 2;
    }

    void steppingThroughSegments()
    {
        QFETCH(qlonglong, address);
        QFETCH(int, next);
        QFETCH(int, previous);
        const MemoryMap map = MemoryMap::read(
            *linkedImageCalls(),
            hexText({kLinear0800, rec(0, 0, k16), rec(0, 0x4000, k16),
                     rec(4, 0, QByteArray::fromHex("2000")), rec(0, 0, k16)}));
        auto index = [](std::optional<std::size_t> i) { return i ? int(*i) : -1; };
        QCOMPARE(index(map.nextSegment(std::uint32_t(address))), next);
        QCOMPARE(index(map.previousSegment(std::uint32_t(address))), previous);
    }

    // Kinds of the bands from address 0 up: S segment, G gap to scale,
    // g shortened gap.
    void layouts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<QString>("kinds");
        const QByteArray block = QByteArray(256, '\x00');
        QList<QByteArray> stm32{kLinear0800};
        for (int at = 0; at < 0x200; at += 16)
            stm32 << rec(0, std::uint16_t(at), k16);
        for (int at = 0x4000; at < 0x8000; at += 16)
            stm32 << rec(0, std::uint16_t(at), k16);
        QTest::newRow("empty") << hexText({}) << 300 << "g";
        QTest::newRow("a flash at 08000000, its gap to scale")
            << hexText(stm32) << 300 << "g S G S g";
        QTest::newRow("at both ends of the space")
            << hexText({rec(0, 0, k16), rec(4, 0, QByteArray::fromHex("FFFF")),
                        rec(0, 0xFFF0, k16)})
            << 300 << "S g S";
        QTest::newRow("a short gap beside a long one")
            << hexText({rec(0, 0, k16), rec(0, 0x20, k16), rec(4, 0, QByteArray::fromHex("1000")),
                        rec(0, 0, k16)})
            << 300 << "S G S g S g";
        QList<QByteArray> many;
        for (int at = 0; at < 0x10000; at += 32)
            many << rec(0, std::uint16_t(at), k16);
        QTest::newRow("more segments than pixels") << hexText(many) << 100 << QString();
    }

    void layouts()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, pixels);
        QFETCH(QString, kinds);
        const MemoryMap map = MemoryMap::read(*linkedImageCalls(), text);
        const MapLayout layout(map, pixels);
        QStringList seen;
        int at = 0;
        double scale = 0;
        for (const MapLayout::Band &band : layout.bands()) {
            seen << (band.kind == MapLayout::Kind::Segment ? "S"
                     : band.kind == MapLayout::Kind::Gap   ? "G"
                                                           : "g");
            QCOMPARE(band.from, at);
            QVERIFY(band.to >= band.from);
            at = band.to;
            const double length = double(band.high) - band.low + 1;
            // Bands to scale above their least height share one scale,
            // give or take the rounding of each end.
            if (band.kind != MapLayout::Kind::ShortenedGap && band.to - band.from > 10) {
                const double own = (band.to - band.from) / length;
                if (scale == 0)
                    scale = own;
                QVERIFY2(std::abs(own / scale - 1) < 2.0 / (band.to - band.from), qPrintable(seen.join(' ')));
            }
            if (!kinds.isEmpty() && band.kind == MapLayout::Kind::Segment)
                QVERIFY(band.to - band.from >= MapLayout::kSegmentPixels - 1);
            QCOMPARE(layout.pixelOf(band.low), band.from);
        }
        QCOMPARE(at, pixels);
        if (!kinds.isEmpty())
            QCOMPARE(seen.join(u' '), kinds);
        for (int pixel = 0; pixel < pixels; ++pixel) {
            const std::optional<std::size_t> band = layout.bandAt(pixel);
            QVERIFY(band && layout.bands()[*band].from <= pixel && pixel < layout.bands()[*band].to);
        }
        QVERIFY(!layout.bandAt(pixels));
    }
};

QTEST_APPLESS_MAIN(MemoryMapTest)
#include "memory_map_test.moc"
