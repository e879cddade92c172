// Differential tests against GNU objcopy and srec_cat: our HEX must load
// byte for byte in their readers, and their HEX must load in ours. A peer
// that cannot run fails the test; a missing peer must never pass silently.

#include "exports.h"
#include "peer_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using namespace kestrun_test;

namespace {

using Bytes = std::vector<uint8_t>;

// The program's default allocation factor: output room is Scope x input length.
constexpr uint32_t kScope = 0x0A;

constexpr uint32_t kFewBytes = 5;
constexpr uint32_t kSeventyKiB = 70 * 1024;
// Past 2 MiB: segment records in the first MiB, then several linear records.
constexpr uint32_t kLarge = 2411724;

Bytes randomImage(uint32_t size, uint32_t seed)
{
    std::mt19937 generator(seed);
    Bytes image(size);
    for (auto &byte : image)
        byte = static_cast<uint8_t>(generator() >> 24);
    return image;
}

// Runs of 0xFF longer than the work image's growth step, as erased flash
// between code blocks; the last byte is data so the automatic end is known.
Bytes sparseImage(uint32_t seed)
{
    Bytes image(1600 * 1024, 0xFF);
    std::mt19937 generator(seed);
    const uint32_t blocks[][2] = {
        {0x00000, 0x2345}, {0x0FFF0, 0x40}, {0xA0001, 0x1000}, {0x17FF00, 0x8100}};
    for (const auto &block : blocks) {
        for (uint32_t i = 0; i < block[1]; ++i)
            image[block[0] + i] = static_cast<uint8_t>(generator() % 0xFF);
    }
    image.resize(0x17FF00 + 0x8100);
    return image;
}

size_t countOf(const std::string &text, const std::string &what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

::testing::AssertionResult sameBytes(const Bytes &expected, const std::string &actual)
{
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.size() << ", expected " << expected.size();
    }
    const auto mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin(),
                                        [](uint8_t a, char b) { return a == uint8_t(b); });
    if (mismatch.first == expected.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "first difference at offset 0x" << std::hex << (mismatch.first - expected.begin());
}

::testing::AssertionResult sameBytes(const Bytes &expected, const Bytes &actual)
{
    return sameBytes(expected, std::string(actual.begin(), actual.end()));
}

struct HexOutput {
    int32_t result = 0;
    std::string text;
};

// Sized as the program sizes it: Scope x data length, never below 1024.
HexOutput writeHex(const Bytes &image, int32_t recordLength, uint32_t newLine)
{
    const uint32_t size = static_cast<uint32_t>(image.size());
    const uint32_t capacity = std::max<uint32_t>(kScope * size, 1024);
    // Left uninitialised like the program's buffer: most of it is never touched.
    const std::unique_ptr<char[]> buffer(new char[capacity + 1]);
    uint32_t written = 0;
    const uint32_t start = 0;
    uint32_t end = 0;
    HexOutput out;
    out.result = BinaryToHex(image.data(), buffer.get(), size, capacity, recordLength, &written,
                             &start, &end, 0xFF, newLine, 0, nullptr);
    if (out.result == ResultOk)
        out.text.assign(buffer.get(), written);
    return out;
}

struct ImageOutput {
    int32_t result = 0;
    uint32_t end = 0;
    Bytes image;
};

// Automatic window and fill 0xFF as the program converts a document, with
// its room of Scope x text length unless the caller needs more.
ImageOutput readHex(const std::string &text, uint32_t minimumCapacity = 0)
{
    const auto textLength = static_cast<uint32_t>(text.size());
    const uint32_t capacity = std::max(kScope * textLength, minimumCapacity);
    const std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity + 1]);
    uint32_t imageSize = 0;
    const uint32_t start = 0;
    ImageOutput out;
    out.result = HexToBinary(text.c_str(), buffer.get(), static_cast<int32_t>(textLength), capacity,
                             &imageSize, &start, &out.end, 0xFF, 0, nullptr);
    if (out.result == ResultOk && imageSize <= capacity)
        out.image.assign(buffer.get(), buffer.get() + imageSize);
    return out;
}

class InteropTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_scratch.path().empty()) << "no scratch folder"; }

    fs::path file(const std::string &name) const { return m_scratch.path() / name; }
    fs::path log() const { return file("peer.log"); }

private:
    ScratchDir m_scratch;
};

struct WriteCase {
    const char *name;
    uint32_t size;
    int32_t recordLength;
    uint32_t newLine;
};

void PrintTo(const WriteCase &c, std::ostream *out)
{
    *out << c.name;
}

class OurHexInPeers : public InteropTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(OurHexInPeers, readsBackByteForByte)
{
    const WriteCase &c = GetParam();
    const Bytes image = randomImage(c.size, c.size ^ 0x5EED);
    const HexOutput hex = writeHex(image, c.recordLength, c.newLine);
    ASSERT_EQ(hex.result, ResultOk);
    if (c.size > 0x200000) {
        // The peers must meet both kinds of extended address record.
        EXPECT_GE(countOf(hex.text, ":02000002"), 15u);
        EXPECT_GE(countOf(hex.text, ":02000004"), 2u);
    }
    writeFile(file("ours.hex"), hex.text.data(), hex.text.size());

    ASSERT_TRUE(runPeer(
        {"objcopy", "-I", "ihex", "-O", "binary", file("ours.hex"), file("objcopy.bin")}, log()));
    EXPECT_TRUE(sameBytes(image, readFile(file("objcopy.bin")))) << "objcopy";

    ASSERT_TRUE(runPeer({"srec_cat", file("ours.hex"), "-intel", "-o", file("srec.bin"), "-binary"},
                        log()));
    EXPECT_TRUE(sameBytes(image, readFile(file("srec.bin")))) << "srec_cat";
}

INSTANTIATE_TEST_SUITE_P(
    Images, OurHexInPeers,
    ::testing::Values(WriteCase{"fewBytesCrLf", kFewBytes, 16, KESTRUN_NEWLINE_CRLF},
                      WriteCase{"seventyKiBLf", kSeventyKiB, 32, KESTRUN_NEWLINE_LF},
                      WriteCase{"seventyKiBLongRecords", kSeventyKiB, 255, KESTRUN_NEWLINE_CRLF},
                      WriteCase{"largeCrLf", kLarge, 32, KESTRUN_NEWLINE_CRLF},
                      WriteCase{"largeOddRecordsLf", kLarge, 24, KESTRUN_NEWLINE_LF}),
    [](const auto &info) { return std::string(info.param.name); });

struct ReadCase {
    const char *name;
    uint32_t size;
    // 0 for objcopy, else srec_cat's output block size.
    int recordLength;
    bool crLf;
};

void PrintTo(const ReadCase &c, std::ostream *out)
{
    *out << c.name;
}

class PeerHexInOurs : public InteropTest, public ::testing::WithParamInterface<ReadCase> {
protected:
    ::testing::AssertionResult writePeerHex(const ReadCase &c, const fs::path &hex)
    {
        if (c.recordLength == 0) {
            return runPeer({"objcopy", "-I", "binary", "-O", "ihex", file("image.bin"), hex},
                           log());
        }
        std::vector<std::string> args = {"srec_cat",
                                         file("image.bin"),
                                         "-binary",
                                         "-o",
                                         hex,
                                         "-intel",
                                         "-obs=" + std::to_string(c.recordLength)};
        if (c.crLf)
            args.push_back("-crlf");
        return runPeer(args, log());
    }
};

TEST_P(PeerHexInOurs, loadsTheSameBytes)
{
    const ReadCase &c = GetParam();
    const Bytes image = randomImage(c.size, c.size * 31 + c.recordLength);
    writeFile(file("image.bin"), image.data(), image.size());
    ASSERT_TRUE(writePeerHex(c, file("peer.hex")));
    const std::string text = readFile(file("peer.hex"));
    ASSERT_EQ(text.find("\r\n") != std::string::npos, c.crLf) << "line ends not as intended";

    const ImageOutput loaded = readHex(text);
    ASSERT_EQ(loaded.result, ResultOk);
    EXPECT_EQ(loaded.end, c.size - 1);
    EXPECT_TRUE(sameBytes(image, loaded.image));
}

// objcopy writes CR LF on every host; srec_cat writes LF unless told -crlf.
// Blocks of 24 and 255 bytes make srec_cat write records that run on across
// a 64 KiB boundary.
INSTANTIATE_TEST_SUITE_P(Producers, PeerHexInOurs,
                         ::testing::Values(ReadCase{"objcopyFewBytes", kFewBytes, 0, true},
                                           ReadCase{"objcopySeventyKiB", kSeventyKiB, 0, true},
                                           ReadCase{"objcopyLarge", kLarge, 0, true},
                                           ReadCase{"srec16Lf", kLarge, 16, false},
                                           ReadCase{"srec16CrLf", kSeventyKiB, 16, true},
                                           ReadCase{"srec32Lf", kSeventyKiB, 32, false},
                                           ReadCase{"srec32CrLf", kLarge, 32, true},
                                           ReadCase{"srec32FewBytes", kFewBytes, 32, false},
                                           ReadCase{"srec24Lf", kLarge, 24, false},
                                           ReadCase{"srec255CrLf", kSeventyKiB, 255, true}),
                         [](const auto &info) { return std::string(info.param.name); });

// A firmware HEX with the erased gaps left out, as srec_cat writes it with
// -unfill: the gaps must come back as the fill byte and every block in place.
TEST_F(InteropTest, sparsePeerHexLoadsWithGapsFilled)
{
    const Bytes image = sparseImage(0xF1A5);
    writeFile(file("image.bin"), image.data(), image.size());
    ASSERT_TRUE(runPeer({"srec_cat", file("image.bin"), "-binary", "-unfill", "0xFF", "16", "-o",
                         file("sparse.hex"), "-intel", "-obs=32"},
                        log()));

    // Scope x text length would not hold the gaps; the program reports that
    // as an overflow, which is not what this test is about.
    const ImageOutput loaded = readHex(readFile(file("sparse.hex")), image.size());
    ASSERT_EQ(loaded.result, ResultOk);
    EXPECT_EQ(loaded.end, image.size() - 1);
    EXPECT_TRUE(sameBytes(image, loaded.image));
}

} // namespace
