// HEX to binary read as two parts at once gives what one pass gives: the
// same bytes, result and line at fault, whatever the records do across the
// middle of the text, and every byte of the output written once. Binary to
// HEX and the dump written as two parts give one pass's text, whatever the
// records' addresses do at the cut.
#include "core/ConversionEngine.h"
#include "core/LinkedLibraryCalls.h"
#include "support/test_images.h"

#include <QTest>

#include <cstring>
#include <functional>
#include <mutex>

Q_DECLARE_METATYPE(ConversionSettings)

namespace {

const LibraryCalls kLibrary = linkedLibraryCalls();
// Where neither part wrote: differs from every fill byte used here.
constexpr char kUnwritten = '\xEE';

// `image` at `base` as 16-byte records, an extended linear address record
// at its start and at every 64 KiB.
QList<QByteArray> records(std::uint32_t base, const QByteArray &image)
{
    QList<QByteArray> out;
    for (qsizetype at = 0; at < image.size(); at += 16) {
        const std::uint32_t address = base + std::uint32_t(at);
        if (at == 0 || (address & 0xFFFF) == 0)
            out.append(hexRecord(0x04, 0,
                                 QByteArray::fromHex(QByteArray::number(address >> 16, 16)
                                                         .rightJustified(4, '0'))));
        out.append(hexRecord(0x00, std::uint16_t(address), image.mid(at, 16)));
    }
    return out;
}

QByteArray joined(const QList<QByteArray> &lines)
{
    return lines.join("\r\n") + "\r\n";
}

ConversionSettings window(std::uint32_t first, std::uint32_t last)
{
    ConversionSettings settings;
    settings.rangeGiven = true;
    settings.exactEnd = true;
    settings.start = std::int32_t(first);
    settings.end = std::int32_t(last);
    return settings;
}

ConversionSettings fromLowest()
{
    ConversionSettings settings;
    settings.fromLowest = true;
    return settings;
}

struct Made {
    std::int32_t result = 0;
    QByteArray bytes;
    std::uint64_t line = 0;
    int placed = 0;
    QString checksum;
};

using Job = std::function<std::int32_t(ConversionEngine &)>;

Made run(const Job &job, const ConversionSettings &settings, bool twoParts)
{
    ConversionEngine engine(kLibrary, settings);
    engine.setTwoPartsFrom(twoParts ? 1 : UINT64_MAX);
    Made made;
    std::mutex mutex;
    qsizetype inOrder = 0;
    auto write = [&made](std::uint64_t offset, QByteArrayView bytes) {
        if (made.bytes.size() < qsizetype(offset) + bytes.size())
            made.bytes.resize(qsizetype(offset) + bytes.size(), kUnwritten);
        std::memcpy(made.bytes.data() + offset, bytes.data(), std::size_t(bytes.size()));
    };
    engine.setSink(
        [&](QByteArrayView bytes) {
            const std::lock_guard lock(mutex);
            write(std::uint64_t(inOrder), bytes);
            inOrder += bytes.size();
            return true;
        },
        [&] {
            const std::lock_guard lock(mutex);
            made.bytes.clear();
            inOrder = 0;
            return true;
        });
    engine.setPlacedSink([&](std::uint64_t offset, QByteArrayView bytes) {
        const std::lock_guard lock(mutex);
        write(offset, bytes);
        ++made.placed;
        return true;
    });
    made.result = job(engine);
    made.line = engine.place() ? engine.place()->line : 0;
    made.checksum = engine.checksum();
    return made;
}

Made toBinary(const QByteArray &text, const ConversionSettings &settings, bool twoParts)
{
    return run([&](ConversionEngine &e) { return e.hexToBinary(text); }, settings, twoParts);
}

// The same into the engine's own buffer, the second part copied into it.
Made toBuffer(const QByteArray &text, const ConversionSettings &settings)
{
    ConversionEngine engine(kLibrary, settings);
    engine.setTwoPartsFrom(1);
    Made made;
    made.result = engine.hexToBinary(text);
    made.bytes = engine.output().toByteArray();
    made.line = engine.place() ? engine.place()->line : 0;
    return made;
}

} // namespace

class TwoPartsTest : public QObject {
    Q_OBJECT

private slots:
    void twoPartsGiveWhatOnePassGives_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<ConversionSettings>("settings");
        // Whether the second part's bytes are placed (else the text goes
        // back to one pass, or to the image).
        QTest::addColumn<bool>("placed");
        const QByteArray image = sampleImage(256 * 1024, 3);
        const QList<QByteArray> whole = records(0x08000000, image);
        const QByteArray end = hexRecord(0x01, 0, {});
        QList<QByteArray> badLate = whole, badEarly = whole;
        badLate[whole.size() * 3 / 4].back() ^= 1;
        badEarly[whole.size() / 4].back() ^= 1;
        // The middle falls after low's last 04 record: the second part
        // begins with high's, a gap away.
        const QList<QByteArray> low = records(0x08008000, image.first(144 * 1024));
        const QList<QByteArray> high = records(0x08100000, image.sliced(144 * 1024));
        QList<QByteArray> bases(20000, hexRecord(0x04, 0, QByteArray::fromHex("0900")));

        QTest::newRow("in order") << hexText(whole) << fromLowest() << true;
        QTest::newRow("window across the middle")
            << hexText(whole) << window(0x08010000, 0x0803BFFF) << true;
        QTest::newRow("window within the second part")
            << hexText(whole) << window(0x0803C000, 0x0803FFFF) << true;
        QTest::newRow("fill past the data to a fixed end")
            << hexText(whole) << window(0x08000000, 0x0804FFFF) << true;
        QTest::newRow("gap at the middle") << hexText(low + high) << fromLowest() << true;
        QTest::newRow("second part below the first")
            << hexText(high + low) << fromLowest() << false;
        QTest::newRow("second part without data")
            << hexText(records(0x08000000, image.first(64 * 1024)) + bases) << fromLowest()
            << false;
        QTest::newRow("checksum wrong in the second part")
            << hexText(badLate) << fromLowest() << false;
        QTest::newRow("checksum wrong in the first part")
            << hexText(badEarly) << fromLowest() << false;
        QTest::newRow("end record before the middle")
            << joined(low + QList<QByteArray>{end} + high + QList<QByteArray>{end}) << fromLowest()
            << false;
        QTest::newRow("no end record") << joined(whole) << fromLowest() << false;
    }

    void twoPartsGiveWhatOnePassGives()
    {
        QFETCH(QByteArray, text);
        QFETCH(ConversionSettings, settings);
        QFETCH(bool, placed);
        const Made one = toBinary(text, settings, false);
        const Made two = toBinary(text, settings, true);
        QCOMPARE(one.placed, 0);
        QCOMPARE(two.result, one.result);
        QCOMPARE(two.line, one.line);
        QCOMPARE(two.bytes.size(), one.bytes.size());
        QVERIFY(two.bytes == one.bytes);
        if (placed)
            QVERIFY(two.placed > 0);
        const Made buffered = toBuffer(text, settings);
        QCOMPARE(buffered.result, one.result);
        QCOMPARE(buffered.line, one.line);
        if (one.result == ResultOk)
            QVERIFY(buffered.bytes == one.bytes);
    }

    void writtenInTwoPartsAsInOne_data()
    {
        QTest::addColumn<bool>("dump");
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<ConversionSettings>("settings");
        QTest::addColumn<bool>("placed");
        ConversionSettings plain;
        ConversionSettings oddRecords;
        oddRecords.recordLength = 0x11;
        oddRecords.newLine = 0x0A;
        oddRecords.startAddress = 0x08000123;
        oddRecords.base = 0x08001000;
        // From 0C0000 the cut falls at 1 MiB, where automatic address
        // records turn from 02 to 02 0000 and 04.
        ConversionSettings segmentsToLinear;
        segmentsToLinear.base = 0x000C0000;
        segmentsToLinear.addressRecords = KESTRUN_ADDRESS_AUTO;
        ConversionSettings segments;
        segments.addressRecords = KESTRUN_ADDRESS_SEGMENT;
        ConversionSettings within = window(0x1235, 0x5FFFF);
        ConversionSettings pastData = window(0, 0x7FFFF);

        QTest::newRow("HEX") << false << qsizetype(256 * 1024) << plain << true;
        QTest::newRow("HEX, 17-byte records from a base, LF, start record")
            << false << qsizetype(300 * 1024 + 5) << oddRecords << true;
        QTest::newRow("HEX, 02 to 04 at the cut")
            << false << qsizetype(512 * 1024) << segmentsToLinear << true;
        QTest::newRow("HEX, 02 records") << false << qsizetype(200 * 1024) << segments << true;
        QTest::newRow("HEX of a window") << false << qsizetype(512 * 1024) << within << true;
        QTest::newRow("HEX past the data") << false << qsizetype(256 * 1024) << pastData << false;
        QTest::newRow("HEX, one block") << false << qsizetype(40 * 1024) << plain << false;
        QTest::newRow("dump") << true << qsizetype(256 * 1024 + 7) << plain << true;
        QTest::newRow("dump of a window cut at its first line")
            << true << qsizetype(512 * 1024) << within << true;
        QTest::newRow("dump past the data") << true << qsizetype(256 * 1024) << pastData << false;
    }

    void writtenInTwoPartsAsInOne()
    {
        QFETCH(bool, dump);
        QFETCH(qsizetype, size);
        QFETCH(ConversionSettings, settings);
        QFETCH(bool, placed);
        const QByteArray image = sampleImage(size, 5);
        const Job job = [&](ConversionEngine &e) {
            MemoryPieces pieces(image);
            return dump ? e.binaryToDump(pieces) : e.binaryToHex(pieces);
        };
        const Made one = run(job, settings, false);
        const Made two = run(job, settings, true);
        QCOMPARE(one.result, ResultOk);
        QCOMPARE(two.result, ResultOk);
        QCOMPARE(one.placed, 0);
        QCOMPARE(two.placed > 0, placed);
        QCOMPARE(two.bytes.size(), one.bytes.size());
        QVERIFY(two.bytes == one.bytes);
        ConversionEngine buffered(kLibrary, settings);
        buffered.setTwoPartsFrom(1);
        QCOMPARE(job(buffered), ResultOk);
        QVERIFY(buffered.output().toByteArray() == one.bytes);
        QCOMPARE(two.checksum, one.checksum);
    }
};

QTEST_GUILESS_MAIN(TwoPartsTest)
#include "two_parts_test.moc"
