// The engine's sizing against the real library: outputs sized beforehand
// must be exactly what the library writes, images grow to what the text
// needs, and windows that start elsewhere than address 0 come out at their
// own addresses.
#include "core/ConversionEngine.h"
#include "core/LinkedLibraryCalls.h"

#include <QTest>

namespace {

const LibraryCalls kLibrary = linkedLibraryCalls();

QByteArray ramp(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

QByteArray record(int type, std::uint16_t address, const QByteArray &data)
{
    QByteArray bytes;
    bytes += char(data.size());
    bytes += char(address >> 8);
    bytes += char(address & 0xFF);
    bytes += char(type);
    bytes += data;
    std::uint8_t sum = 0;
    for (const char b : bytes)
        sum += std::uint8_t(b);
    bytes += char(std::uint8_t(0x100 - sum));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

QByteArray linear(std::uint16_t upper)
{
    return record(4, 0, QByteArray::fromHex(QByteArray::number(upper, 16).rightJustified(4, '0')));
}

const QByteArray kEnd = ":00000001FF\r\n";

ConversionSettings settings(const std::function<void(ConversionSettings &)> &change = {})
{
    ConversionSettings s;
    if (change)
        change(s);
    return s;
}

} // namespace

class ConversionEngineTest : public QObject {
    Q_OBJECT

private slots:
    void hexTextIsSizedExactly_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("recordLength");
        QTest::addColumn<uint>("newLine");
        QTest::addColumn<qlonglong>("base");
        QTest::newRow("one byte, records of 1") << 1 << 1 << 0x0A0Du << -1ll;
        QTest::newRow("17 bytes") << 17 << 16 << 0x000Au << -1ll;
        QTest::newRow("records of 1 past 64 KiB") << 0x10003 << 1 << 0x0A0Du << -1ll;
        QTest::newRow("records of 24 across a boundary") << 0x10006 << 24 << 0x000Du << -1ll;
        QTest::newRow("past 1 MiB") << 0x100010 << 255 << 0x0A0Du << -1ll;
        QTest::newRow("base in the first block") << 0x20000 << 32 << 0x0A0Du << 0x123ll;
        QTest::newRow("base just below a boundary") << 40 << 16 << 0x000Au << 0xFFF8ll;
        QTest::newRow("base high, records of 1") << 0x10001 << 1 << 0x0A0Du << 0x08000001ll;
        QTest::newRow("base at the top") << 16 << 16 << 0x0A0Du << 0xFFFFFFF0ll;
    }

    // Exactness is the point: the library leaves 512 bytes free before
    // each line, so a short count would fail and a long one waste.
    void hexTextIsSizedExactly()
    {
        QFETCH(int, length);
        QFETCH(int, recordLength);
        QFETCH(uint, newLine);
        QFETCH(qlonglong, base);
        const QByteArray data = ramp(length);
        ConversionEngine engine(kLibrary, settings([&](ConversionSettings &s) {
                                    s.recordLength = recordLength;
                                    s.newLine = newLine;
                                    if (base >= 0)
                                        s.base = std::uint32_t(base);
                                }));
        QCOMPARE(engine.binaryToHex(data), ResultOk);
        const auto from = base < 0 ? std::nullopt : std::optional<std::uint32_t>(base);

        // Read back from the lowest address, the bytes are the data's.
        const QByteArray text = engine.output().toByteArray();
        ConversionEngine reader(kLibrary,
                                settings([](ConversionSettings &s) { s.fromLowest = true; }));
        QCOMPARE(reader.hexToBinary(text), ResultOk);
        QCOMPARE(reader.output().toByteArray(), data);
        QCOMPARE(reader.windowStart(), std::uint32_t(from.value_or(0)));
        if (from)
            QVERIFY2(!text.contains(":02000002"), "a base writes linear records only");
    }

    void imagesGrowToWhatTheTextNeeds_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qlonglong>("size");
        QTest::addColumn<uint>("lowest");
        // Four bytes of text for each image byte would not fit Scope 1.
        QTest::newRow("Cortex-M flash")
            << linear(0x0800) + record(0, 0, "\x01\x02") + kEnd << 0x08000002ll << 0x08000000u;
        QTest::newRow("records out of order")
            << record(0, 0x4000, "\xAA") + record(0, 0x10, "\xBB") + kEnd << 0x4001ll << 0x10u;
    }

    void imagesGrowToWhatTheTextNeeds()
    {
        QFETCH(QByteArray, text);
        QFETCH(qlonglong, size);
        QFETCH(uint, lowest);
        QList<std::uint64_t> asked;
        ConversionEngine engine(kLibrary, settings([](ConversionSettings &s) { s.scope = 1; }));
        engine.setLargeImageCheck([&](std::uint64_t bytes, std::uint32_t low, std::uint32_t high) {
            asked << bytes << low << high;
            return ConversionEngine::LargeImageAnswer::Make;
        });
        QCOMPARE(engine.hexToBinary(text), ResultOk);
        QCOMPARE(engine.output().size(), size);
        QCOMPARE(std::uint8_t(engine.output().back()) != 0xFF, true);
        if (size > kLargeImage)
            QCOMPARE(asked,
                     (QList<std::uint64_t>{std::uint64_t(size), lowest, std::uint64_t(size - 1)}));
        else
            QVERIFY(asked.isEmpty());
    }

    void aDeclinedImageIsNotMade()
    {
        ConversionEngine engine(kLibrary, settings());
        engine.setLargeImageCheck([](std::uint64_t, std::uint32_t, std::uint32_t) {
            return ConversionEngine::LargeImageAnswer::Decline;
        });
        QCOMPARE(engine.hexToBinary(linear(0x0800) + record(0, 0, "\x01") + kEnd),
                 ConversionEngine::Declined);
        QVERIFY(engine.output().isEmpty());
    }

    // A null text has no NUL for the library to stop at.
    void aNullTextIsNotIntelHex()
    {
        for (bool fromLowest : {false, true}) {
            ConversionEngine engine(kLibrary, settings([fromLowest](ConversionSettings &s) {
                                        s.fromLowest = fromLowest;
                                    }));
            QCOMPARE(engine.hexToBinary(QByteArrayView()), ResultNotIntelHex);
            QCOMPARE(engine.hexToDump(QByteArrayView()), ResultNotIntelHex);
            QCOMPARE(engine.inspect(QByteArrayView()), ResultNotIntelHex);
        }
    }

    void imagesPast32BitsNameTheirSize()
    {
        const QByteArray text =
            record(0, 0, "\x01") + linear(0xFFFF) + record(0, 0xFFFF, "\x02") + kEnd;
        ConversionEngine engine(kLibrary, settings());
        QCOMPARE(engine.hexToBinary(text), ConversionEngine::TooLarge);
        QVERIFY(engine.failureMessage().contains(u"4294967296"));
        // From the lowest address it is the same four GiB.
        ConversionEngine fromLowest(kLibrary,
                                    settings([](ConversionSettings &s) { s.fromLowest = true; }));
        QCOMPARE(fromLowest.hexToBinary(text), ConversionEngine::TooLarge);
        // A bad record is that, whatever window its digits would make.
        QByteArray bad = text;
        bad.replace(":0100000001FE", ":0100000001FF");
        QCOMPARE(fromLowest.hexToBinary(bad), ResultChecksumError);
    }

    void exactEndsIncludeZero()
    {
        const QByteArray text = record(0, 0, "\x11\x22\x33") + kEnd;
        ConversionEngine image(
            kLibrary, settings([](ConversionSettings &s) { s.rangeGiven = s.exactEnd = true; }));
        QCOMPARE(image.hexToBinary(text), ResultOk);
        QCOMPARE(image.output().toByteArray(), QByteArray("\x11"));
        ConversionEngine hex(
            kLibrary, settings([](ConversionSettings &s) { s.rangeGiven = s.exactEnd = true; }));
        QCOMPARE(hex.binaryToHex("\x11\x22\x33"), ResultOk);
        QCOMPARE(hex.output().toByteArray(), QByteArray(":0100000011EE\r\n:00000001FF\r\n"));
    }

    void rangesWithoutDataAreRefused()
    {
        ConversionEngine engine(kLibrary, settings([](ConversionSettings &s) {
                                    s.rangeGiven = true;
                                    s.start = 0x100;
                                    s.end = 0x1FF;
                                }));
        QByteArray data(16, 'x');
        QCOMPARE(engine.binaryToHex(data), ConversionEngine::RangeFault);
        QCOMPARE(engine.failureMessage(),
                 QStringLiteral(
                     "アドレス範囲 100 - 1FF にはデータがありません (データは 16 バイトです)"));
        QCOMPARE(engine.binaryToDump(std::span(reinterpret_cast<std::uint8_t *>(data.data()), 16)),
                 ConversionEngine::RangeFault);
    }

    // The dump of an image that starts at its lowest data shows the data's
    // own addresses, in lines that keep their 16-byte columns.
    void dumpFromTheLowestDataShowsItsAddresses()
    {
        const QByteArray text = linear(0x0800) + record(0, 0x0008, "ABCDEFGHIJ") + kEnd;
        ConversionEngine engine(kLibrary, settings([](ConversionSettings &s) {
                                    s.fromLowest = true;
                                    s.newLine = 0x000A;
                                }));
        engine.setProgress(
            [](std::int32_t, std::int32_t, std::intptr_t) -> std::int32_t { return 1; }, 0);
        QCOMPARE(engine.hexToDump(text), ResultOk);
        const QByteArray lines = engine.output().toByteArray();
        QCOMPARE(
            lines,
            QByteArray(
                "    08000000                          41 42 43 44 45 46 47 48          ABCDEFGH\n"
                "    08000010  49 4A                                            IJ              "
                "\n"));
        QVERIFY(
            engine.reportHead(QStringLiteral("a.hex")).contains(u"Address  :  8000008 - 8000011"));
    }

    void imageOfOverlappingRecords()
    {
        const QByteArray text = record(0, 0x10, "\x01\x02\x03\x04") + record(0, 0x12, "\x10")
                                + record(0, 0x40, "\x05")
                                + record(5, 0, QByteArray("\x08\x00\x01\x31", 4)) + kEnd;
        ConversionEngine engine(kLibrary, settings());
        QCOMPARE(engine.inspect(text), ResultOk);
        const kestrun_image *image = engine.image();
        kestrun_segment segment{};
        QCOMPARE(kestrun_image_next(image, 0x15, &segment), ResultOk);
        QCOMPARE(segment.address, 0x40u);
        std::uint32_t lowest = 0, highest = 0, type = 0, start = 0;
        QCOMPARE(kestrun_image_bounds(image, &lowest, &highest), ResultOk);
        QCOMPARE(lowest, 0x10u);
        QCOMPARE(highest, 0x40u);
        QCOMPARE(kestrun_image_data_bytes(image), 5ull);
        QCOMPARE(engine.stats().records[0], 3ull);
        kestrun_image_start(image, &type, &start);
        QCOMPARE(start, 0x08000131u);
        // One conflict, named by both lines; the image keeps the later 10.
        QCOMPARE(engine.conflictCount(), 1ull);
        QCOMPARE(engine.conflicts().front().line, 2ull);
        QCOMPARE(engine.conflicts().front().earlier_line, 1ull);
        QCOMPARE(kestrun_image_sum(image, lowest, highest, 0), 0x01u + 0x02 + 0x10 + 0x04 + 0x05);
        QCOMPARE(engine.inspect(":0400000001020304F3\r\n" + kEnd), ResultChecksumError);
    }
};

QTEST_GUILESS_MAIN(ConversionEngineTest)
#include "conversion_engine_test.moc"
