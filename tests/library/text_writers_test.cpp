// The HEX and dump writers of the image API. Their text is judged by the
// peers (GNU objcopy, srec_cat and Python's intelhex read back every byte
// at its address, in every address mode) and by the old exports, whose
// lines they share: BinaryToHex's text for a buffer from address 0,
// DumpFormat's for a window of a flat buffer. The size functions must
// name exactly the characters written.
#include "peer_tools.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kestrun_test;

namespace {

struct Chunk {
    uint32_t address;
    uint32_t length;
};

// Bytes 01-FF only, so that a peer's zero fill never passes for data.
ImagePtr makeImage(const std::vector<Chunk> &chunks, unsigned seed)
{
    ImagePtr image(kestrun_image_new());
    for (const Chunk &c : chunks) {
        std::vector<uint8_t> bytes = randomBytes(c.length, seed++);
        for (uint8_t &b : bytes)
            b = b ? b : 1;
        kestrun_image_put(image.get(), c.address, bytes.data(), bytes.size());
    }
    return image;
}

struct Written {
    int32_t result = ResultOk;
    std::string text;
};

// A writer given `put` to feed, then finished; the first failure is the result.
template <typename Put> Written writeHex(const kestrun_hex_options &o, Put &&put)
{
    Written w;
    HexWriterPtr writer(
        kestrun_hex_writer_new(&o, appendToString, reinterpret_cast<intptr_t>(&w.text), &w.result));
    if (!writer)
        return w;
    w.result = put(writer.get());
    const int32_t finished = kestrun_hex_writer_finish(writer.get());
    w.result = w.result < 0 ? w.result : finished;
    return w;
}

Written writeImage(const kestrun_hex_options &o, const kestrun_image *image, uint32_t first = 0,
                   uint32_t last = UINT32_MAX)
{
    return writeHex(
        o, [&](kestrun_hex_writer *w) { return kestrun_hex_writer_image(w, image, first, last); });
}

// The image as the intelhex script below prints it: its segments, then
// its start address.
std::string intelHexView(const kestrun_image *image)
{
    std::ostringstream s;
    s << std::hex << std::uppercase;
    for (const kestrun_segment &seg : segmentsOf(image))
        s << seg.address << ':' << hexDigits(imageBytes(image, seg.address, seg.length, 0)) << ' ';
    uint32_t type = 0, value = 0;
    kestrun_image_start(image, &type, &value);
    if (type == KESTRUN_START_SEGMENT)
        s << "CS=" << (value >> 16) << " IP=" << (value & 0xFFFF);
    else if (type == KESTRUN_START_LINEAR)
        s << "EIP=" << value;
    else
        s << "none";
    return s.str();
}

const char kIntelHexView[] =
    "import sys, intelhex\n"
    "for name in sys.argv[1:]:\n"
    "    ih = intelhex.IntelHex(name)\n"
    "    out = ['%X:%s' % (a, ih.tobinstr(start=a, end=b - 1).hex().upper())\n"
    "           for a, b in ih.segments()]\n"
    "    s = ih.start_addr or {}\n"
    "    out.append('CS=%X IP=%X' % (s['CS'], s['IP']) if 'CS' in s else\n"
    "               'EIP=%X' % s['EIP'] if 'EIP' in s else 'none')\n"
    "    print(' '.join(out))\n";

} // namespace

TEST(HexWriter, AddressModesReadBackInThePeers)
{
    const ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    enum : uint32_t { Auto = KESTRUN_ADDRESS_AUTO, None = KESTRUN_ADDRESS_NONE };
    enum : uint32_t { Segment = KESTRUN_ADDRESS_SEGMENT, Linear = KESTRUN_ADDRESS_LINEAR };
    constexpr uint32_t keep = KESTRUN_START_KEEP, cs = KESTRUN_START_SEGMENT,
                       eip = KESTRUN_START_LINEAR;
    struct Row {
        const char *name;
        std::vector<Chunk> chunks;
        std::vector<uint32_t> modes;
        uint32_t startType = keep, startValue = 0; // given, or with keep the image's
        uint32_t imageStart = KESTRUN_START_NONE;
    };
    const Row rows[] = {
        {"first 64 KiB",
         {{0x10, 0x100}, {0x8000, 3}, {0xFF00, 0x100}},
         {Auto, None, Segment, Linear}},
        {"across 64 KiB", {{0, 0x30}, {0xFFF0, 0x20}, {0x2FFFF, 2}}, {Auto, Segment, Linear}},
        {"up to 1 MiB", {{0x0FFF0, 0x20}, {0x5FFFE, 4}, {0xFFFF0, 0x10}}, {Auto, Segment, Linear}},
        {"across 1 MiB",
         {{0, 0x10}, {0x1FFF0, 0x20}, {0xFFFF8, 0x10}, {0x10FFF0, 0x20}, {0x2FFFFE, 2}},
         {Auto, Linear}},
        {"at 08000000", {{0x08000000, 0x300}, {0x0800FFF0, 0x20}, {0x0801FFFF, 1}}, {Auto, Linear}},
        {"03 given", {{0x100, 0x40}}, {Segment}, cs, 0x12345678},
        {"05 given", {{0x08000000, 0x40}}, {Linear}, eip, 0x08000123},
        {"03 kept", {{0x100, 0x40}}, {Auto}, keep, 0xF000FFF0, cs},
        {"05 kept", {{0x08000000, 0x40}}, {Auto}, keep, 0x0800ABCD, eip},
    };
    struct File {
        fs::path path;
        std::string what;
        ImagePtr image;
    };
    std::vector<File> files;
    std::vector<std::string> python = {systemPython(), "-c", kIntelHexView};
    for (const Row &row : rows) {
        for (uint32_t mode : row.modes) {
            for (uint32_t length : {1u, 16u, 32u, 255u}) {
                File f{scratch.path() / ("f" + std::to_string(files.size()) + ".hex"),
                       std::string(row.name) + ", mode " + std::to_string(mode) + ", records of "
                           + std::to_string(length),
                       makeImage(row.chunks, unsigned(files.size()))};
                kestrun_image_set_start(f.image.get(), row.imageStart, row.startValue);
                const kestrun_hex_options o{length, KESTRUN_NEWLINE_CRLF, mode, row.startType,
                                            row.startValue};
                const Written w = writeImage(o, f.image.get());
                ASSERT_EQ(w.result, ResultOk) << f.what;
                writeFile(f.path, w.text.data(), w.text.size());
                // The address records each mode may write.
                const std::string allowed = mode == None      ? ""
                                            : mode == Segment ? "02"
                                            : mode == Linear  ? "04"
                                                              : "02 04";
                for (const std::string &line : splitLines(w.text)) {
                    const std::string type = line.substr(7, 2);
                    EXPECT_TRUE((type != "02" && type != "04")
                                || allowed.find(type) != std::string::npos)
                        << f.what << ": " << line;
                }
                // The start address the text must carry, for its intelhex view.
                kestrun_image_set_start(f.image.get(),
                                        row.startType == keep ? row.imageStart : row.startType,
                                        row.startValue);
                python.push_back(f.path);
                files.push_back(std::move(f));
            }
        }
    }

    const fs::path log = scratch.path() / "peer.log";
    for (const File &f : files) {
        SCOPED_TRACE(f.what);
        uint32_t low = 0, high = 0;
        kestrun_image_bounds(f.image.get(), &low, &high);
        const std::vector<uint8_t> span =
            imageBytes(f.image.get(), low, uint64_t(high) - low + 1, 0);
        const std::string bytes(span.begin(), span.end());
        const std::string out = f.path.string() + ".bin";
        ASSERT_TRUE(runPeer({"objcopy", "-I", "ihex", "-O", "binary", f.path, out}, log));
        EXPECT_TRUE(readFile(out) == bytes) << "objcopy";
        ASSERT_TRUE(runPeer({"srec_cat", f.path, "-intel", "-offset", "-" + std::to_string(low),
                             "-o", out, "-binary"},
                            log));
        EXPECT_TRUE(readFile(out) == bytes) << "srec_cat";
    }
    const fs::path views = scratch.path() / "intelhex.txt";
    ASSERT_TRUE(runPeer(python, views));
    const std::vector<std::string> lines = splitLines(readFile(views), "\n");
    ASSERT_EQ(lines.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(lines[i], intelHexView(files[i].image.get())) << files[i].what << ", intelhex";
}

TEST(HexWriter, PiecesGiveTheTextOfOnePutAndAutoIsBinaryToHex)
{
    const std::vector<uint8_t> data = randomBytes(0x100000 + 0x1234, 9);
    // 70 KiB from 0xFF800 on: a 64 KiB boundary and 1 MiB.
    const uint64_t count = 70 * 1024;
    for (uint32_t length : {1u, 7u, 16u, 255u}) {
        const kestrun_hex_options o{length, KESTRUN_NEWLINE_LF, KESTRUN_ADDRESS_AUTO,
                                    KESTRUN_START_KEEP, 0};
        const Written one = writeHex(o, [&](kestrun_hex_writer *w) {
            return kestrun_hex_writer_put(w, 0xFF800, data.data(), count);
        });
        std::mt19937 generator(length);
        const Written pieces = writeHex(o, [&](kestrun_hex_writer *w) {
            int32_t rc = ResultOk;
            for (uint64_t at = 0, n = 0; rc == ResultOk && at < count; at += n) {
                n = std::min<uint64_t>(1 + generator() % 600, count - at);
                rc = kestrun_hex_writer_put(w, uint32_t(0xFF800 + at), data.data() + at, n);
            }
            return rc;
        });
        ASSERT_EQ(one.result, ResultOk);
        EXPECT_EQ(pieces.result, ResultOk);
        EXPECT_TRUE(pieces.text == one.text) << "records of " << length;
    }

    const uint32_t all = uint32_t(data.size());
    const struct {
        uint32_t size, recordLength, lineEnd;
    } rows[] = {{0, 16, KESTRUN_NEWLINE_CRLF},
                {5, 1, KESTRUN_NEWLINE_LF},
                {0x11234, 1, KESTRUN_NEWLINE_CR},
                {0x11234, 255, KESTRUN_NEWLINE_CRLF},
                {0x10000, 32, KESTRUN_NEWLINE_LF},
                {all, 16, KESTRUN_NEWLINE_CRLF},
                {all, 255, 0x0D0Au}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.size);
        const kestrun_hex_options o{row.recordLength, row.lineEnd, KESTRUN_ADDRESS_AUTO,
                                    KESTRUN_START_KEEP, 0};
        const Written ours = writeHex(o, [&](kestrun_hex_writer *w) {
            return kestrun_hex_writer_put(w, 0, data.data(), row.size);
        });
        ASSERT_EQ(ours.result, ResultOk);
        const uint32_t capacity = uint32_t(ours.text.size()) + 1024;
        std::vector<char> text(capacity);
        uint32_t written = 0, start = 0, end = 0;
        ASSERT_EQ(BinaryToHex(data.data(), text.data(), row.size, capacity,
                              int32_t(row.recordLength), &written, &start, &end, 0xFF, row.lineEnd,
                              0, nullptr),
                  ResultOk);
        EXPECT_TRUE(std::string(text.data(), written) == ours.text);
    }
}

TEST(HexWriter, SizeFunctionsNameTheCharactersWritten)
{
    // Spans as one put and as an image; the last image has touching pieces
    // (put from the top down) and a start of its own, and is also cut by
    // windows.
    const std::vector<std::vector<Chunk>> images = {
        {},
        {{0, 1}},
        {{0xFFFF, 2}},
        {{0xFFF80, 0x200}},
        {{0x08000000, 0x10001}},
        {{0xFFFFFFF0, 0x10}},
        {{0x10000, 5}},
        {{0x100000, 1}},
        {{0x20010, 0x30}, {0x20000, 0x10}, {0xFFF0, 0x20}, {0x5, 3}}};
    const Chunk windows[] = {
        {0, UINT32_MAX}, {0x6, 0x20007}, {0x10000, 0x10000}, {0x30000, 0x40000}};
    const std::vector<uint8_t> data = randomBytes(0x10001, 5);
    const uint32_t lengths[] = {1, 16, 255, 32},
                   lineEnds[] = {KESTRUN_NEWLINE_CRLF, KESTRUN_NEWLINE_LF, KESTRUN_NEWLINE_CR};
    unsigned n = 0;
    for (uint32_t mode : {KESTRUN_ADDRESS_AUTO, KESTRUN_ADDRESS_NONE, KESTRUN_ADDRESS_SEGMENT,
                          KESTRUN_ADDRESS_LINEAR}) {
        for (uint32_t start : {KESTRUN_START_NONE, KESTRUN_START_SEGMENT, KESTRUN_START_LINEAR,
                               KESTRUN_START_KEEP}) {
            for (const auto &chunks : images) {
                ++n;
                const kestrun_hex_options o{lengths[n % 4], lineEnds[n % 3], mode, start,
                                            0x1234ABCD};
                const ImagePtr image = makeImage(chunks, n);
                if (chunks.size() > 1)
                    kestrun_image_set_start(image.get(), KESTRUN_START_LINEAR, 0x20000);
                const Chunk span = chunks.empty() ? Chunk{0x10000, 0} : chunks[0];
                SCOPED_TRACE(::testing::Message() << "mode " << mode << " start " << start << " at "
                                                  << std::hex << span.address);
                uint64_t size = 0;
                const int32_t sized = kestrun_hex_text_size(&o, span.address, span.length, &size);
                int32_t put = ResultOk;
                const Written w = writeHex(o, [&](kestrun_hex_writer *writer) {
                    return put = kestrun_hex_writer_put(writer, span.address, data.data(),
                                                        span.length);
                });
                EXPECT_EQ(put, sized);
                EXPECT_EQ(w.result, sized);
                EXPECT_TRUE(sized < 0 || w.text.size() == size);
                for (const Chunk &window : windows) {
                    const int32_t imageSized = kestrun_hex_image_size(
                        &o, image.get(), window.address, window.length, &size);
                    const Written all = writeImage(o, image.get(), window.address, window.length);
                    EXPECT_EQ(all.result, imageSized);
                    EXPECT_TRUE(imageSized < 0 || all.text.size() == size) << window.address;
                }
            }
        }
    }
}

TEST(DumpWriter, WindowsOfAnImageDumpAsDumpFormatOverTheFlatBuffer)
{
    // Touching and separate pieces, unprintable bytes among them, low and
    // high. DumpFormat dumps the window's 64 KiB block, the block's four
    // address digits put in: so a window at 80000000 costs its lines only.
    const ImagePtr image = makeImage({{0x100, 0x80},
                                      {0x40, 0xC0},
                                      {0x1F3, 0x22},
                                      {0x2A0, 0x60},
                                      {0, 7},
                                      {0x7FFFFFF0, 0x10},
                                      {0x80000008, 0x30},
                                      {0x800000F0, 0x40},
                                      {0xFFFFFF80, 0x80}},
                                     11);
    struct Row {
        uint32_t first, last, indent, lineEnd;
        uint8_t fill;
    };
    const Row rows[] = {{0x000, 0x0FF, 0, KESTRUN_NEWLINE_CRLF, 0xFF},
                        {0x013, 0x1A7, 2, KESTRUN_NEWLINE_LF, 0x00},
                        {0x025, 0x029, 7, KESTRUN_NEWLINE_CR, 0x41},
                        {0x2F0, 0x40F, 0, KESTRUN_NEWLINE_CRLF, 0x2E},
                        {0x500, 0x520, 1, KESTRUN_NEWLINE_LF, 0xFF},
                        {0x2FF, 0x2FF, 0, KESTRUN_NEWLINE_CRLF, 0x00},
                        {0x001, 0x2FF, 4, 0x0D0Au, 0x7F},
                        {0x80000000, 0x800001FF, 2, KESTRUN_NEWLINE_CRLF, 0xFF},
                        {0xFFFFFE07, 0xFFFFFFFF, 0, KESTRUN_NEWLINE_LF, 0x20}};
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.first << "-" << row.last);
        const kestrun_dump_options o{row.lineEnd, row.indent, row.fill};
        std::string ours;
        int32_t rc = ResultOk;
        DumpWriterPtr writer(kestrun_dump_writer_new(&o, row.first, row.last, appendToString,
                                                     reinterpret_cast<intptr_t>(&ours), &rc));
        ASSERT_TRUE(writer);
        ASSERT_EQ(kestrun_dump_writer_image(writer.get(), image.get()), ResultOk);
        ASSERT_EQ(kestrun_dump_writer_finish(writer.get()), ResultOk);
        EXPECT_EQ(ours.size(), kestrun_dump_text_size(&o, row.first, row.last));

        std::vector<uint8_t> block =
            imageBytes(image.get(), row.first & 0xFFFF0000, 0x10000, row.fill);
        std::vector<char> text(ours.size() + 1);
        uint32_t written = 0, start = row.first & 0xFFFF, end = row.last & 0xFFFF;
        ASSERT_EQ(DumpFormat(block.data(), text.data(), 0x10000, uint32_t(text.size()), &written,
                             &start, &end, row.fill, row.lineEnd, row.indent, 0, nullptr),
                  ResultOk);
        std::string expected(text.data(), written);
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08X", row.first);
        const size_t lineSize = row.indent + 75 + (row.lineEnd > 0xFF ? 2 : 1);
        for (size_t line = 0; line < expected.size(); line += lineSize)
            expected.replace(line + row.indent, 4, digits, 4);
        EXPECT_TRUE(ours == expected);
    }
}

// A run written as two parts (kestrun_writer_split and the calls after it)
// is one writer's text, cut where the split said; a format or a run that
// cannot be cut is refused before anything is written.
TEST(OneWriter, TwoPartsOfARunAreTheTextOfOne)
{
    struct Row {
        int32_t format;
        uint32_t address;
        uint32_t length;
        uint32_t addressRecords;
        uint32_t recordLength;
        int32_t split; // what kestrun_writer_split says
    };
    const Row rows[] = {
        {KESTRUN_FORMAT_IHEX, 0, 300 * 1024, KESTRUN_ADDRESS_AUTO, 32, ResultOk},
        {KESTRUN_FORMAT_IHEX, 0x000C0000, 512 * 1024, KESTRUN_ADDRESS_AUTO, 16, ResultOk},
        {KESTRUN_FORMAT_IHEX, 0x0800F001, 200 * 1024, KESTRUN_ADDRESS_LINEAR, 0x11, ResultOk},
        {KESTRUN_FORMAT_IHEX, 0x00002000, 400 * 1024, KESTRUN_ADDRESS_SEGMENT, 255, ResultOk},
        {KESTRUN_FORMAT_IHEX, 0x1000, 40 * 1024, KESTRUN_ADDRESS_AUTO, 32, ResultBadArgument},
        {KESTRUN_FORMAT_IHEX, 0, 60 * 1024, KESTRUN_ADDRESS_NONE, 32, ResultBadArgument},
        {KESTRUN_FORMAT_IHEX, 0xF0000, 256 * 1024, KESTRUN_ADDRESS_SEGMENT, 32, ResultAddressFault},
        {KESTRUN_FORMAT_DUMP, 0x1235, 300 * 1024, 0, 0, ResultOk},
        {KESTRUN_FORMAT_DUMP, 0, 40 * 1024, 0, 0, ResultBadArgument},
        {KESTRUN_FORMAT_SREC, 0, 300 * 1024, 0, 32, ResultBadArgument},
        {KESTRUN_FORMAT_BINARY, 0, 300 * 1024, 0, 0, ResultBadArgument},
        {KESTRUN_FORMAT_TI_TXT, 0, 300 * 1024, 0, 0, ResultBadArgument},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.format << " at " << row.address);
        const std::vector<uint8_t> bytes = randomBytes(row.length, row.address);
        kestrun_write_options o;
        kestrun_write_options_init(row.format, &o);
        o.address_records = row.addressRecords;
        o.record_length = row.recordLength ? row.recordLength : o.record_length;
        o.start_type = KESTRUN_START_LINEAR;
        o.start_value = 0x1234;
        o.first = row.address;
        o.last = row.address + row.length - 1;
        std::string whole, first, second;
        auto writer = [&](std::string &text) {
            return std::unique_ptr<kestrun_writer, decltype(&kestrun_writer_free)>(
                kestrun_writer_new(row.format, &o, appendToString, reinterpret_cast<intptr_t>(&text),
                                   nullptr),
                kestrun_writer_free);
        };
        const auto one = writer(whole), a = writer(first), b = writer(second);
        ASSERT_TRUE(one && a && b);
        uint64_t firstBytes = 0, firstSize = 0;
        ASSERT_EQ(kestrun_writer_split(a.get(), row.address, row.length, &firstBytes, &firstSize),
                  row.split);
        if (row.split != ResultOk) {
            EXPECT_NE(kestrun_writer_resume(b.get(), row.address + 0x10000), ResultOk);
            continue;
        }
        ASSERT_EQ(kestrun_writer_put(one.get(), row.address, bytes.data(), bytes.size()), ResultOk);
        ASSERT_EQ(kestrun_writer_finish(one.get()), ResultOk);
        ASSERT_EQ(kestrun_writer_resume(b.get(), uint32_t(row.address + firstBytes)), ResultOk);
        EXPECT_EQ(kestrun_writer_put(b.get(), uint32_t(row.address + firstBytes),
                                     bytes.data() + firstBytes, row.length - firstBytes),
                  ResultOk);
        EXPECT_EQ(kestrun_writer_put(a.get(), row.address, bytes.data(), firstBytes), ResultOk);
        EXPECT_EQ(kestrun_writer_finish_part(a.get()), ResultOk);
        EXPECT_EQ(kestrun_writer_finish(b.get()), ResultOk);
        EXPECT_EQ(first.size(), firstSize);
        EXPECT_EQ(first + second, whole);
        // A finished part takes nothing more.
        EXPECT_NE(kestrun_writer_put(a.get(), row.address, bytes.data(), 1), ResultOk);
    }
}
