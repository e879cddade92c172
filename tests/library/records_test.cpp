#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using namespace kestrun_test;

namespace {

// LineHexToBin needs room for a record at address 0xFFFF with 255 bytes.
constexpr size_t decodeRoom = 65535 + 255;
constexpr uint32_t untouchedPosition = 0xDEADBEEF;
constexpr uint32_t anyPosition = 0xFFFFFFFF;

struct DecodeCase {
    const char *record;
    int32_t result;
    uint32_t position;
};

int32_t decode(const std::string &record, GuardedBuffer<uint8_t> &buffer, uint32_t &position)
{
    std::unique_ptr<char[]> text = exactCopy(record);
    return LineHexToBin(text.get(), int32_t(record.size()), buffer.data(), &position);
}

// A data record whose length byte says `length` but which carries
// `pairs` digit pairs (a ramp of bytes) with a right checksum.
std::string recordOfPairs(uint8_t length, size_t pairs)
{
    std::vector<uint8_t> bytes = {length, 0x00, 0x00, 0x00};
    std::vector<uint8_t> data = rampBytes(pairs - 5, 1);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return hexText(bytes);
}

} // namespace

TEST(LineHexToBin, DecodesEachKindOfRecord)
{
    const DecodeCase cases[] = {
        {":00000001FF", 1, 0},
        {":00000001ff", 1, 0},
        {":0100000100FE", ResultEndRecordError, 0},
        {":0400100001020304E2", 0, 0x14},
        {":0400100001020304e2", 0, 0x14},
        {":020000021000EC", 2, 0x10000},
        {":020000040010EA", 4, 0x100000},
        {":0400000300003800C1", 3, 0},
        {":040000050000CD2A00", 5, 0},
        {":00000006FA", ResultNotIntelHex, 0},
        // Address records must be two bytes with the address field 0000,
        // start records four bytes; checked after the checksum.
        {":021234021000A6", ResultNotIntelHex, 0},
        {":020102040001F6", ResultNotIntelHex, 0},
        {":00000004FC", ResultNotIntelHex, 0},
        {":0400000210000000EA", ResultNotIntelHex, 0},
        {":00000003FD", ResultNotIntelHex, 0},
        {":020000050000F9", ResultNotIntelHex, 0},
        {":020010040000EB", ResultChecksumError, untouchedPosition},
        {":0400100001020304E3", ResultChecksumError, untouchedPosition},
        // Malformed records are refused before their checksum is looked at.
        {" :00000001FF", ResultNotIntelHex, untouchedPosition},
        {"", ResultNotIntelHex, untouchedPosition},
        {":", ResultNotIntelHex, untouchedPosition},
        {":\r\n", ResultNotIntelHex, untouchedPosition},
        {":00000001FF ", ResultNotIntelHex, untouchedPosition},
        {":00000001FF:", ResultNotIntelHex, untouchedPosition},
        {":00000001FF\t\r\n", ResultNotIntelHex, untouchedPosition},
        {":000000 01FF", ResultNotIntelHex, untouchedPosition},
        {":010000004xBF", ResultNotIntelHex, untouchedPosition},
        {":0100000041427C", ResultNotIntelHex, untouchedPosition},
        {":040000000102F9", ResultNotIntelHex, untouchedPosition},
        // What follows the line end is not read.
        {":00000001FF\r\n:zz", 1, 0},
        {":00000001FF\n:zz", 1, 0},
        {":00000001FF\rzz", 1, 0},
        {":00000001FF\r", 1, 0},
    };
    for (const DecodeCase &row : cases) {
        SCOPED_TRACE(row.record);
        GuardedBuffer<uint8_t> buffer(decodeRoom);
        uint32_t position = untouchedPosition;
        EXPECT_EQ(decode(row.record, buffer, position), row.result);
        if (row.position != anyPosition) {
            EXPECT_EQ(position, row.position);
        }
        EXPECT_TRUE(buffer.guardIntact());
    }
}

TEST(LineHexToBin, StoresExactlyTheDataBytesAtTheAddress)
{
    struct StoreCase {
        const char *record;
        size_t address;
        std::vector<uint8_t> bytes;
    };
    const StoreCase cases[] = {
        {":0400100001020304E2", 0x10, {1, 2, 3, 4}},
        {":04000000ea59335c2a", 0x00, {0xEA, 0x59, 0x33, 0x5C}},
        {":02FFF000aBcD97", 0xFFF0, {0xAB, 0xCD}},
    };
    for (const StoreCase &row : cases) {
        SCOPED_TRACE(row.record);
        GuardedBuffer<uint8_t> buffer(decodeRoom);
        uint32_t position = 0;
        ASSERT_EQ(decode(row.record, buffer, position), 0);
        EXPECT_EQ(position, row.address + row.bytes.size());
        if (row.address > 0) {
            EXPECT_EQ(buffer[row.address - 1], GuardedBuffer<uint8_t>::sentinel);
        }
        for (size_t i = 0; i < row.bytes.size(); ++i)
            EXPECT_EQ(buffer[row.address + i], row.bytes[i]);
        EXPECT_EQ(buffer[row.address + row.bytes.size()], GuardedBuffer<uint8_t>::sentinel);
    }
}

TEST(LineHexToBin, AnyCharacterThatIsNoHexDigitIsRefusedWherever)
{
    // Each character of a good record in turn replaced by a character
    // that is not a hex digit; the checksum cannot save any of them.
    const std::string good = ":0400100001020304E2";
    for (const char bad : {'G', 'g', ' ', ':', '\t', '\x82', '\x7F', '-'}) {
        for (size_t at = 1; at < good.size(); ++at) {
            std::string record = good;
            record[at] = bad;
            SCOPED_TRACE(testing::Message() << record << " at " << at);
            GuardedBuffer<uint8_t> buffer(decodeRoom);
            uint32_t position = untouchedPosition;
            EXPECT_EQ(decode(record, buffer, position), ResultNotIntelHex);
            EXPECT_EQ(position, untouchedPosition);
            EXPECT_TRUE(buffer.untouched());
        }
    }
}

TEST(LineHexToBin, LongestRecordAtTheTopFillsTheBufferExactly)
{
    GuardedBuffer<uint8_t> buffer(decodeRoom);
    uint32_t position = 0;
    std::vector<uint8_t> data = rampBytes(255, 7);
    ASSERT_EQ(decode(dataRecord(0xFFFF, data), buffer, position), 0);
    EXPECT_EQ(position, 0xFFFFu + 255u);
    EXPECT_EQ(buffer[0xFFFF], 7);
    EXPECT_EQ(buffer[decodeRoom - 1], data.back());
    EXPECT_TRUE(buffer.guardIntact());
}

TEST(LineHexToBin, PairCountMustBeTheLengthBytePlusFive)
{
    struct CountCase {
        uint8_t length;
        size_t pairs;
        int32_t result;
    };
    const CountCase cases[] = {
        {0x10, 21, 0},
        {0x10, 20, ResultNotIntelHex},
        {0x10, 22, ResultNotIntelHex},
        {0x10, 300, ResultNotIntelHex},
        {0x10, 301, ResultNotIntelHex},
        {0x10, 5000, ResultNotIntelHex},
        {0xFF, 260, 0},
        {0xFF, 259, ResultNotIntelHex},
        {0xFF, 261, ResultNotIntelHex},
        {0x00, 5, 0},
        {0x00, 6, ResultNotIntelHex},
    };
    for (const CountCase &row : cases) {
        SCOPED_TRACE(testing::Message() << int(row.length) << " with " << row.pairs << " pairs");
        GuardedBuffer<uint8_t> buffer(decodeRoom);
        uint32_t position = untouchedPosition;
        EXPECT_EQ(decode(recordOfPairs(row.length, row.pairs), buffer, position), row.result);
        if (row.result < 0) {
            EXPECT_EQ(position, untouchedPosition);
            EXPECT_TRUE(buffer.untouched());
        }
        EXPECT_TRUE(buffer.guardIntact());
    }
}

TEST(LineHexToBin, OddDigitCountIsRefusedWithinTheText)
{
    for (const char *record : {":0", ":000", ":00000001F", ":00000001FFF", ":0400100001020304E2F",
                               ":0400100001020304E\r\n"}) {
        SCOPED_TRACE(record);
        GuardedBuffer<uint8_t> buffer(decodeRoom);
        uint32_t position = untouchedPosition;
        EXPECT_EQ(decode(record, buffer, position), ResultNotIntelHex);
        EXPECT_EQ(position, untouchedPosition);
        EXPECT_TRUE(buffer.untouched());
    }
}

TEST(LineCheckSum, AcceptsBytesThatSumToZero)
{
    struct ChecksumCase {
        std::vector<uint8_t> bytes;
        int32_t result;
    };
    std::vector<uint8_t> wrapping(255, 0xFF);
    wrapping.push_back(0xFF);
    const ChecksumCase cases[] = {
        {{0x00, 0x00, 0x00, 0x01, 0xFF}, 1},
        {{0x00, 0x00, 0x00, 0x01, 0xFE}, 0},
        {{0x04, 0x00, 0x10, 0x00, 0x01, 0x02, 0x03, 0x04, 0xE2}, 1},
        {{0x00}, 1},
        {{0x01}, 0},
        {wrapping, 1},
    };
    for (const ChecksumCase &row : cases) {
        SCOPED_TRACE(row.bytes.size());
        uint8_t checksum = 0x5A;
        EXPECT_EQ(LineCheckSum(row.bytes.data(), int32_t(row.bytes.size()), &checksum), row.result);
        EXPECT_EQ(checksum, row.result ? row.bytes.back() : 0x5A);
        EXPECT_EQ(LineCheckSum(row.bytes.data(), int32_t(row.bytes.size()), nullptr), row.result);
    }
}

TEST(LineCheckSum, NoBytesIsNoValidRecord)
{
    uint8_t checksum = 0x5A;
    EXPECT_EQ(LineCheckSum(nullptr, 0, &checksum), 0);
    EXPECT_EQ(LineCheckSum(nullptr, -1, &checksum), 0);
    EXPECT_EQ(checksum, 0x5A);
}

TEST(CheckSum, LongRangesFromAnyOffset)
{
    // Long enough to be summed sixteen bytes at a time, with both ends at
    // every offset against those steps, and past the data into the blanks.
    std::vector<uint8_t> data(1000);
    std::mt19937 random(1);
    for (uint8_t &byte : data)
        byte = static_cast<uint8_t>(random());
    for (uint32_t first = 0; first < 40; ++first) {
        for (uint32_t last : {first, first + 15, first + 16, first + 17, 500u, 998u, 999u, 1040u}) {
            uint32_t expected = 0;
            for (uint64_t p = first; p <= last; ++p)
                expected += p < data.size() ? data[p] : 0xEE;
            EXPECT_EQ(CheckSum(data.data(), uint32_t(data.size()), first, last, 0xEE, nullptr),
                      expected)
                << first << ".." << last;
        }
    }
}

TEST(CheckSum, SumsDataAndBlankTail)
{
    struct SumCase {
        std::vector<uint8_t> data;
        uint32_t first;
        uint32_t last;
        uint32_t blank;
        uint32_t sum;
        const char *digits;
    };
    const std::vector<uint8_t> small = {0x01, 0x02, 0x03};
    const SumCase cases[] = {
        {small, 0, 4, 0xFF, 0x204, "00000204"},
        {small, 2, 1, 0xFF, 0, "00000000"},
        {small, 1, 1, 0xFF, 2, "00000002"},
        {small, 5, 9, 0x1FF, 0x4FB, "000004FB"},
        {{0xFF, 0xFF, 0xFF}, 0, 2, 0, 0x2FD, "000002FD"},
        // Whole 32-bit ranges: the tail of blanks wraps the sum at 32 bits.
        {small, 0, 0xFFFFFFFF, 0x01, 3, "00000003"},
        {small, 0, 0xFFFFFFFF, 0xAB, 0xFFFFFE05, "FFFFFE05"},
        {small, 0xFFFFFFFF, 0xFFFFFFFF, 0x07, 7, "00000007"},
        {small, 0xFFFFFFF0, 0xFFFFFFFF, 0x80, 0x800, "00000800"},
        {{}, 0, 0xFFFFFFFF, 0x01, 0, "00000000"},
        {{}, 0, 0xFFFFFFFF, 0xFF, 0, "00000000"},
    };
    for (const SumCase &row : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << row.first << ".." << row.last);
        // Exact-size copy: positions past the data must not be read.
        std::unique_ptr<uint8_t[]> data(new uint8_t[std::max<size_t>(row.data.size(), 1)]);
        std::copy(row.data.begin(), row.data.end(), data.get());
        GuardedBuffer<char> digits(9);
        uint32_t sum = CheckSum(data.get(), uint32_t(row.data.size()), row.first, row.last,
                                row.blank, digits.data());
        EXPECT_EQ(sum, row.sum);
        EXPECT_STREQ(digits.data(), row.digits);
        EXPECT_TRUE(digits.guardIntact());
        EXPECT_EQ(CheckSum(data.get(), uint32_t(row.data.size()), row.first, row.last, row.blank,
                           nullptr),
                  row.sum);
    }
}
