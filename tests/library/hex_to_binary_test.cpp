#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

constexpr uint32_t unwritten = 0xDEADBEEF;

struct LoadRequest {
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t fill = 0xFF;
    uint32_t capacity = 0x10000;
    ProgressLog *log = nullptr;
    int32_t textLength = -1;
};

struct Load {
    int32_t result = 0;
    uint32_t imageSize = unwritten;
    uint32_t end = 0;
    std::vector<uint8_t> image;
    bool guardIntact = false;
    bool imageUntouched = false;
};

Load load(const std::string &text, const LoadRequest &request = {})
{
    GuardedBuffer<uint8_t> image(request.capacity);
    Load outcome;
    outcome.end = request.end;
    int32_t textLength = request.textLength >= 0 ? request.textLength : int32_t(text.size());
    ProgressLog *log = request.log;
    std::unique_ptr<char[]> exactText = exactCopy(text);
    outcome.result = HexToBinary(exactText.get(), image.data(), textLength, image.capacity(),
                                 &outcome.imageSize, &request.start, &outcome.end, request.fill,
                                 log ? log->userValue() : 0, log ? &ProgressLog::report : nullptr);
    outcome.guardIntact = image.guardIntact();
    outcome.imageUntouched = image.untouched();
    size_t kept =
        std::min<size_t>(outcome.imageSize == unwritten ? 0 : outcome.imageSize, request.capacity);
    outcome.image.assign(image.data(), image.data() + kept);
    return outcome;
}

} // namespace

TEST(HexToBinary, RecordErrorsReturnAtOnce)
{
    struct ErrorCase {
        std::string text;
        int32_t result;
    };
    const ErrorCase cases[] = {
        {"", ResultNotIntelHex},
        {"\r\n:00000001FF\r\n", ResultNotIntelHex},
        {"\xEF\xBB\xBF:00000001FF\r\n", ResultNotIntelHex},
        {":0400000001020304F2\r\n", ResultNotIntelHex},
        {":0400000001020304F2", ResultNotIntelHex},
        {":0400000001020304F2:00000001FF\r\n", ResultNotIntelHex},
        {":0400000001020304F2\r\n; note\r\n:00000001FF\r\n", ResultNotIntelHex},
        {":0400000001020304F2\r\n0400040005060708DE\r\n:00000001FF\r\n", ResultNotIntelHex},
        {":0400000001020304F2\r\n", ResultNotIntelHex},
        {hexFile({":0a0000000102030405060708090abe"}), ResultChecksumError},
        {hexFile({":0400000001020304F3"}), ResultChecksumError},
        {":0400000001020304F2\r\n:0100000100FE\r\n", ResultEndRecordError},
        {hexFile({":00000006FA"}), ResultNotIntelHex},
    };
    for (const ErrorCase &row : cases) {
        SCOPED_TRACE(row.text);
        Load outcome = load(row.text);
        EXPECT_EQ(outcome.result, row.result);
        EXPECT_EQ(outcome.imageSize, unwritten);
        EXPECT_TRUE(outcome.imageUntouched);
    }
}

TEST(HexToBinary, ReadsUpToTheEndRecordOnly)
{
    std::string text = ":0400000001020304F2\r\n\r\n\n:00000001FF\r\nafter the end :zz";
    Load outcome = load(text);
    ASSERT_EQ(outcome.result, ResultOk);
    EXPECT_EQ(outcome.end, 3u);
    EXPECT_EQ(outcome.image, (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(HexToBinary, AutomaticEndIsTheHighestByteWritten)
{
    struct EndCase {
        const char *name;
        std::vector<std::string> records;
        uint32_t end;
    };
    const std::vector<uint8_t> sixteen = rampBytes(16);
    const EndCase cases[] = {
        {"ascending", {dataRecord(0x000, sixteen), dataRecord(0x010, sixteen)}, 0x1F},
        {"descending", {dataRecord(0x100, sixteen), dataRecord(0x000, sixteen)}, 0x10F},
        {"base last", {dataRecord(0x000, {1, 2, 3, 4}), linearRecord(0x0002)}, 0x03},
        {"empty record last", {dataRecord(0x020, {1, 2, 3, 4}), dataRecord(0x1000, {})}, 0x23},
        {"no data", {linearRecord(0x0001)}, 0xFFFFFFFF},
        {"empty record only", {dataRecord(0x1000, {})}, 0xFFFFFFFF},
        {"end record alone", {}, 0xFFFFFFFF},
    };
    for (const EndCase &row : cases) {
        SCOPED_TRACE(row.name);
        Load outcome = load(hexFile(row.records));
        EXPECT_EQ(outcome.result, ResultOk);
        EXPECT_EQ(outcome.end, row.end);
        EXPECT_EQ(outcome.imageSize, row.end + 1);
        EXPECT_TRUE(row.end != 0xFFFFFFFF || outcome.imageUntouched);
    }
}

TEST(HexToBinary, RecordsOutOfOrderBothArrive)
{
    Load outcome = load(
        hexFile({dataRecord(0x100, rampBytes(16, 0x40)), dataRecord(0x000, rampBytes(16, 0x80))}),
        {.fill = 0x5A});
    ASSERT_EQ(outcome.result, ResultOk);
    ASSERT_EQ(outcome.image.size(), 0x110u);
    EXPECT_EQ(slice(outcome.image, 0x000, 16), rampBytes(16, 0x80));
    EXPECT_EQ(slice(outcome.image, 0x010, 0xF0), std::vector<uint8_t>(0xF0, 0x5A));
    EXPECT_EQ(slice(outcome.image, 0x100, 16), rampBytes(16, 0x40));
}

TEST(HexToBinary, LinearBaseLiftsTheData)
{
    Load outcome = load(hexFile({linearRecord(0x0001), dataRecord(0x0000, {1, 2, 3, 4})}),
                        {.fill = 0x00, .capacity = 0x20000});
    ASSERT_EQ(outcome.result, ResultOk);
    EXPECT_EQ(outcome.end, 0x10003u);
    ASSERT_EQ(outcome.imageSize, 0x10004u);
    EXPECT_EQ(slice(outcome.image, 0, 0x10000), std::vector<uint8_t>(0x10000, 0x00));
    EXPECT_EQ(slice(outcome.image, 0x10000, 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(HexToBinary, ExtendedAddressesOfBothWritersReadAlike)
{
    struct BaseCase {
        const char *name;
        std::vector<std::string> records;
        uint32_t landing;
    };
    const BaseCase cases[] = {
        {"segment after linear", {linearRecord(0x0010), segmentRecord(0x1000)}, 0x110010},
        {"linear alone", {linearRecord(0x0011)}, 0x110010},
        {"linear resets segment", {segmentRecord(0x1000), linearRecord(0x0010)}, 0x100010},
        {"segment alone", {segmentRecord(0x1000)}, 0x10010},
        {"segment replaces segment", {segmentRecord(0x1000), segmentRecord(0x2000)}, 0x20010},
        {"after 1 MiB, both records", {segmentRecord(0x0000), linearRecord(0x0010)}, 0x100010},
        {"top of the first MiB", {segmentRecord(0xF000)}, 0xF0010},
    };
    for (const BaseCase &row : cases) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> records = row.records;
        records.push_back(dataRecord(0x0010, {0xC1, 0xC2}));
        Load outcome = load(hexFile(records), {.capacity = 0x200000});
        ASSERT_EQ(outcome.result, ResultOk);
        EXPECT_EQ(outcome.end, row.landing + 1);
        EXPECT_EQ(slice(outcome.image, row.landing, 2), (std::vector<uint8_t>{0xC1, 0xC2}));
    }
}

TEST(HexToBinary, RecordAcross64KiBRunsOn)
{
    Load outcome = load(hexFile({dataRecord(0xFFF8, rampBytes(16, 1))}), {.capacity = 0x20000});
    ASSERT_EQ(outcome.result, ResultOk);
    EXPECT_EQ(outcome.end, 0x10007u);
    EXPECT_EQ(slice(outcome.image, 0xFFF8, 16), rampBytes(16, 1));
}

TEST(HexToBinary, SparseRecordsLoad)
{
    // After 04 then 02 the data lies far beyond the base the last record set.
    Load far = load(hexFile({dataRecord(0, {9}), linearRecord(0x0010), segmentRecord(0xF000),
                             dataRecord(0, {1, 2})}),
                    {.capacity = 0x200000});
    ASSERT_EQ(far.result, ResultOk);
    EXPECT_EQ(far.end, 0x1F0001u);
    EXPECT_EQ(far.image[0], 9);
    EXPECT_EQ(slice(far.image, 0x1F0000, 2), (std::vector<uint8_t>{1, 2}));

    Load high =
        load(hexFile({dataRecord(0, {9}), linearRecord(0x0100), dataRecord(0xFFF8, rampBytes(16))}),
             {.start = 0x100FFF0, .end = 0x101000F, .fill = 0x00, .capacity = 32});
    ASSERT_EQ(high.result, ResultOk);
    EXPECT_EQ(slice(high.image, 0, 8), std::vector<uint8_t>(8, 0x00));
    EXPECT_EQ(slice(high.image, 8, 16), rampBytes(16));
    EXPECT_EQ(slice(high.image, 24, 8), std::vector<uint8_t>(8, 0x00));
}

TEST(HexToBinary, ManualWindowCutsTheAddressSpace)
{
    std::vector<std::string> records;
    for (uint16_t address = 0; address < 0x300; address += 16)
        records.push_back(dataRecord(address, rampBytes(16, uint8_t(address >> 4))));
    Load outcome = load(hexFile(records), {.start = 0x100, .end = 0x1FF});
    ASSERT_EQ(outcome.result, ResultOk);
    EXPECT_EQ(outcome.end, 0x1FFu);
    ASSERT_EQ(outcome.imageSize, 256u);
    for (uint32_t offset = 0; offset < 256; offset += 16)
        EXPECT_EQ(slice(outcome.image, offset, 16), rampBytes(16, uint8_t(0x10 + (offset >> 4))));
}

TEST(HexToBinary, WindowBeyondTheDataIsFill)
{
    Load outcome = load(hexFile({dataRecord(2, {1, 2})}), {.start = 0, .end = 5, .fill = 0x1AB});
    ASSERT_EQ(outcome.result, ResultOk);
    EXPECT_EQ(outcome.image, (std::vector<uint8_t>{0xAB, 0xAB, 1, 2, 0xAB, 0xAB}));

    Load beyond =
        load(hexFile({dataRecord(2, {1, 2})}), {.start = 0x100000, .end = 0x10000F, .fill = 0x77});
    ASSERT_EQ(beyond.result, ResultOk);
    EXPECT_EQ(beyond.image, std::vector<uint8_t>(16, 0x77));
}

TEST(HexToBinary, WindowLargerThanCapacityOverflows)
{
    std::string text = hexFile({dataRecord(0, {1, 2, 3, 4})});
    Load tight = load(text, {.capacity = 4});
    EXPECT_EQ(tight.result, ResultOk);
    EXPECT_TRUE(tight.guardIntact);

    Load overflow = load(text, {.capacity = 3});
    EXPECT_EQ(overflow.result, ResultOverflow);
    EXPECT_EQ(overflow.imageSize, 4u);
    EXPECT_TRUE(overflow.imageUntouched);
}

TEST(HexToBinary, WholeAddressSpaceWindowOverflows)
{
    Load outcome = load(hexFile({dataRecord(0, {1, 2, 3, 4})}),
                        {.start = 0, .end = 0xFFFFFFFF, .capacity = 64});
    EXPECT_EQ(outcome.result, ResultOverflow);
    EXPECT_TRUE(outcome.imageUntouched);
}

TEST(HexToBinary, AddressSpaceEndsAt4GiB)
{
    std::vector<std::string> top = {linearRecord(0xFFFF), dataRecord(0xFFF0, rampBytes(16))};
    Load topmost = load(hexFile(top), {.start = 0xFFFFFFF0, .end = 0xFFFFFFFF, .capacity = 16});
    EXPECT_EQ(topmost.result, ResultOk);
    EXPECT_EQ(topmost.image, rampBytes(16));

    const std::vector<std::vector<std::string>> files = {
        {linearRecord(0xFFFF), segmentRecord(0x1000), dataRecord(0, {1})},
        {linearRecord(0xFFFF), dataRecord(0xFFF8, rampBytes(16))},
    };
    for (const std::vector<std::string> &records : files) {
        SCOPED_TRACE(records.back());
        Load outcome = load(hexFile(records));
        EXPECT_EQ(outcome.result, ResultAddressFault);
        EXPECT_EQ(outcome.imageSize, unwritten);
    }
}

TEST(HexToBinary, ReportsBeforeEachRecord)
{
    std::string text = ":0400000001020304F2\r\n\r\n:0400100005060708D2\n:00000001FF\r\n";
    ProgressLog log;
    Load outcome = load(text, {.log = &log, .textLength = 12345});
    ASSERT_EQ(outcome.result, ResultOk);
    EXPECT_EQ(log.doneValues(), (std::vector<int32_t>{0, 23, 43}));
    for (const ProgressLog::Call &call : log.calls)
        EXPECT_EQ(call.total, 12345);
}

TEST(HexToBinary, LastReportBeforeARecordErrorIsWhereItLies)
{
    // Callers find the line of a record error from the last report.
    const std::string good = ":0400000001020304F2\r\n";
    struct WhereCase {
        const char *name;
        std::string text;
        int32_t result;
        int32_t done;
    };
    const WhereCase cases[] = {
        {"bad checksum", good + good + ":00000001FE\r\n", ResultChecksumError, 42},
        {"text between records", good + "\r\n# note\r\n", ResultNotIntelHex, 23},
        {"no end record", good + good, ResultNotIntelHex, 42},
        {"beyond 4 GiB", good + linearRecord(0xFFFF) + "\n" + dataRecord(0xFFFF, {1, 2}) + "\n",
         ResultAddressFault, 37},
    };
    for (const WhereCase &row : cases) {
        SCOPED_TRACE(row.name);
        ProgressLog log;
        EXPECT_EQ(load(row.text, {.log = &log}).result, row.result);
        ASSERT_FALSE(log.calls.empty());
        EXPECT_EQ(log.calls.back().done, row.done);
    }
}

TEST(HexToBinary, CancelIsAlwaysCancelledAndDeliversTheWindowReadSoFar)
{
    const std::string text = hexFile({dataRecord(0, {1, 2, 3, 4}), dataRecord(4, {5, 6})});
    struct CancelCase {
        const char *name;
        size_t stopAt;
        uint32_t start;
        uint32_t end;
        uint32_t capacity;
        std::vector<uint8_t> image;
    };
    const std::vector<uint8_t> none;
    const CancelCase cases[] = {
        {"before any record", 1, 0, 0, 0x10000, none},
        {"given end", 2, 0, 7, 0x10000, {1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}},
        {"automatic end", 2, 0, 0, 0x10000, {1, 2, 3, 4}},
        {"start beyond what was read", 2, 5, 0, 0x10000, none},
        {"start beyond, nothing read", 1, 5, 0, 0x10000, none},
        {"start beyond, no room", 1, 5, 0, 0, none},
        {"window beyond the room", 2, 0, 7, 4, none},
    };
    for (const CancelCase &row : cases) {
        SCOPED_TRACE(row.name);
        ProgressLog log;
        log.stopAt = row.stopAt;
        Load outcome = load(text, {.start = row.start,
                                   .end = row.end,
                                   .fill = 0xEE,
                                   .capacity = row.capacity,
                                   .log = &log});
        EXPECT_EQ(outcome.result, ResultCancelled);
        EXPECT_EQ(log.calls.size(), row.stopAt);
        EXPECT_EQ(outcome.end, row.end);
        EXPECT_TRUE(outcome.guardIntact);
        if (outcome.imageSize <= row.capacity)
            EXPECT_EQ(outcome.image, row.image);
        else
            EXPECT_TRUE(outcome.imageUntouched);
    }
}
