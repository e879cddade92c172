#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

constexpr uint32_t unwritten = 0xDEADBEEF;

struct DumpRequest {
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t blank = 0xFF;
    uint32_t newLine = KESTRUN_NEWLINE_CRLF;
    uint32_t indent = 4;
    uint32_t capacity = 0x10000;
    ProgressLog *log = nullptr;
};

struct Dump {
    int32_t result = 0;
    uint32_t written = unwritten;
    uint32_t end = 0;
    std::string text;
    std::vector<uint8_t> data;
    bool guardIntact = false;
    bool untouched = false;
};

Dump dump(std::vector<uint8_t> data, const DumpRequest &request = {})
{
    uint8_t placeholder = 0;
    uint8_t *bytes = data.empty() ? &placeholder : data.data();
    GuardedBuffer<char> text(request.capacity);
    Dump output;
    output.end = request.end;
    ProgressLog *log = request.log;
    output.result =
        DumpFormat(bytes, text.data(), uint32_t(data.size()), text.capacity(), &output.written,
                   &request.start, &output.end, request.blank, request.newLine, request.indent,
                   log ? log->userValue() : 0, log ? &ProgressLog::report : nullptr);
    output.guardIntact = text.guardIntact();
    output.untouched = text.untouched();
    output.text = text.writtenText();
    output.data = std::move(data);
    return output;
}

const std::string alphabetLine =
    "    00000000  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP\r\n";

} // namespace

TEST(DumpFormat, WritesOneFullLine)
{
    Dump output = dump(rampBytes(16, 0x41));
    ASSERT_EQ(output.result, ResultOk);
    EXPECT_EQ(output.text, alphabetLine);
    EXPECT_EQ(output.written, 81u);
    EXPECT_EQ(output.end, 15u);
}

TEST(DumpFormat, LaysOutWindowsBlanksAndLineEnds)
{
    struct LayoutCase {
        const char *name;
        std::vector<uint8_t> data;
        DumpRequest request;
        std::string text;
    };
    const std::vector<uint8_t> digits = rampBytes(10, 0x30);
    const LayoutCase cases[] = {
        {"partial lines",
         rampBytes(32, 0x40),
         {.start = 0x05, .end = 0x14},
         "    00000000                 45 46 47 48 49 4A 4B 4C 4D 4E 4F       EFGHIJKLMNO\r\n"
         "    00000010  50 51 52 53 54                                   PQRST           \r\n"},
        {"blank FF",
         digits,
         {.end = 0x0F, .blank = 0xFF},
         "    00000000  30 31 32 33 34 35 36 37 38 39 FF FF FF FF FF FF  0123456789......\r\n"},
        {"blank space",
         digits,
         {.end = 0x0F, .blank = 0x20},
         "    00000000  30 31 32 33 34 35 36 37 38 39 20 20 20 20 20 20  0123456789      \r\n"},
        {"blank low byte",
         digits,
         {.end = 0x0F, .blank = 0x341},
         "    00000000  30 31 32 33 34 35 36 37 38 39 41 41 41 41 41 41  0123456789AAAAAA\r\n"},
        {"no indent, LF",
         {0x7F, 0x80, 0x1F, 0x20, 0x7E, 0x00, 0xFF, 0x41},
         {.end = 7, .newLine = KESTRUN_NEWLINE_LF, .indent = 0},
         "00000000  7F 80 1F 20 7E 00 FF 41                          \x7F.. ~..A        \n"},
        {"address is the position",
         std::vector<uint8_t>(0x12346, 0x61),
         {.start = 0x12345},
         "    00012340                 61                                     a          \r\n"},
        {"line end high bits", rampBytes(16, 0x41), {.newLine = 0x12340A0D}, alphabetLine},
        {"empty data", {}, {}, ""},
    };
    for (const LayoutCase &row : cases) {
        SCOPED_TRACE(row.name);
        Dump output = dump(row.data, row.request);
        ASSERT_EQ(output.result, ResultOk);
        EXPECT_EQ(output.text, row.text);
        EXPECT_EQ(output.written, row.text.size());
    }
}

TEST(DumpFormat, UnprintableBytesBecomeDotsUpToTheEnd)
{
    std::vector<uint8_t> data(48);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = std::vector<uint8_t>{0x1F, 0x20, 0x7F, 0x80, 0x00, 0xFF}[i % 6];
    Dump output = dump(data, {.start = 0x10, .end = 0x1F});
    ASSERT_EQ(output.result, ResultOk);
    for (size_t i = 0; i < data.size(); ++i) {
        SCOPED_TRACE(i);
        bool printable = data[i] >= 0x20 && data[i] <= 0x7F;
        EXPECT_EQ(output.data[i], i <= 0x1F && !printable ? 0x2E : data[i]);
    }
    EXPECT_NE(output.text.find("1F 20 7F 80 00 FF"), std::string::npos);
}

TEST(DumpFormat, LinesNeverPassCapacity)
{
    struct CapacityCase {
        uint32_t capacity;
        int32_t result;
        uint32_t written;
    };
    const CapacityCase cases[] = {
        {0, ResultOverflow, 0},    {81, ResultOverflow, 0}, {82, ResultOverflow, 81},
        {162, ResultOverflow, 81}, {163, ResultOk, 162},
    };
    for (const CapacityCase &row : cases) {
        SCOPED_TRACE(row.capacity);
        Dump output = dump(rampBytes(32, 0x41), {.capacity = row.capacity});
        EXPECT_EQ(output.result, row.result);
        EXPECT_EQ(output.written, row.written);
        EXPECT_EQ(output.text.size(), row.written);
        EXPECT_TRUE(output.guardIntact);
    }
}

TEST(DumpFormat, HugeIndentOverflowsWithoutWriting)
{
    Dump output = dump(rampBytes(16, 0x41), {.indent = 0xFFFFFFF0, .capacity = 4096});
    EXPECT_EQ(output.result, ResultOverflow);
    EXPECT_EQ(output.written, 0u);
    EXPECT_TRUE(output.guardIntact);
}

TEST(DumpFormat, ReportsBeforeEachLineAndOnceMore)
{
    ProgressLog log;
    Dump output = dump(rampBytes(32, 0x40), {.start = 0x05, .end = 0x24, .log = &log});
    ASSERT_EQ(output.result, ResultOk);
    EXPECT_EQ(log.doneValues(), (std::vector<int32_t>{0x00, 0x10, 0x20, 0x30}));
    for (const ProgressLog::Call &call : log.calls)
        EXPECT_EQ(call.total, 0x24);
}

TEST(DumpFormat, CancelKeepsAndCountsTheLinesWritten)
{
    for (size_t stopAt : {1u, 2u, 3u}) {
        SCOPED_TRACE(stopAt);
        ProgressLog log;
        log.stopAt = stopAt;
        Dump output = dump(rampBytes(32, 0x41), {.log = &log});
        EXPECT_EQ(output.result, ResultCancelled);
        EXPECT_EQ(output.written, 81 * (stopAt - 1));
        EXPECT_EQ(output.text.size(), output.written);
        EXPECT_EQ(log.calls.size(), stopAt);
    }
}

TEST(DumpFormat, TablePast4GiBIsOutOfMemory)
{
    for (uint32_t end : {0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(end);
        Dump output = dump(rampBytes(16), {.end = end});
        EXPECT_EQ(output.result, ResultNoMemory);
        EXPECT_EQ(output.written, unwritten);
        EXPECT_TRUE(output.untouched);
    }
}

// Every byte value's cell and column, written sixteen at a time: each line
// against one made byte by byte with printf.
TEST(DumpFormat, EveryByteValueShowsItsDigitsAndCharacter)
{
    Dump output = dump(rampBytes(256, 0), {.start = 0, .end = 255, .newLine = KESTRUN_NEWLINE_LF});
    ASSERT_EQ(output.result, ResultOk);
    std::string expected;
    for (unsigned line = 0; line < 16; ++line) {
        char text[128];
        int at = std::snprintf(text, sizeof text, "    %08X  ", line * 16);
        for (unsigned b = line * 16; b < line * 16 + 16; ++b)
            at += std::snprintf(text + at, sizeof text - at, "%02X ", b);
        text[at++] = ' ';
        for (unsigned b = line * 16; b < line * 16 + 16; ++b)
            text[at++] = b >= 0x20 && b <= 0x7F ? char(b) : '.';
        expected.append(text, size_t(at)) += '\n';
    }
    EXPECT_EQ(output.text, expected);
}
