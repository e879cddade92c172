// The one writer's dump of sparse images: a run of two or more lines of
// fill is one gap line, the size told beforehand is exact, the lines of
// data are those srec_cat's dump shows, and each gap line spelled out as
// fill lines gives back the dump reports' form, a line for every 16
// addresses.
#include "peer_tools.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>

using namespace kestrun_test;

namespace {

struct Piece {
    uint32_t address;
    uint32_t length;
};

struct GapCase {
    const char *name;
    std::vector<Piece> pieces;
    uint32_t first; // the writer's window
    uint32_t last;
    uint32_t from; // what kestrun_writer_image is given
    uint32_t to;
    uint32_t indent;
    uint32_t lineEnd;
    unsigned gaps; // gap lines
};

const GapCase kCases[] = {
    {"two lines 256 MiB apart", {{0, 16}, {0x10000000, 16}}, 0, 0x1000000F, 0, 0xFFFFFFFF, 0,
     KESTRUN_NEWLINE_LF, 1},
    {"pieces cut mid-line", {{8, 16}, {0x10000, 16}, {0x10021, 3}}, 8, 0x10023, 0, 0xFFFFFFFF, 0,
     KESTRUN_NEWLINE_CRLF, 1},
    {"one empty line between stays a line", {{0, 16}, {0x20, 16}}, 0, 0x2F, 0, 0xFFFFFFFF, 2,
     KESTRUN_NEWLINE_LF, 0},
    {"two empty lines between", {{0, 16}, {0x30, 1}}, 0, 0x30, 0, 0xFFFFFFFF, 0, KESTRUN_NEWLINE_CR, 1},
    {"window past the data on both sides", {{0x1005, 2}}, 0x0F03, 0x2FFD, 0, 0xFFFFFFFF, 4,
     KESTRUN_NEWLINE_CRLF, 2},
    {"no data in the window", {{0x100, 4}}, 0x1000, 0x7FFFF, 0, 0xFFFFFFFF, 0, KESTRUN_NEWLINE_LF, 1},
    {"data outside what the image call gives", {{0, 16}, {0x40, 16}, {0x1000, 16}}, 0, 0x100F, 0x30,
     0xFFF, 0, KESTRUN_NEWLINE_LF, 2},
    {"the top of the space", {{0xFFFF0000, 1}, {0xFFFFFFF0, 16}}, 0xFFFF0000, 0xFFFFFFFF, 0,
     0xFFFFFFFF, 1, KESTRUN_NEWLINE_CRLF, 1},
    {"within one line", {{0x12, 2}}, 0x11, 0x1E, 0, 0xFFFFFFFF, 0, KESTRUN_NEWLINE_LF, 0},
    {"many small gaps", {{0, 1}, {0x31, 1}, {0x62, 1}, {0x93, 1}, {0x3F00, 256}}, 0, 0x4FFF, 0,
     0xFFFFFFFF, 0, KESTRUN_NEWLINE_LF, 5},
};

int32_t append(const char *bytes, uint64_t length, intptr_t user)
{
    reinterpret_cast<std::string *>(user)->append(bytes, length);
    return ResultOk;
}

ImagePtr imageOf(const GapCase &c)
{
    ImagePtr image(kestrun_image_new());
    for (const Piece &p : c.pieces) {
        const std::vector<uint8_t> bytes = randomBytes(p.length, p.address);
        EXPECT_EQ(kestrun_image_put(image.get(), p.address, bytes.data(), bytes.size()), ResultOk);
    }
    return image;
}

std::string lineEndOf(uint32_t code)
{
    std::string end(1, char(code & 0xFF));
    if (code >> 8)
        end += char(code >> 8);
    return end;
}

// "*** gap LOW-HIGH (SIZE bytes)" after `indent`, the whole line.
bool gapLine(const std::string &line, const std::string &indent, unsigned long long &low,
             unsigned long long &high, unsigned long long &size)
{
    int used = 0;
    return line.compare(0, indent.size(), indent) == 0
           && std::sscanf(line.c_str() + indent.size(), "*** gap %8llX-%8llX (%llu bytes)%n", &low,
                          &high, &size, &used)
                  == 3
           && size_t(used) == line.size() - indent.size() && used > 0;
}

// The lines of `text`, split at `end`.
std::vector<std::string> linesOf(const std::string &text, const std::string &end)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t stop = text.find(end, at);
        lines.push_back(text.substr(at, stop - at));
        at = stop + end.size();
    }
    return lines;
}

} // namespace

TEST(DumpGaps, GapLinesStandForTheFillLinesAndTheSizeIsExact)
{
    for (const GapCase &c : kCases) {
        SCOPED_TRACE(c.name);
        const ImagePtr image = imageOf(c);
        kestrun_write_options o;
        kestrun_write_options_init(KESTRUN_FORMAT_DUMP, &o);
        o.first = c.first;
        o.last = c.last;
        o.indent = c.indent;
        o.line_end = c.lineEnd;
        std::string text;
        int32_t rc = ResultOk;
        kestrun_writer *writer =
            kestrun_writer_new(KESTRUN_FORMAT_DUMP, &o, append, intptr_t(&text), &rc);
        ASSERT_NE(writer, nullptr);
        ASSERT_EQ(kestrun_writer_image(writer, image.get(), c.from, c.to), ResultOk);
        ASSERT_EQ(kestrun_writer_finish(writer), ResultOk);
        kestrun_writer_free(writer);
        uint64_t size = 0;
        ASSERT_EQ(kestrun_write_size(KESTRUN_FORMAT_DUMP, &o, image.get(), c.from, c.to, &size),
                  ResultOk);
        EXPECT_EQ(size, text.size());
        const std::string gapMark = std::string(c.indent, ' ') + "*** gap ";
        unsigned gaps = 0;
        for (size_t at = text.find(gapMark); at != std::string::npos; at = text.find(gapMark, at + 1))
            ++gaps;
        EXPECT_EQ(gaps, c.gaps);
        if (c.last - c.first >= 1u << 20) {
            EXPECT_LT(text.size(), 4096u);
            continue;
        }

        // The dump reports' writer, given the same bytes, writes every line.
        const kestrun_dump_options d{c.lineEnd, c.indent, o.fill};
        std::string full;
        kestrun_dump_writer *report =
            kestrun_dump_writer_new(&d, c.first, c.last, append, intptr_t(&full), &rc);
        ASSERT_NE(report, nullptr);
        ImagePtr given(kestrun_image_new());
        kestrun_image_merge(given.get(), image.get(), 0, KESTRUN_OVERLAP_LAST, nullptr, 0, nullptr);
        kestrun_image_crop(given.get(), c.from, c.to);
        ASSERT_EQ(kestrun_dump_writer_image(report, given.get()), ResultOk);
        ASSERT_EQ(kestrun_dump_writer_finish(report), ResultOk);
        kestrun_dump_writer_free(report);

        const std::string end = lineEndOf(c.lineEnd);
        const std::string indent(c.indent, ' ');
        const std::vector<std::string> fullLines = linesOf(full, end);
        size_t next = 0; // the next of fullLines
        bool gapBefore = false;
        for (const std::string &line : linesOf(text, end)) {
            unsigned long long low = 0, high = 0, size = 0;
            if (!gapLine(line, indent, low, high, size)) {
                ASSERT_LT(next, fullLines.size());
                EXPECT_EQ(line, fullLines[next++]);
                gapBefore = false;
                continue;
            }
            EXPECT_FALSE(gapBefore) << "two gap lines in a row";
            gapBefore = true;
            EXPECT_EQ(size, high - low + 1);
            EXPECT_EQ(low % 16, 0u);
            EXPECT_EQ(high % 16, 15u);
            EXPECT_GE(high - low + 1, 32u);
            // Each line it stands for is a whole line of fill.
            char fill[64];
            std::snprintf(fill, sizeof fill, "%02X", o.fill);
            std::string fillCells;
            for (int i = 0; i < 16; ++i)
                fillCells += std::string(fill) + ' ';
            for (uint64_t at = low; at <= high; at += 16, ++next) {
                ASSERT_LT(next, fullLines.size());
                char address[16];
                std::snprintf(address, sizeof address, "%08llX  ", static_cast<unsigned long long>(at));
                EXPECT_EQ(fullLines[next].substr(0, c.indent + 10 + 48),
                          indent + address + fillCells);
            }
        }
        EXPECT_EQ(next, fullLines.size());
    }
}

// srec_cat's dump shows a line for each 16 addresses that hold data, and
// none for the rest: every line of its dump is a line of ours, and no
// gap of ours holds one.
TEST(DumpGaps, DataLinesAreThoseOfSrecCat)
{
    ScratchDir dir;
    for (const GapCase &c : kCases) {
        if (c.from != 0 || c.first > c.pieces.front().address)
            continue;
        SCOPED_TRACE(c.name);
        const ImagePtr image = imageOf(c);
        kestrun_image_crop(image.get(), c.first, c.last);
        kestrun_write_options o;
        kestrun_write_options_init(KESTRUN_FORMAT_SREC, &o);
        std::string srec;
        int32_t rc = ResultOk;
        kestrun_writer *writer =
            kestrun_writer_new(KESTRUN_FORMAT_SREC, &o, append, intptr_t(&srec), &rc);
        ASSERT_EQ(kestrun_writer_image(writer, image.get(), 0, 0xFFFFFFFF), ResultOk);
        ASSERT_EQ(kestrun_writer_finish(writer), ResultOk);
        kestrun_writer_free(writer);
        writeFile(dir.path() / "in.srec", srec.data(), srec.size());
        ASSERT_TRUE(runPeer({"srec_cat", (dir.path() / "in.srec").string(), "-o",
                             (dir.path() / "dump.txt").string(), "-hexdump"},
                            dir.path() / "peer.log"));
        std::set<uint64_t> peerLines;
        std::istringstream peer(readFile(dir.path() / "dump.txt"));
        for (std::string line; std::getline(peer, line);)
            if (line.size() > 9 && line[8] == ':')
                peerLines.insert(std::stoull(line.substr(0, 8), nullptr, 16));

        kestrun_write_options d;
        kestrun_write_options_init(KESTRUN_FORMAT_DUMP, &d);
        d.first = c.first;
        d.last = c.last;
        d.line_end = KESTRUN_NEWLINE_LF;
        std::string text;
        writer = kestrun_writer_new(KESTRUN_FORMAT_DUMP, &d, append, intptr_t(&text), &rc);
        ASSERT_EQ(kestrun_writer_image(writer, image.get(), 0, 0xFFFFFFFF), ResultOk);
        ASSERT_EQ(kestrun_writer_finish(writer), ResultOk);
        kestrun_writer_free(writer);
        std::set<uint64_t> ours;
        for (const std::string &line : linesOf(text, "\n")) {
            if (line.rfind("*** gap ", 0) == 0) {
                const uint64_t low = std::stoull(line.substr(8, 8), nullptr, 16);
                const uint64_t high = std::stoull(line.substr(17, 8), nullptr, 16);
                const auto inside = peerLines.lower_bound(low);
                EXPECT_TRUE(inside == peerLines.end() || *inside > high) << line;
            } else {
                ours.insert(std::stoull(line.substr(0, 8), nullptr, 16));
            }
        }
        for (const uint64_t line : peerLines)
            EXPECT_TRUE(ours.count(line)) << std::hex << line;
    }
}
