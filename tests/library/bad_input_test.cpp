// The ways a HEX file can be wrong that other readers are tested against,
// one row each, with the result our reader gives: the first record through
// LineHexToBin and the whole text through HexToBinary. A record is a colon,
// exactly the pairs its length byte asks for, and a line end; whatever
// GNU objcopy, srec_cat and Python's intelhex all refuse is refused here,
// and what they all read gives their bytes. Rows that records_test.cpp and
// hex_to_binary_test.cpp already hold (empty text, 300 digit pairs, records
// across 64 KiB) are not repeated here.
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

constexpr int32_t kNotChecked = 1000;
constexpr uint32_t kAnySize = 0xDEADBEEF;

struct BadInput {
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
        {"a leading blank line", "\r\n" + withEnd(data + "\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"too short, sums to zero", withEnd(":00\r\n"), ResultNotIntelHex, ResultNotIntelHex},
        {"too short, does not sum to zero", withEnd(":0100\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"odd digit count", withEnd(":00000001FF0\r\n"), ResultNotIntelHex, ResultNotIntelHex},
        {"a letter that is no hex digit, checksum right", withEnd(":010000004xBF\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"full-width digits",
         withEnd(":01000000\x82\x53\x82\x50"
                 "BE\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"Shift_JIS text after a colon", withEnd(":\x83\x65\x83\x58\x83\x67\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"length byte above the digits, checksum right", withEnd(":040000000102F9\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"length byte below the digits, checksum right", withEnd(":0100000041427C\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"one digit lost, checksum right",
         withEnd(":1000000000010203040506070809"
                 "0A0B0C0D0E078\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"more than 255 data bytes", withEnd(hexText(longRecord) + "\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"a pair after the checksum", withEnd(data + "00\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"a digit after the checksum", withEnd(data + "0\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"a space after the checksum", withEnd(data + " \r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"two records on one line", data + ":00000001FF\r\n", ResultNotIntelHex, ResultNotIntelHex},
        {"lower-case digits",
         withEnd(":04000000ea59335c2a\r\n"),
         0,
         ResultOk,
         4,
         0,
         {0xEA, 0x59, 0x33, 0x5C}},
        {"lower-case end record", ":00000001ff\r\n", 1, ResultOk, 0},
        {"mixed case", withEnd(":02000000aBCd86\r\n"), 0, ResultOk, 2, 0, {0xAB, 0xCD}},
        {"bad checksum, end record", ":00000001FE\r\n", ResultChecksumError, ResultChecksumError},
        {"bad checksum, segment record", withEnd(":020000021000ED\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"bad checksum, start segment record", withEnd(":0400000300003800C2\r\n"),
         ResultChecksumError, ResultChecksumError},
        {"bad checksum, linear record", withEnd(":020000040010EB\r\n"), ResultChecksumError,
         ResultChecksumError},
        {"bad checksum, start linear record", withEnd(":040000050000CD2A01\r\n"),
         ResultChecksumError, ResultChecksumError},
        {"unknown record type FF", withEnd(":000000FF01\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"end record with a data byte", hexText({0x01, 0x00, 0x00, 0x01, 0xAA}) + "\r\n",
         ResultEndRecordError, ResultEndRecordError},
        {"segment record of four bytes",
         withEnd(hexText({0x04, 0, 0, 0x02, 0x10, 0x00, 0x12, 0x34}) + "\r\n" + data + "\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"linear record without its two bytes", withEnd(":00000004FC\r\n" + data + "\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"address field of a linear record", withEnd(":020010040000EA\r\n" + data + "\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"address field of a segment record",
         withEnd(hexRecord(0x02, 0x1234, {0x10, 0x00}) + "\r\n"), ResultNotIntelHex,
         ResultNotIntelHex},
        {"start segment record without its bytes", withEnd(hexText({0x00, 0, 0, 0x03}) + "\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"start linear record of two bytes", withEnd(hexText({0x02, 0, 0, 0x05, 1, 2}) + "\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        // As srec_cat and intelhex refuse them, as 02 and 04 records are.
        {"start records with an address field",
         withEnd(hexRecord(0x03, 0x0010, {0, 0, 0x38, 0}) + "\r\n"
                 + hexRecord(0x05, 0x1234, {0, 0, 0xCD, 0x2A}) + "\r\n"),
         ResultNotIntelHex, ResultNotIntelHex},
        {"a line without its colon", withEnd(data + "\r\n" + dataRecord(2, {3}).substr(1) + "\r\n"),
         0, ResultNotIntelHex},
        {"a comment line between records", withEnd(data + "\r\n; comment\r\n"), 0,
         ResultNotIntelHex},
        {"a line of spaces between records", withEnd(data + "\r\n \t\r\n"), 0, ResultNotIntelHex},
        {"blank lines between records",
         withEnd(data + "\r\n\r\n\n\r\r\n"),
         0,
         ResultOk,
         2,
         0,
         {0xD1, 0xD2}},
        {"a NUL before the end record", data + "\r\n" + std::string(1, '\0') + ":00000001FF\r\n", 0,
         ResultNotIntelHex},
        {"data after the end record is not read",
         withEnd(data + "\r\n") + "junk\r\n" + dataRecord(0x10, {1}),
         0,
         ResultOk,
         2,
         0,
         {0xD1, 0xD2}},
        {"no end record after an extended record", linearRecord(0x0010) + "\n", 4,
         ResultNotIntelHex},
        {"empty data record at the top of the space",
         withEnd(linearRecord(0xFFFF) + "\r\n" + hexRecord(0x00, 0xFFFF, {}) + "\r\n"), 4, ResultOk,
         0},
        {"64 KiB wrap under a segment base runs on past 1 MiB",
         withEnd(segmentRecord(0xF000) + "\r\n" + dataRecord(0xFFFF, {0xE1, 0xE2}) + "\r\n"),
         2,
         ResultOk,
         2,
         0,
         {0xE1, 0xE2},
         0xFFFFF,
         0x100000},
        {"segment and linear bases add up",
         withEnd(linearRecord(0x0010) + "\r\n" + segmentRecord(0x1000) + "\r\n" + data + "\r\n"),
         4,
         ResultOk,
         2,
         0,
         {0xD1, 0xD2},
         0x110000,
         0x110001},
        {"4 GiB: the last byte of the space",
         withEnd(linearRecord(0xFFFF) + "\r\n" + dataRecord(0xFFFF, {0xE1}) + "\r\n"),
         4,
         ResultOk,
         1,
         0,
         {0xE1},
         0xFFFFFFFF,
         0xFFFFFFFF},
        {"4 GiB: one byte beyond",
         withEnd(linearRecord(0xFFFF) + "\r\n" + dataRecord(0xFFFF, {1, 2}) + "\r\n"), 4,
         ResultAddressFault},
        {"CR line ends", withEnd(data + "\r", "\r"), 0, ResultOk, 2, 0, {0xD1, 0xD2}},
        {"LF line ends", withEnd(data + "\n", "\n"), 0, ResultOk, 2, 0, {0xD1, 0xD2}},
        {"LF CR line ends", withEnd(data + "\n\r", "\n\r"), 0, ResultOk, 2, 0, {0xD1, 0xD2}},
        {"mixed line ends, none at the end",
         data + "\n" + dataRecord(2, {3}) + "\r:00000001FF",
         0,
         ResultOk,
         3,
         0,
         {0xD1, 0xD2, 0x03}},
        {"data at 0x08000000, automatic window",
         withEnd(linearRecord(0x0800) + "\r\n" + dataRecord(0, {1, 2, 3, 4}) + "\r\n"), 4,
         ResultOverflow, 0x08000004},
        {"data at 0x08000000, its own window",
         withEnd(linearRecord(0x0800) + "\r\n" + dataRecord(0, {1, 2, 3, 4}) + "\r\n"),
         4,
         ResultOk,
         4,
         0,
         {1, 2, 3, 4},
         0x08000000,
         0x08000003},
        {"data at 0xFFFFFFF0, automatic window: 4 GiB report as the largest size",
         withEnd(linearRecord(0xFFFF) + "\r\n" + dataRecord(0xFFF0, rampBytes(16)) + "\r\n"), 4,
         ResultOverflow, 0xFFFFFFFF},
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
            EXPECT_EQ(LineHexToBin(text.get(), int32_t(row.text.size()), decoded.data(), &position),
                      row.line);
            EXPECT_TRUE(decoded.guardIntact());
        }
        GuardedBuffer<uint8_t> image(row.capacity);
        uint32_t imageSize = kAnySize;
        uint32_t end = row.end;
        EXPECT_EQ(HexToBinary(text.get(), image.data(), int32_t(row.text.size()), image.capacity(),
                              &imageSize, &row.start, &end, 0x00, 0, nullptr),
                  row.file);
        EXPECT_TRUE(image.guardIntact());
        if (row.imageSize != kAnySize) {
            EXPECT_EQ(imageSize, row.imageSize);
        }
        for (size_t i = 0; i < row.bytes.size(); ++i)
            EXPECT_EQ(image[row.at + i], row.bytes[i]) << "at " << row.at + i;
    }
}
