// The check values: every preset against its catalogue check value, models
// of every width against Boost.CRC's bit-at-a-time reference, crc-32 over an
// image with gaps against Python's zlib, the STM32 CRC and the Fletcher and
// Adler sums against srec_cat, the digests against hashlib; find and
// replace against Python's bytes.replace; and the ways a check or its slot
// can be asked for wrongly.
#include "exports.h"
#include "peer_tools.h"

#include <boost/crc.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>

using namespace kestrun_test;

namespace {

struct CheckFree {
    void operator()(kestrun_check *c) const { kestrun_check_free(c); }
};
struct ImageFree {
    void operator()(kestrun_image *i) const { kestrun_image_free(i); }
};
using CheckPtr = std::unique_ptr<kestrun_check, CheckFree>;
using ImagePtr = std::unique_ptr<kestrun_image, ImageFree>;

CheckPtr named(const char *name)
{
    return CheckPtr(kestrun_check_new(name, nullptr));
}

struct CatalogueCase {
    const char *name;
    uint64_t check;
};

// The catalogue's check values: the CRC of "123456789". The STM32 unit
// takes whole words, so its row is of "12345678", as srec_cat computes it.
const CatalogueCase kCatalogue[] = {
    {"crc-32", 0xCBF43926},
    {"crc-32c", 0xE3069283},
    {"crc-32/mpeg-2", 0x0376E6E7},
    {"crc-32/stm32", 0xFEFC54F9},
    {"crc-64/xz", 0x995DC9BBDF1939FA},
    {"crc-16/ccitt-false", 0x29B1},
    {"crc-16/xmodem", 0x31C3},
    {"crc-16/modbus", 0x4B37},
    {"crc-16/arc", 0xBB3D},
    {"crc-8", 0xF4},
    {"sum8", 0xDD},
    {"sum16", 0x01DD},
    {"sum32", 0x01DD},
    {"sum8/twos-complement", 0x23},
};

// The checks a peer computes: srec_cat's filter (its _Big_Endian form, the
// value's most significant byte first), or hashlib's algorithm.
const struct PeerCheck {
    const char *name;
    const char *srecCat;
    const char *hashlib;
} kPeerChecks[] = {
    {"fletcher-16", "-Fletcher_16_Big_Endian", nullptr},
    {"fletcher-32", "-Fletcher_32_Big_Endian", nullptr},
    {"adler-16", "-Adler_16_Big_Endian", nullptr},
    {"adler-32", "-Adler_32_Big_Endian", nullptr},
    {"sha256", nullptr, "sha256"},
    {"sha1", nullptr, "sha1"},
    {"sha512", nullptr, "sha512"},
    {"md5", nullptr, "md5"},
};

} // namespace

TEST(Check, EveryPresetGivesItsCatalogueValueOnceAndInPiecesOfAnImage)
{
    uint32_t listed = 0;
    while (kestrun_check_preset(listed, nullptr, nullptr) == ResultOk)
        ++listed;
    EXPECT_EQ(listed, std::size(kCatalogue) + std::size(kPeerChecks)) << "a preset without a row";
    for (const CatalogueCase &c : kCatalogue) {
        const std::string text = std::string(c.name) == "crc-32/stm32" ? "12345678" : "123456789";
        const CheckPtr check = named(c.name);
        ASSERT_TRUE(check) << c.name;
        kestrun_check_update(check.get(), reinterpret_cast<const uint8_t *>(text.data()),
                             text.size());
        EXPECT_EQ(kestrun_check_value(check.get()), c.check) << c.name;
        // The same bytes as three pieces of an image, read back over its range.
        ImagePtr image(kestrun_image_new());
        for (size_t at : {size_t(5), size_t(0), size_t(2)})
            kestrun_image_put(image.get(), 0x1000 + uint32_t(at),
                              reinterpret_cast<const uint8_t *>(text.data()) + at,
                              at == 0 ? 2 : at == 2 ? 3 : text.size() - 5);
        uint64_t value = 0;
        ASSERT_EQ(kestrun_check_image(check.get(), image.get(), 0x1000,
                                      0x1000 + uint32_t(text.size()) - 1, 0xFF, &value),
                  ResultOk);
        EXPECT_EQ(value, c.check) << c.name << " over an image";
    }
}

// Boost's bit-at-a-time CRC is the reference for any model.
template <std::size_t Bits> uint64_t boostCrc(const kestrun_crc_model &m, const std::string &data)
{
    using Value = typename boost::crc_basic<Bits>::value_type;
    boost::crc_basic<Bits> crc(Value(m.poly), Value(m.init), Value(m.xorout), m.refin != 0,
                               m.refout != 0);
    crc.process_bytes(data.data(), data.size());
    return crc.checksum();
}

TEST(Check, ModelsOfEveryKindAgreeWithBoost)
{
    std::mt19937_64 random(21);
    std::string data(1000, '\0');
    for (char &c : data)
        c = char(random());
    const std::pair<uint32_t, uint64_t (*)(const kestrun_crc_model &, const std::string &)> widths[] = {
        {8, boostCrc<8>}, {12, boostCrc<12>}, {16, boostCrc<16>}, {24, boostCrc<24>},
        {31, boostCrc<31>}, {32, boostCrc<32>}, {40, boostCrc<40>}, {64, boostCrc<64>}};
    for (const auto &[width, reference] : widths) {
        for (int reflection = 0; reflection < 4; ++reflection) {
            const uint64_t mask = width == 64 ? UINT64_MAX : (uint64_t(1) << width) - 1;
            const kestrun_crc_model m{width,           random() & mask, random() & mask,
                                      reflection & 1, reflection >> 1, random() & mask};
            int32_t rc = ResultBadArgument;
            const CheckPtr check(kestrun_check_new_crc(&m, &rc));
            ASSERT_EQ(rc, ResultOk);
            // Odd pieces, so that both the eight-byte and the byte loop run.
            for (size_t at = 0; at < data.size(); at += 37)
                kestrun_check_update(check.get(), reinterpret_cast<const uint8_t *>(data.data()) + at,
                                     std::min<size_t>(37, data.size() - at));
            EXPECT_EQ(kestrun_check_value(check.get()), reference(m, data))
                << "width " << width << " refin " << m.refin << " refout " << m.refout;
        }
    }
}

TEST(Check, Crc32OfAnImageWithGapsAgreesWithZlib)
{
    ScratchDir dir;
    std::mt19937 random(7);
    ImagePtr image(kestrun_image_new());
    std::vector<uint8_t> bytes(3 << 20);
    for (auto &b : bytes)
        b = uint8_t(random());
    // Runs with gaps between them; the range begins and ends in a gap.
    for (uint32_t at = 0x100; at + 70000 < bytes.size(); at += 70000 + (random() % 5000))
        kestrun_image_put(image.get(), 0x08000000 + at, bytes.data() + at, 60000 + random() % 9000);
    const uint32_t first = 0x08000000, last = 0x08000000 + uint32_t(bytes.size()) - 1;
    std::vector<uint8_t> window(bytes.size());
    kestrun_image_read(image.get(), first, window.size(), 0xFF, window.data());
    writeFile(dir.path() / "window.bin", window.data(), window.size());
    ASSERT_TRUE(runPeer({systemPython(), "-c",
                         "import sys, zlib; print('%08X' % zlib.crc32(open(sys.argv[1], 'rb').read()))",
                         (dir.path() / "window.bin").string()},
                        dir.path() / "zlib.txt"));
    uint64_t value = 0;
    ASSERT_EQ(kestrun_check_image(named("crc-32").get(), image.get(), first, last, 0xFF, &value),
              ResultOk);
    char ours[9];
    std::snprintf(ours, sizeof ours, "%08llX", static_cast<unsigned long long>(value));
    EXPECT_EQ(readFile(dir.path() / "zlib.txt"), std::string(ours) + "\n");
}

TEST(Check, Stm32CrcAgreesWithSrecCat)
{
    ScratchDir dir;
    std::mt19937 random(3);
    std::vector<uint8_t> bytes(4096 + 64);
    for (auto &b : bytes)
        b = uint8_t(random());
    writeFile(dir.path() / "in.bin", bytes.data(), bytes.size());
    ASSERT_TRUE(runPeer({"srec_cat", (dir.path() / "in.bin").string(), "-binary", "-STM32",
                         std::to_string(bytes.size()), "-o", (dir.path() / "out.bin").string(),
                         "-binary"},
                        dir.path() / "log.txt"));
    const std::string out = readFile(dir.path() / "out.bin");
    ASSERT_EQ(out.size(), bytes.size() + 4);
    ImagePtr image(kestrun_image_new());
    kestrun_image_put(image.get(), 0, bytes.data(), bytes.size());
    ASSERT_EQ(kestrun_image_insert_check(image.get(), named("crc-32/stm32").get(), 0,
                                         uint32_t(bytes.size()) - 1, 0xFF, uint32_t(bytes.size()),
                                         KESTRUN_LITTLE_ENDIAN, nullptr),
              ResultOk);
    uint8_t slot[4];
    kestrun_image_read(image.get(), uint32_t(bytes.size()), 4, 0, slot);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(slot), 4), out.substr(bytes.size()));
}

// Each over the filled window of an image with gaps: random bytes, zeros
// (Fletcher's sums stay 0), FF bytes (its sums reach 255, not 0, as
// srec_cat's end-around carry keeps them) and one byte.
TEST(Check, SumsAndDigestsAgreeWithTheirPeersOnTheFilledBytes)
{
    ScratchDir dir;
    std::mt19937 random(11);
    std::vector<uint8_t> noise(70000);
    for (auto &b : noise)
        b = uint8_t(random());
    const std::pair<const char *, std::vector<uint8_t>> windows[] = {
        {"random", noise}, {"zeros", std::vector<uint8_t>(300, 0)},
        {"FF bytes", std::vector<uint8_t>(1000, 0xFF)}, {"one byte", {0x5A}}};
    for (const auto &[what, window] : windows) {
        SCOPED_TRACE(what);
        // Data with a gap in the middle, which reads as the fill, FF.
        std::vector<uint8_t> filled = window;
        const size_t gapAt = window.size() / 3, gapEnd = gapAt + std::min<size_t>(window.size() / 4, 700);
        std::fill(filled.begin() + gapAt, filled.begin() + gapEnd, 0xFF);
        ImagePtr image(kestrun_image_new());
        kestrun_image_put(image.get(), 0x2000, filled.data(), gapAt);
        kestrun_image_put(image.get(), 0x2000 + uint32_t(gapEnd), filled.data() + gapEnd,
                          filled.size() - gapEnd);
        const fs::path in = dir.path() / "in.bin", out = dir.path() / "out.bin";
        writeFile(in, filled.data(), filled.size());
        for (const PeerCheck &c : kPeerChecks) {
            const std::string slot = std::to_string(window.size());
            ASSERT_TRUE(c.srecCat
                            ? runPeer({"srec_cat", in.string(), "-binary", c.srecCat, slot, "-o",
                                       out.string(), "-binary"},
                                      dir.path() / "log.txt")
                            : runPeer({systemPython(), "-c",
                                       "import sys, hashlib; open(sys.argv[3], 'wb').write(hashlib.new("
                                       "sys.argv[1], open(sys.argv[2], 'rb').read()).digest())",
                                       c.hashlib, in.string(), out.string()},
                                      dir.path() / "log.txt"));
            const CheckPtr check = named(c.name);
            ASSERT_TRUE(check) << c.name;
            uint64_t value = 0;
            ASSERT_EQ(kestrun_check_image(check.get(), image.get(), 0x2000,
                                          0x2000 + uint32_t(window.size()) - 1, 0xFF, &value),
                      ResultOk);
            std::string ours((kestrun_check_width(check.get()) + 7) / 8, '\0');
            ASSERT_EQ(kestrun_check_bytes(check.get(), 0xFF, KESTRUN_BIG_ENDIAN,
                                          reinterpret_cast<uint8_t *>(ours.data()), uint32_t(ours.size())),
                      ResultOk);
            const std::string peer = readFile(out);
            EXPECT_EQ(ours, c.srecCat ? peer.substr(std::min(peer.size(), filled.size())) : peer)
                << c.name << " of " << what;
        }
    }
}

// Each row: the bytes of adjacent puts (a gap between them when `gap`),
// the pattern and its replacement; Python's bytes.replace over each run of
// data is the judge, of the bytes and of the count.
TEST(Check, ReplaceAgreesWithPythonOverEachRunOfData)
{
    ScratchDir dir;
    std::string big(0x100000 + 40, 'x');
    big.replace(0x100000 - 2, 4, "ABCD"); // across the reader's window
    const struct {
        const char *what;
        std::vector<std::string> pieces;
        bool gap;
        std::string find, replace;
    } rows[] = {
        {"overlapping occurrences", {"AAAAAxAA"}, false, "AA", "BC"},
        {"across two pieces", {"xxAB", "CDxxABCD"}, false, "ABCD", "1234"},
        {"not across a gap", {"xxAB", "CDxx"}, true, "ABCD", "1234"},
        {"across a megabyte window", {big}, false, "ABCD", "wxyz"},
        {"none there", {"abc"}, false, "zz", "yy"},
    };
    for (const auto &row : rows) {
        ImagePtr image(kestrun_image_new());
        uint32_t at = 0x100;
        std::string runs;
        for (const std::string &piece : row.pieces) {
            kestrun_image_put(image.get(), at, reinterpret_cast<const uint8_t *>(piece.data()),
                              piece.size());
            runs += piece + (row.gap ? "\n" : "");
            at += uint32_t(piece.size()) + (row.gap ? 1 : 0);
        }
        writeFile(dir.path() / "runs.txt", runs.data(), runs.size());
        ASSERT_TRUE(runPeer({systemPython(), "-c",
                             "import sys; f, r = sys.argv[2].encode(), sys.argv[3].encode()\n"
                             "runs = open(sys.argv[1], 'rb').read().split(b'\\n')\n"
                             "open(sys.argv[4], 'wb').write(b''.join(x.replace(f, r) for x in runs))\n"
                             "print(sum(x.count(f) for x in runs), end='')",
                             (dir.path() / "runs.txt").string(), row.find, row.replace,
                             (dir.path() / "out.bin").string()},
                            dir.path() / "count.txt"));
        uint64_t count = 0;
        ASSERT_EQ(kestrun_image_replace(image.get(), reinterpret_cast<const uint8_t *>(row.find.data()),
                                        reinterpret_cast<const uint8_t *>(row.replace.data()),
                                        uint32_t(row.find.size()), &count),
                  ResultOk);
        EXPECT_EQ(std::to_string(count), readFile(dir.path() / "count.txt")) << row.what;
        std::string ours;
        kestrun_segment s;
        for (uint64_t from = 0; kestrun_image_piece(image.get(), from, &s) == ResultOk;
             from = uint64_t(s.address) + s.length)
            ours.append(reinterpret_cast<const char *>(s.bytes), s.length);
        EXPECT_EQ(ours, readFile(dir.path() / "out.bin")) << row.what;
    }
}

TEST(Check, WrongRequestsAreRefusedAndStoreNothing)
{
    int32_t rc = ResultOk;
    EXPECT_EQ(kestrun_check_new("crc-33", &rc), nullptr);
    EXPECT_EQ(rc, ResultBadArgument);
    const kestrun_crc_model badModels[] = {
        {7, 0x07, 0, 0, 0, 0}, {65, 0x07, 0, 0, 0, 0}, {8, 0x107, 0, 0, 0, 0},
        {16, 0x1021, 0x10000, 0, 0, 0}, {16, 0x1021, 0, 2, 0, 0}, {16, 0x1021, 0, 0, 0, 0x1FFFF}};
    for (const kestrun_crc_model &m : badModels) {
        rc = ResultOk;
        EXPECT_EQ(kestrun_check_new_crc(&m, &rc), nullptr) << "width " << m.width;
        EXPECT_EQ(rc, ResultBadArgument);
    }
    const struct {
        const char *what;
        uint32_t first, last, slot;
        int32_t endian;
        int32_t result;
    } slots[] = {
        {"range the wrong way round", 0x200, 0x100, 0x300, KESTRUN_LITTLE_ENDIAN, ResultBadArgument},
        {"slot inside its range", 0x100, 0x2FF, 0x200, KESTRUN_LITTLE_ENDIAN, ResultBadArgument},
        {"slot reaching into its range", 0x100, 0x2FF, 0xFE, KESTRUN_LITTLE_ENDIAN, ResultBadArgument},
        {"slot past 4 GiB", 0x100, 0x2FF, 0xFFFFFFFE, KESTRUN_BIG_ENDIAN, ResultAddressFault},
        {"unknown byte order", 0x100, 0x2FF, 0x300, 2, ResultBadArgument},
        {"slot right after its range", 0x100, 0x2FF, 0x300, KESTRUN_BIG_ENDIAN, ResultOk},
    };
    const uint8_t data[16] = {1, 2, 3};
    for (const auto &s : slots) {
        ImagePtr image(kestrun_image_new());
        kestrun_image_put(image.get(), 0x100, data, sizeof data);
        EXPECT_EQ(kestrun_image_insert_check(image.get(), named("crc-32").get(), s.first, s.last,
                                             0xFF, s.slot, s.endian, nullptr),
                  s.result)
            << s.what;
        EXPECT_EQ(kestrun_image_data_bytes(image.get()), sizeof data + (s.result == ResultOk ? 4 : 0))
            << s.what;
    }
}
