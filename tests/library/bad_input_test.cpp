// The ways a HEX file can be wrong that other readers are tested against,
// one row each, with the result our reader gives: the first record through
// LineHexToBin and the whole text through HexToBinary. Records count only
// by their checksum: a character that is not an upper-case hex digit reads
// as 0, the length byte is not compared with the digits, and what a record
// does not supply reads as 0. Rows that records_test.cpp and
// hex_to_binary_test.cpp already hold (empty text, lower-case data, 300
// digit pairs, a missing end record, records across 64 KiB) are not
// repeated here.
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

constexpr int32_t kNotChecked = 1000;
constexpr uint32_t kAnySize = 0xDEADBEEF;

struct BadInput
{
    const char *category;
    std::string text;
    int32_t line; // LineHexToBin on the first record, or kNotChecked
    int32_t file; // HexToBinary on the whole text
    uint32_t imageSize = kAnySize;
    uint32_t at = 0; // where in the window `bytes` must stand
    std::vector<uint8_t> bytes = {};
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t capacity = 0x400;
};

std::string withEnd(const std::string &records, const char *lineEnd = "\r\n")
{
    return records + ":00000001FF" + lineEnd;
}

std::vector<BadInput> badInputs()
{
    std::vector<uint8_t> longData = rampBytes(260);
    std::vector<uint8_t> longRecord = {0xFF, 0x00, 0x00, 0x00};
    longRecord.insert(longRecord.end(), longData.begin(), longData.end());
    const std::string data = dataRecord(0, {0xD1, 0xD2});
    return {
        {"no colon", "0400000001020304F2\r\n:00000001FF\r\n", ResultNotIntelHex, ResultNotIntelHex},
        {"too short, sums to zero: an empty data record", withEnd(":00\r\n"), 0, ResultOk, 0},
        {"too short, does not sum to zero", withEnd(":0100\r\n"), ResultChecksumError, ResultChecksumError},
        {"odd digit count: the last digit pairs with the end", withEnd(":00000001FF0\r\n"),
         ResultEndRecordError, ResultEndRecordError},
        {"non-hex letter reads as 0", withEnd(":01000000G1FE\r\n"), 0, ResultOk, 1, 0, {0x01}},
        {"full-width digits read as 0", withEnd(":01000000\x82\x53\x82\x50" "BE\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"Shift_JIS text after a colon reads as zeros", withEnd(":\x83\x65\x83\x58\x83\x67\r\n"), 0, ResultOk, 0},
        {"length byte above the digits: the checksum and zeros follow",
         withEnd(hexText({0x04, 0x00, 0x10, 0x00, 0xAA, 0xBB}) + "\r\n"), 0, ResultOk, 0x14, 0x10,
         {0xAA, 0xBB, 0x87, 0x00}},
        {"length byte below the digits: the rest is dropped", withEnd(":02001000010203E8\r\n"), 0, ResultOk, 0x12,
         0x10, {0x01, 0x02}},
        {"more than 255 data bytes: 255 are stored", withEnd(hexText(longRecord) + "\r\n"), 0, ResultOk, 0xFF,
         0xF0, slice(longData, 0xF0, 15)},
        {"bad checksum, end record", ":00000001FE\r\n", ResultChecksumError, ResultChecksumError},
        {"bad checksum, segment record", withEnd(":020000021000ED\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"bad checksum, start segment record", withEnd(":0400000300003800C2\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"bad checksum, linear record", withEnd(":020000040010EB\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"bad checksum, start linear record", withEnd(":040000050000CD2A01\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"unknown record type FF", withEnd(":000000FF01\r\n"), ResultNotIntelHex, ResultNotIntelHex},
        {"end record with a data byte", hexText({0x01, 0x00, 0x00, 0x01, 0xAA}) + "\r\n", ResultEndRecordError,
         ResultEndRecordError},
        {"segment record of four bytes", withEnd(hexText({0x04, 0, 0, 0x02, 0x10, 0x00, 0x12, 0x34}) + "\r\n" +
                                                 data + "\r\n"),
         2, ResultOk, 2, 0, {0xD1, 0xD2}, 0x10000, 0x10001},
        {"linear record without its two bytes: the checksum is the upper address",
         withEnd(hexText({0x00, 0, 0, 0x04}) + "\r\n" + data + "\r\n"), 4, ResultOk, 2, 0, {0xD1, 0xD2},
         0xFC000000, 0xFC000001},
        {"start records of other lengths",
         withEnd(hexText({0x00, 0, 0, 0x03}) + "\r\n" + hexText({0x02, 0, 0, 0x05, 1, 2}) + "\r\n"), 3, ResultOk,
         0},
        {"address bytes of a linear record add to the base",
         withEnd(hexRecord(0x04, 0x0102, {0x00, 0x01}) + "\r\n" + data + "\r\n"), 4, ResultOk, 2, 0,
         {0xD1, 0xD2}, 0x10003, 0x10004},
        {"address bytes of a segment record do not count",
         withEnd(hexRecord(0x02, 0x1234, {0x10, 0x00}) + "\r\n" + data + "\r\n"), 2, ResultOk, 2, 0,
         {0xD1, 0xD2}, 0x10000, 0x10001},
        {"data after the end record is not read", withEnd(data + "\r\n") + dataRecord(0x10, {1}) + "\r\n", 0,
         ResultOk, 2, 0, {0xD1, 0xD2}},
        {"no end record after an extended record", linearRecord(0x0010) + "\n", 4, ResultNotIntelHex},
        {"empty data record at the top of the space",
         withEnd(linearRecord(0xFFFF) + "\r\n" + hexRecord(0x00, 0xFFFF, {}) + "\r\n"), 4, ResultOk, 0},
        {"64 KiB wrap under a segment base runs on past 1 MiB",
         withEnd(segmentRecord(0xF000) + "\r\n" + dataRecord(0xFFFF, {0xE1, 0xE2}) + "\r\n"), 2, ResultOk, 2, 0,
         {0xE1, 0xE2}, 0xFFFFF, 0x100000},
        {"4 GiB: the last byte of the space",
         withEnd(linearRecord(0xFFFF) + "\r\n" + dataRecord(0xFFFF, {0xE1}) + "\r\n"), 4, ResultOk, 1, 0, {0xE1},
         0xFFFFFFFF, 0xFFFFFFFF},
        {"4 GiB: one byte beyond", withEnd(linearRecord(0xFFFF) + "\r\n" + dataRecord(0xFFFF, {1, 2}) + "\r\n"), 4,
         ResultAddressFault},
        {"CR line ends", withEnd(data + "\r", "\r"), 0, ResultOk, 2, 0, {0xD1, 0xD2}},
        {"LF line ends", withEnd(data + "\n", "\n"), 0, ResultOk, 2, 0, {0xD1, 0xD2}},
        {"LF CR line ends", withEnd(data + "\n\r", "\n\r"), 0, ResultOk, 2, 0, {0xD1, 0xD2}},
        {"mixed line ends, none at the end", data + "\n" + dataRecord(2, {3}) + "\r:00000001FF", 0, ResultOk, 3, 0,
         {0xD1, 0xD2, 0x03}},
        {"blank lines and spaces between records", data + " \r\n\r\n\t\r\n:00000001FF", 0, ResultOk, 2},
        {"lower-case end record", ":00000001ff\r\n", ResultChecksumError, ResultChecksumError},
        {"data at 0x08000000, automatic window",
         withEnd(linearRecord(0x0800) + "\r\n" + dataRecord(0, {1, 2, 3, 4}) + "\r\n"), 4, ResultOverflow,
         0x08000004},
        {"data at 0x08000000, its own window",
         withEnd(linearRecord(0x0800) + "\r\n" + dataRecord(0, {1, 2, 3, 4}) + "\r\n"), 4, ResultOk, 4, 0,
         {1, 2, 3, 4}, 0x08000000, 0x08000003},
        {"data at 0xFFFFFFF0, automatic window: 4 GiB report as the largest size",
         withEnd(linearRecord(0xFFFF) + "\r\n" + dataRecord(0xFFF0, rampBytes(16)) + "\r\n"), 4, ResultOverflow,
         0xFFFFFFFF},
    };
}

} // namespace

TEST(BadInput, EachCategoryGivesItsResult)
{
    for (const BadInput &row : badInputs()) {
        SCOPED_TRACE(row.category);
        std::unique_ptr<char[]> text = exactCopy(row.text);
        if (row.line != kNotChecked) {
            GuardedBuffer<uint8_t> decoded(65535 + 255);
            uint32_t position = 0;
            EXPECT_EQ(LineHexToBin(text.get(), int32_t(row.text.size()), decoded.data(), &position), row.line);
            EXPECT_TRUE(decoded.guardIntact());
        }
        GuardedBuffer<uint8_t> image(row.capacity);
        uint32_t imageSize = kAnySize;
        uint32_t end = row.end;
        EXPECT_EQ(HexToBinary(text.get(), image.data(), int32_t(row.text.size()), image.capacity(), &imageSize,
                              &row.start, &end, 0x00, 0, nullptr),
                  row.file);
        EXPECT_TRUE(image.guardIntact());
        if (row.imageSize != kAnySize) {
            EXPECT_EQ(imageSize, row.imageSize);
        }
        for (size_t i = 0; i < row.bytes.size(); ++i)
            EXPECT_EQ(image[row.at + i], row.bytes[i]) << "at " << row.at + i;
    }
}
