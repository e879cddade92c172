// Text after the end record: two files joined with cat. The bytes stay
// what the peers make of the file (srec_cat reads S-records past S9, every
// peer stops at a HEX end record), and the reader names the first line
// after the end, as srec_cat's "termination record should be last" does,
// whatever the sizes of the pieces it is fed in.
#include "peer_tools.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <cctype>

using namespace kestrun_test;

namespace {

struct PastEndCase {
    const char *name;
    int32_t format;
    std::string text;
    uint64_t line; // the first line after the end; 0: nothing follows it
    uint64_t column;
};

const std::string kHexA = ":0400000001020304F2\n:00000001FF\n";
const std::string kHexB = ":0400100011121314A2\n:00000001FF\n";
const std::string kSrecA = "S107000001020304EE\nS9030000FC\n";
const std::string kSrecB = "S1070010111213149E\nS9030000FC\n";

const PastEndCase kCases[] = {
    {"hex alone", KESTRUN_FORMAT_IHEX, kHexA, 0, 0},
    {"hex joined", KESTRUN_FORMAT_IHEX, kHexA + kHexB, 3, 1},
    {"hex joined, CR LF", KESTRUN_FORMAT_IHEX,
     ":0400000001020304F2\r\n:00000001FF\r\n:0400100011121314A2\r\n:00000001FF\r\n", 3, 1},
    {"hex blank lines, then text", KESTRUN_FORMAT_IHEX, kHexA + "\n \t\nhello\n", 5, 1},
    {"hex blanks and Ctrl-Z only", KESTRUN_FORMAT_IHEX, kHexA + "\r\n  \t\n\x1A", 0, 0},
    {"hex NUL padding only", KESTRUN_FORMAT_IHEX, kHexA + std::string(40, '\0'), 0, 0},
    {"hex indented text", KESTRUN_FORMAT_IHEX, kHexA + "   x\n", 3, 4},
    {"srec alone", KESTRUN_FORMAT_SREC, kSrecA, 0, 0},
    {"srec joined", KESTRUN_FORMAT_SREC, kSrecA + kSrecB, 3, 1},
    {"srec joined with headers", KESTRUN_FORMAT_SREC,
     "S00600004844521B\n" + kSrecA + "S00600004844521B\n" + kSrecB, 4, 1},
    {"srec joined, CR LF and blank lines", KESTRUN_FORMAT_SREC,
     "S107000001020304EE\r\nS9030000FC\r\n\r\nS1070010111213149E\r\n", 4, 1},
    {"srec count after S9", KESTRUN_FORMAT_SREC, kSrecA + "S5030001FB\n", 3, 1},
};

struct PastEnd {
    int32_t result = ResultOk;
    int32_t found = 0;
    kestrun_place place{};
    std::vector<uint8_t> bytes; // addresses 0 up to the highest, gaps 00
};

// Feeds `text` in pieces whose sizes `sizes` gives, on past the HEX end
// record, as a caller that wants the warning does.
template <typename Sizes> PastEnd readPastEnd(const PastEndCase &c, Sizes sizes)
{
    PastEnd r;
    ImagePtr image(kestrun_image_new());
    int32_t rc = ResultOk;
    kestrun_reader *reader = kestrun_reader_new(c.format, image.get(), &rc);
    for (size_t at = 0; rc >= 0 && at < c.text.size();) {
        const size_t n = std::min(sizes(), c.text.size() - at);
        rc = kestrun_reader_feed(reader, c.text.data() + at, n);
        at += n;
    }
    if (rc >= 0)
        rc = kestrun_reader_finish(reader);
    r.result = rc;
    r.found = kestrun_reader_past_end(reader, &r.place);
    kestrun_reader_free(reader);
    uint32_t low = 0, high = 0;
    if (kestrun_image_bounds(image.get(), &low, &high) == ResultOk) {
        r.bytes.resize(size_t(high) + 1);
        kestrun_image_read(image.get(), 0, r.bytes.size(), 0x00, r.bytes.data());
    }
    return r;
}

// srec_cat's image of the text, from address 0, and the line its warning
// of a record after the termination record names (0 without one).
// The LINE of srec_cat's "FILE: LINE: warning: termination record should
// be last", which it may wrap; 0 without one.
uint64_t lineWarnedOf(const std::string &log)
{
    std::string text;
    for (const char ch : log)
        if (!std::isspace(static_cast<unsigned char>(ch)))
            text += ch;
        else if (!text.empty() && text.back() != ' ')
            text += ' ';
    const size_t at = text.find(": warning: termination record should be last");
    size_t from = at == std::string::npos ? 0 : at;
    while (from > 0 && std::isdigit(static_cast<unsigned char>(text[from - 1])))
        --from;
    if (from == at || from < 2 || text.compare(from - 2, 2, ": ") != 0)
        return 0;
    return std::stoull(text.substr(from, at - from));
}

std::pair<std::vector<uint8_t>, uint64_t> srecCat(const PastEndCase &c, const ScratchDir &dir)
{
    writeFile(dir.path() / "in.txt", c.text.data(), c.text.size());
    std::vector<std::string> args{"srec_cat", (dir.path() / "in.txt").string()};
    if (c.format == KESTRUN_FORMAT_IHEX)
        args.push_back("-intel");
    for (const char *arg : {"-o", "", "-binary"})
        args.push_back(*arg ? arg : (dir.path() / "out.bin").string());
    EXPECT_TRUE(runPeer(args, dir.path() / "peer.log")) << c.name;
    const std::string out = readFile(dir.path() / "out.bin");
    return {std::vector<uint8_t>(out.begin(), out.end()),
            lineWarnedOf(readFile(dir.path() / "peer.log"))};
}

} // namespace

TEST(PastEnd, NamesTheFirstLineAfterTheEndAndKeepsThePeersBytes)
{
    ScratchDir dir;
    std::mt19937 random(29);
    for (const PastEndCase &c : kCases) {
        SCOPED_TRACE(c.name);
        const PastEnd whole = readPastEnd(c, [] { return size_t(1) << 20; });
        ASSERT_EQ(whole.result, ResultOk);
        EXPECT_EQ(whole.found, c.line ? 1 : 0);
        if (c.line) {
            EXPECT_EQ(whole.place.line, c.line);
            EXPECT_EQ(whole.place.column, c.column);
        }
        const auto [peerBytes, peerLine] = srecCat(c, dir);
        EXPECT_EQ(whole.bytes, peerBytes);
        // srec_cat says nothing of HEX text after the end, nor of lines
        // that are not records.
        if (c.format == KESTRUN_FORMAT_SREC) {
            EXPECT_EQ(peerLine, c.line);
        }

        for (const auto &sizes : {std::function<size_t()>([] { return size_t(1); }),
                                  std::function<size_t()>([&] { return size_t(random() % 7 + 1); })}) {
            const PastEnd pieces = readPastEnd(c, sizes);
            EXPECT_EQ(pieces.result, ResultOk);
            EXPECT_EQ(pieces.found, whole.found);
            EXPECT_EQ(pieces.place.line, whole.place.line);
            EXPECT_EQ(pieces.place.column, whole.place.column);
            EXPECT_EQ(pieces.place.offset, whole.place.offset);
            EXPECT_EQ(pieces.bytes, whole.bytes);
        }
    }
}
