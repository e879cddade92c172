#include "core/AddressIndex.h"
#include "core/LinkedLibraryCalls.h"

#include <QRandomGenerator>
#include <QTest>

#include <vector>

namespace {

// Data at 0000, an extended linear base of 0800 with two records, a
// segment base, and a bad record on line 8.
const QByteArray kText = ":0400000001020304F2\r\n"
                         ":020000040800F2\r\n"
                         ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                         ":020010001011CD\r\n"
                         ":020000021000EC\r\n"
                         ":01000200AA53\r\n"
                         ":00000001FF\r\n";

const QByteArray kBroken = ":0400000001020304F2\r\n"
                           ":0400040005060708DE\r\n"
                           ":04000800090A0B0C00\r\n"
                           ":00000001FF\r\n";

// S1, S2 and S3 data records, each address one byte longer.
const QByteArray kSRecords = "S1130000000102030405060708090A0B0C0D0E0F74\n"
                             "S20612345601025A\n"
                             "S30708000000AABB8B\n"
                             "S70500000000FA\n";

// LF CR line ends: an editor shows a line between each two records.
const QByteArray kLfCr = ":0400000001020304F2\n\r"
                         ":0400040005060708DE\n\r"
                         ":00000001FF\n\r";

// Line `line` (from 1) of `text` as an editor splits it: CR LF, LF and CR
// alone each end a line.
QByteArray editorLine(const QByteArray &text, int line)
{
    qsizetype at = 0;
    for (int n = 1; n < line && at < text.size(); ++n) {
        while (at < text.size() && text[at] != '\n' && text[at] != '\r')
            ++at;
        at += text.mid(at, 2) == "\r\n" ? 2 : 1;
    }
    qsizetype end = at;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    return text.mid(at, end - at);
}

// A HEX data record of `length` zero bytes at address 0, as a line.
QByteArray zeroRecord(int length)
{
    return ":" + QByteArray::number(length, 16).rightJustified(2, '0') + "000000"
           + QByteArray(2 * length, '0') + "00";
}

} // namespace

class AddressIndexTest : public QObject {
    Q_OBJECT

private slots:
    void addressesUnderTheCaret_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<qlonglong>("address"); // -1: none
        QTest::newRow("first digit of the first byte") << kText << 1 << 10 << 0x0LL;
        QTest::newRow("second digit of it") << kText << 1 << 11 << 0x0LL;
        QTest::newRow("last byte") << kText << 1 << 17 << 0x3LL;
        QTest::newRow("checksum") << kText << 1 << 18 << -1LL;
        QTest::newRow("type field") << kText << 1 << 9 << -1LL;
        QTest::newRow("base record") << kText << 2 << 10 << -1LL;
        QTest::newRow("linear base applied") << kText << 3 << 10 << 0x08000000LL;
        QTest::newRow("sixteenth byte") << kText << 3 << 41 << 0x0800000FLL;
        QTest::newRow("next record") << kText << 4 << 12 << 0x08000011LL;
        // As objcopy reads it: a segment base adds to the linear base in force.
        QTest::newRow("both bases applied") << kText << 6 << 10 << 0x08010002LL;
        QTest::newRow("end record") << kText << 7 << 10 << -1LL;
        QTest::newRow("past the last line") << kText << 9 << 10 << -1LL;
        QTest::newRow("above a bad record") << kBroken << 2 << 10 << 0x4LL;
        QTest::newRow("the bad record") << kBroken << 3 << 10 << -1LL;
        QTest::newRow("S1 data") << kSRecords << 1 << 9 << 0x0LL;
        QTest::newRow("S1 address") << kSRecords << 1 << 8 << -1LL;
        QTest::newRow("S2 data") << kSRecords << 2 << 13 << 0x123457LL;
        QTest::newRow("S2 address") << kSRecords << 2 << 10 << -1LL;
        QTest::newRow("S3 data") << kSRecords << 3 << 13 << 0x08000000LL;
        QTest::newRow("S3 checksum") << kSRecords << 3 << 17 << -1LL;
        QTest::newRow("S7 start") << kSRecords << 4 << 9 << -1LL;
        QTest::newRow("LF CR, first record") << kLfCr << 1 << 10 << 0x0LL;
        QTest::newRow("LF CR, the line between") << kLfCr << 2 << 10 << -1LL;
        QTest::newRow("LF CR, second record") << kLfCr << 3 << 12 << 0x5LL;
        QTest::newRow("LF CR, end record") << kLfCr << 5 << 10 << -1LL;
    }

    void addressesUnderTheCaret()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(qlonglong, address);
        const AddressIndex index = AddressIndex::read(*linkedImageCalls(), text);
        const std::optional<std::uint32_t> found =
            index.addressAt(std::uint64_t(line), editorLine(text, line), column);
        QCOMPARE(found ? qlonglong(*found) : -1LL, address);
    }

    // A line that no longer holds the record the index has for it has no
    // addresses: the text changed since it was read.
    void aChangedLineHasNoAddress()
    {
        const AddressIndex index = AddressIndex::read(*linkedImageCalls(), kText);
        QVERIFY(index.addressAt(1, ":0400000001020304F2", 10));
        QVERIFY(!index.addressAt(1, ":0300000001020304F2", 10));
        QVERIFY(!index.addressAt(1, "hello", 1));
        QVERIFY(!AddressIndex().addressAt(1, ":0400000001020304F2", 10));
    }

    // Where find selects an address's digits: the record's line, and the
    // columns of the bytes asked for, no further than the record's data.
    void digitsOfAnAddress_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qlonglong>("address");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("line"); // 0: none
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("width");
        QTest::newRow("first byte") << kText << 0x0LL << 1 << 1 << 10 << 2;
        QTest::newRow("two bytes") << kText << 0x08000001LL << 2 << 3 << 12 << 4;
        QTest::newRow("cut at the record's end") << kText << 0x0800000ELL << 4 << 3 << 38 << 4;
        QTest::newRow("in a gap") << kText << 0x08000012LL << 1 << 0 << 0 << 0;
        QTest::newRow("S2") << kSRecords << 0x123457LL << 1 << 2 << 13 << 2;
        QTest::newRow("S3") << kSRecords << 0x08000000LL << 2 << 3 << 13 << 4;
        QTest::newRow("LF CR") << kLfCr << 0x6LL << 1 << 3 << 14 << 2;
    }

    void digitsOfAnAddress()
    {
        QFETCH(QByteArray, text);
        QFETCH(qlonglong, address);
        QFETCH(int, count);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(int, width);
        const AddressIndex index = AddressIndex::read(*linkedImageCalls(), text);
        const std::optional<AddressIndex::Place> place = index.placeOf(std::uint32_t(address));
        QCOMPARE(place ? int(place->line) : 0, line);
        if (!place)
            return;
        const std::optional<AddressIndex::Digits> digits =
            index.digitsOf(editorLine(text, line), place->byte, std::uint32_t(count));
        QVERIFY(digits);
        QCOMPARE(digits->column, column);
        QCOMPARE(digits->width, width);
    }

    void recordsHoldingAnAddress_data()
    {
        QTest::addColumn<qlonglong>("address");
        QTest::addColumn<int>("line"); // 0: none
        QTest::newRow("first byte") << 0x0LL << 1;
        QTest::newRow("inside a record") << 0x08000007LL << 3;
        QTest::newRow("last byte of a record") << 0x08000011LL << 4;
        QTest::newRow("in a gap") << 0x08000012LL << 0;
        QTest::newRow("under both bases") << 0x08010002LL << 6;
        QTest::newRow("under the segment base alone") << 0x10002LL << 0;
    }

    void recordsHoldingAnAddress()
    {
        QFETCH(qlonglong, address);
        QFETCH(int, line);
        const AddressIndex index = AddressIndex::read(*linkedImageCalls(), kText);
        const std::optional<std::uint64_t> found = index.lineOf(std::uint32_t(address));
        QCOMPARE(found ? int(*found) : 0, line);
    }

    // Records kept as runs answer as the records one by one do: random
    // texts of stepped records on consecutive lines, broken by skipped
    // lines, other lengths, overlaps, descents and the end of the space.
    void runsAnswerAsTheRecords()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 40; ++round) {
            std::vector<AddressIndex::Record> records;
            AddressIndex index;
            index.setTokenizer(*linkedImageCalls(), KESTRUN_FORMAT_IHEX);
            std::uint64_t line = 1;
            std::uint32_t address = random.bounded(2) ? 0 : 0xFFFFF000u;
            std::uint16_t length = 16;
            std::uint32_t step = 16;
            for (int n = 0; n < 300; ++n) {
                switch (random.bounded(12)) {
                case 0: line += 1 + random.bounded(3); break;
                case 1: length = std::uint16_t(1 + random.bounded(32)); break;
                case 2: step = random.bounded(40); break;
                case 3: address = random.bounded(0x2000u); break;
                default: break;
                }
                if (std::uint64_t(address) + length > 0x100000000ull)
                    address = 0x100000000ull - length;
                const AddressIndex::Record record{line++, address, length};
                records.push_back(record);
                index.add(record);
                address += step;
            }
            QCOMPARE(index.size(), records.size());
            for (const AddressIndex::Record &r : records) {
                const QByteArray text = zeroRecord(r.length);
                for (int column = 9; column <= 11 + 2 * r.length; ++column) {
                    const int byte = (column - 10) / 2;
                    const std::optional<std::uint32_t> expected =
                        column >= 10 && byte < r.length ? std::optional(r.address + byte) : std::nullopt;
                    QCOMPARE(index.addressAt(r.line, text, column), expected);
                }
                for (const std::uint32_t at : {r.address, r.address + r.length - 1u, r.address + r.length}) {
                    std::optional<std::uint64_t> first;
                    for (const AddressIndex::Record &o : records)
                        if (!first && at - o.address < o.length)
                            first = o.line;
                    QCOMPARE(index.lineOf(at), first);
                }
            }
            for (std::uint64_t at = 0; at <= line + 1; ++at) {
                std::optional<std::uint64_t> above, below;
                for (const AddressIndex::Record &r : records) {
                    if (r.line <= at)
                        above = r.line;
                    if (r.line >= at && !below)
                        below = r.line;
                }
                const auto a = index.atOrAbove(at);
                const auto b = index.atOrBelow(at);
                QCOMPARE(a ? std::optional(a->line) : std::nullopt, above);
                QCOMPARE(b ? std::optional(b->line) : std::nullopt, below);
            }
        }
    }
};

QTEST_APPLESS_MAIN(AddressIndexTest)
#include "address_index_test.moc"
