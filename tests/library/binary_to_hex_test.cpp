#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

constexpr uint32_t unwritten = 0xDEADBEEF;
const std::string endRecord = ":00000001FF";

struct HexRequest {
    uint32_t start = 0;
    uint32_t end = 0;
    int32_t recordLength = 16;
    uint32_t blank = 0xFF;
    uint32_t newLine = KESTRUN_NEWLINE_CRLF;
    uint32_t capacity = 0x10000;
    ProgressLog *log = nullptr;
};

struct HexOutput {
    int32_t result = 0;
    uint32_t written = unwritten;
    uint32_t end = 0;
    std::string text;
    bool guardIntact = false;
    bool untouched = false;
};

HexOutput writeHex(const std::vector<uint8_t> &data, const HexRequest &request = {})
{
    const uint8_t placeholder = 0;
    const uint8_t *bytes = data.empty() ? &placeholder : data.data();
    GuardedBuffer<char> text(request.capacity);
    HexOutput output;
    output.end = request.end;
    ProgressLog *log = request.log;
    output.result = BinaryToHex(bytes, text.data(), uint32_t(data.size()), text.capacity(),
                                request.recordLength, &output.written, &request.start, &output.end,
                                request.blank, request.newLine, log ? log->userValue() : 0,
                                log ? &ProgressLog::report : nullptr);
    output.guardIntact = text.guardIntact();
    output.untouched = text.untouched();
    output.text = text.writtenText();
    return output;
}

std::vector<uint8_t> readBack(const std::string &text, uint32_t size)
{
    std::vector<uint8_t> image(size);
    uint32_t start = 0, end = 0, imageSize = 0;
    int32_t result = HexToBinary(text.c_str(), image.data(), int32_t(text.size()), size, &imageSize,
                                 &start, &end, 0, 0, nullptr);
    if (result != ResultOk || imageSize != size)
        return {};
    return image;
}

bool isExtendedRecord(const std::string &line)
{
    return line.compare(0, 9, ":02000002") == 0 || line.compare(0, 9, ":02000004") == 0;
}

} // namespace

TEST(BinaryToHex, WritesThreeBytes)
{
    ProgressLog log;
    HexOutput output = writeHex({1, 2, 3}, {.log = &log});
    ASSERT_EQ(output.result, ResultOk);
    EXPECT_EQ(output.text, ":03000000010203F7\r\n:00000001FF\r\n");
    EXPECT_EQ(output.written, 32u);
    EXPECT_EQ(output.end, 3u);
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(log.calls.front().total, 2);
}

TEST(BinaryToHex, LaysOutWindowsAndLineEnds)
{
    struct LayoutCase {
        const char *name;
        std::vector<uint8_t> data;
        HexRequest request;
        std::string text;
    };
    const std::vector<uint8_t> ramp = rampBytes(32);
    const LayoutCase cases[] = {
        {"seventeen bytes",
         rampBytes(17),
         {.newLine = KESTRUN_NEWLINE_LF},
         dataRecord(0, rampBytes(16)) + "\n" + dataRecord(0x10, {16}) + "\n" + endRecord + "\n"},
        {"window from 0x10",
         ramp,
         {.start = 0x10, .end = 0x1F},
         dataRecord(0, rampBytes(16, 0x10)) + "\r\n" + endRecord + "\r\n"},
        {"blank past the data",
         {1, 2},
         {.end = 3},
         dataRecord(0, {1, 2, 0xFF, 0xFF}) + "\r\n" + endRecord + "\r\n"},
        {"blank low byte",
         {1},
         {.end = 2, .blank = 0x1AB},
         dataRecord(0, {1, 0xAB, 0xAB}) + "\r\n" + endRecord + "\r\n"},
        {"upper-case digits",
         {0xAB, 0xCD, 0xEF},
         {.newLine = KESTRUN_NEWLINE_CR},
         ":03000000ABCDEF96\r" + endRecord + "\r"},
        {"high bits of the line end",
         {0x10},
         {.newLine = 0xFFFF0A0D},
         dataRecord(0, {0x10}) + "\r\n" + endRecord + "\r\n"},
        {"line end low byte first",
         {0x10},
         {.newLine = 0x0D0A},
         dataRecord(0, {0x10}) + "\n\r" + endRecord + "\n\r"},
        {"window past the data",
         {1, 2},
         {.start = 4, .end = 6, .blank = 0x00},
         dataRecord(0, {0, 0, 0}) + "\r\n" + endRecord + "\r\n"},
        {"start beyond end", ramp, {.start = 8, .end = 7}, endRecord + "\r\n"},
        {"empty data", {}, {}, endRecord + "\r\n"},
    };
    for (const LayoutCase &row : cases) {
        SCOPED_TRACE(row.name);
        HexOutput output = writeHex(row.data, row.request);
        ASSERT_EQ(output.result, ResultOk);
        EXPECT_EQ(output.text, row.text);
        EXPECT_EQ(output.written, row.text.size());
    }
}

TEST(BinaryToHex, RecordsStopAt64KiBBoundaries)
{
    std::vector<uint8_t> data = randomBytes(0x10008, 1);
    HexOutput sixteen = writeHex(data, {.capacity = 0x80000});
    ASSERT_EQ(sixteen.result, ResultOk);
    std::vector<std::string> lines = splitLines(sixteen.text);
    ASSERT_EQ(lines.size(), 4099u);
    EXPECT_EQ(lines[4095], dataRecord(0xFFF0, slice(data, 0xFFF0, 16)));
    EXPECT_EQ(lines[4096], ":020000021000EC");
    EXPECT_EQ(lines[4097], dataRecord(0x0000, slice(data, 0x10000, 8)));

    HexOutput odd = writeHex(data, {.end = 0x10005, .recordLength = 24, .capacity = 0x80000});
    ASSERT_EQ(odd.result, ResultOk);
    lines = splitLines(odd.text);
    ASSERT_EQ(lines.size(), 2734u);
    EXPECT_EQ(lines[2730], dataRecord(0xFFF0, slice(data, 0xFFF0, 16)));
    EXPECT_EQ(lines[2731], ":020000021000EC");
    EXPECT_EQ(lines[2732], dataRecord(0x0000, slice(data, 0x10000, 6)));
}

TEST(BinaryToHex, LinearRecordsTakeOverAtOneMiB)
{
    std::vector<uint8_t> data = randomBytes(0x120010, 2);
    ProgressLog log;
    HexOutput output = writeHex(data, {.capacity = 0x400000, .log = &log});
    ASSERT_EQ(output.result, ResultOk);
    std::vector<std::string> lines = splitLines(output.text);

    std::vector<std::string> expected;
    for (uint16_t segment = 0x1000; segment != 0; segment += 0x1000)
        expected.push_back(segmentRecord(segment));
    expected.insert(expected.end(), {":020000020000FC", ":020000040010EA", linearRecord(0x0011),
                                     linearRecord(0x0012)});
    std::vector<std::string> extended;
    for (const std::string &line : lines)
        if (isExtendedRecord(line))
            extended.push_back(line);
    EXPECT_EQ(extended, expected);
    size_t at = size_t(std::find(lines.begin(), lines.end(), ":020000020000FC") - lines.begin());
    ASSERT_TRUE(at > 0 && at + 2 < lines.size());
    EXPECT_EQ(lines[at - 1], dataRecord(0xFFF0, slice(data, 0xFFFF0, 16)));
    EXPECT_EQ(lines[at + 1], ":020000040010EA");
    EXPECT_EQ(lines[at + 2], dataRecord(0x0000, slice(data, 0x100000, 16)));

    // The pair at 1 MiB comes from one pass, so one report less than lines.
    EXPECT_EQ(log.calls.size(), lines.size() - 1);
    EXPECT_EQ(log.calls.back().done, int32_t(data.size()));
    EXPECT_EQ(readBack(output.text, uint32_t(data.size())), data);
}

TEST(BinaryToHex, ReadsBackByteForByte)
{
    struct RoundTrip {
        size_t size;
        int32_t recordLength;
    };
    const RoundTrip cases[] = {{1, 1},        {5, 255},       {0x11801, 1},
                               {0x11801, 24}, {0x11801, 250}, {0x230000, 255}};
    for (const RoundTrip &row : cases) {
        SCOPED_TRACE(testing::Message() << row.size << " bytes by " << row.recordLength);
        std::vector<uint8_t> data = randomBytes(row.size, unsigned(row.size));
        HexOutput output = writeHex(data, {.recordLength = row.recordLength, .capacity = 0x800000});
        ASSERT_EQ(output.result, ResultOk);
        EXPECT_EQ(readBack(output.text, uint32_t(row.size)), data);
    }
}

TEST(BinaryToHex, WindowStartIsAddressZero)
{
    std::vector<uint8_t> data = randomBytes(0x30000, 3);
    HexOutput output = writeHex(data, {.start = 0x8000, .end = 0x27FFF, .capacity = 0x100000});
    ASSERT_EQ(output.result, ResultOk);
    EXPECT_EQ(output.end, 0x28000u);
    EXPECT_EQ(readBack(output.text, 0x20000), slice(data, 0x8000, 0x20000));
}

TEST(BinaryToHex, SmallCapacityWritesNothing)
{
    HexOutput output = writeHex({1, 2, 3}, {.capacity = 511});
    EXPECT_EQ(output.result, ResultOverflow);
    EXPECT_EQ(output.written, unwritten);
    EXPECT_TRUE(output.guardIntact);
}

TEST(BinaryToHex, LongRecordsNeverPassCapacity)
{
    for (uint32_t newLine : {KESTRUN_NEWLINE_CRLF, KESTRUN_NEWLINE_LF}) {
        for (int32_t recordLength = 250; recordLength <= 255; ++recordLength) {
            SCOPED_TRACE(testing::Message() << recordLength << " bytes, line end " << newLine);
            std::vector<uint8_t> data = randomBytes(size_t(recordLength), 4);
            std::string lineEnd = newLine == KESTRUN_NEWLINE_LF ? "\n" : "\r\n";
            std::string line = dataRecord(0, data) + lineEnd;
            HexRequest request = {.recordLength = recordLength, .newLine = newLine};

            request.capacity = uint32_t(line.size());
            HexOutput noRoomForNul = writeHex(data, request);
            EXPECT_EQ(noRoomForNul.result, ResultOverflow);
            EXPECT_TRUE(noRoomForNul.guardIntact);

            request.capacity = uint32_t(line.size() + 1);
            HexOutput oneLine = writeHex(data, request);
            EXPECT_EQ(oneLine.result, ResultOverflow);
            EXPECT_EQ(oneLine.text, line);
            EXPECT_EQ(oneLine.written, unwritten);
            EXPECT_TRUE(oneLine.guardIntact);

            request.capacity = uint32_t(line.size() + 512);
            HexOutput whole = writeHex(data, request);
            EXPECT_EQ(whole.result, ResultOk);
            EXPECT_EQ(whole.text, line + endRecord + lineEnd);
            EXPECT_TRUE(whole.guardIntact);
        }
    }
}

TEST(BinaryToHex, ReportsBeforeEachLine)
{
    ProgressLog log;
    HexOutput output = writeHex({1, 2, 3}, {.recordLength = 1, .log = &log});
    ASSERT_EQ(output.result, ResultOk);
    EXPECT_EQ(log.doneValues(), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(BinaryToHex, CancelKeepsTheLinesWritten)
{
    ProgressLog log;
    log.stopAt = 2;
    HexOutput output = writeHex(rampBytes(32), {.log = &log});
    EXPECT_EQ(output.result, ResultCancelled);
    EXPECT_EQ(output.text, dataRecord(0, rampBytes(16)) + "\r\n");
    EXPECT_EQ(output.written, unwritten);
    EXPECT_EQ(log.calls.size(), 2u);
}

TEST(BinaryToHex, TablePast4GiBIsOutOfMemory)
{
    for (uint32_t end : {0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(end);
        HexOutput output = writeHex(rampBytes(16), {.end = end});
        EXPECT_EQ(output.result, ResultNoMemory);
        EXPECT_EQ(output.written, unwritten);
        EXPECT_TRUE(output.untouched);
    }
}
