// The one reader and writer handle and the line tokenizer: every line the
// readers take is split into fields that agree with what the reader
// reported for it, the line a failure names is the one the tokenizer
// refuses, and the one writer writes what each format's own writer does.
#include "peer_tools.h"
#include "support/elf_program.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

using namespace kestrun_test;

namespace {

struct SeenRecord {
    uint32_t type;
    uint32_t address;
    uint32_t length;
};

int32_t collect(const kestrun_record *record, intptr_t user)
{
    auto &seen = *reinterpret_cast<std::map<uint64_t, SeenRecord> *>(user);
    seen[record->editor_line] = {record->type, record->address, record->length};
    return ResultOk;
}

struct ReadResult {
    int32_t result = ResultOk;
    kestrun_place place{};
    std::map<uint64_t, SeenRecord> records; // by editor line
};

// Reads `text` in pieces of `piece` bytes through the one reader.
ReadResult readWhole(int32_t format, const std::string &text, kestrun_image *image,
                     size_t piece = 4096)
{
    ReadResult r;
    int32_t rc = ResultOk;
    kestrun_reader *reader = kestrun_reader_new(format, image, &rc);
    EXPECT_NE(reader, nullptr);
    kestrun_reader_on_record(reader, collect, reinterpret_cast<intptr_t>(&r.records));
    for (size_t at = 0; rc == ResultOk && at < text.size(); at += piece)
        rc = kestrun_reader_feed(reader, text.data() + at, std::min(piece, text.size() - at));
    if (rc >= 0)
        rc = kestrun_reader_finish(reader);
    r.result = rc;
    kestrun_reader_place(reader, &r.place);
    kestrun_reader_free(reader);
    return r;
}

// The text's lines as an editor splits them: CR LF, CR and LF each end one.
std::vector<std::string> editorLines(const std::string &text)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            lines.push_back({});
            ++i;
        } else if (c == '\r' || c == '\n') {
            lines.push_back({});
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

// Every line the reader took as a record splits into the same record; a
// failure's line (as an editor counts) is one the tokenizer refuses.
void expectTokensAgree(int32_t format, const std::string &text, const std::string &name)
{
    kestrun_image *image = kestrun_image_new();
    const ReadResult read = readWhole(format, text, image, 97);
    kestrun_image_free(image);
    const std::vector<std::string> lines = editorLines(text);
    kestrun_line_state state{};
    for (uint64_t line = 1; line <= lines.size(); ++line) {
        const std::string &l = lines[line - 1];
        kestrun_token token;
        kestrun_tokenize_line(format, l.data(), l.size(), &state, &token);
        if (read.result < 0 && line == read.place.editor_line && !read.place.no_end_record
            && (read.place.result == ResultNotIntelHex || read.place.result == ResultNotSRecord
                || read.place.result == ResultChecksumError
                || read.place.result == ResultEndRecordError)) {
            EXPECT_NE(token.result, ResultOk) << name << " line " << line << ": " << l;
            if (read.place.result == ResultChecksumError) {
                EXPECT_EQ(token.result, ResultChecksumError) << name << " line " << line;
                EXPECT_EQ(token.checksum_expected, read.place.expected) << name << " line " << line;
            }
            break;
        }
        const auto seen = read.records.find(line);
        if (seen == read.records.end())
            continue;
        ASSERT_EQ(token.result, ResultOk) << name << " line " << line << ": " << l;
        EXPECT_EQ(token.type, seen->second.type) << name << " line " << line;
        EXPECT_EQ(token.data_length, seen->second.length) << name << " line " << line;
        const bool data = format == KESTRUN_FORMAT_IHEX ? token.type == 0
                                                        : token.type >= 1 && token.type <= 3;
        if (data) {
            EXPECT_EQ(token.data_address, seen->second.address) << name << " line " << line;
        }
        EXPECT_TRUE(token.checksum_holds) << name << " line " << line;
        EXPECT_EQ(token.data.width, 2 * token.data_length) << name << " line " << line;
    }
}

std::string peerText(const std::vector<std::string> &args, const ScratchDir &dir,
                     const std::string &output)
{
    std::vector<std::string> all = args;
    all.push_back((dir.path() / output).string());
    EXPECT_TRUE(runPeer(all, dir.path() / "peer.log"));
    return readFile(dir.path() / output);
}

} // namespace

// The peers' files, and the same files broken at a random place each.
TEST(OneReader, TokensAgreeWithTheReaderOnPeerFiles)
{
    ScratchDir dir;
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(70000);
    for (auto &b : bytes)
        b = uint8_t(random());
    writeFile(dir.path() / "in.bin", bytes.data(), bytes.size());
    const std::string in = (dir.path() / "in.bin").string();
    struct Case {
        const char *name;
        int32_t format;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"objcopy ihex", KESTRUN_FORMAT_IHEX,
         {"objcopy", "-I", "binary", "-O", "ihex", "--change-addresses", "0x0800F000", in}},
        {"srec_cat segment", KESTRUN_FORMAT_IHEX,
         {"srec_cat", in, "-binary", "-offset", "0x1F000", "-o", "-", "-intel",
          "-address-length=3"}},
        {"srec_cat S19", KESTRUN_FORMAT_SREC, {"srec_cat", in, "-binary", "-o", "-", "-motorola"}},
        {"srec_cat S28", KESTRUN_FORMAT_SREC,
         {"srec_cat", in, "-binary", "-offset", "0x10000", "-o", "-", "-motorola", "-address-length=3"}},
        {"objcopy S37", KESTRUN_FORMAT_SREC,
         {"objcopy", "-I", "binary", "-O", "srec", "--srec-forceS3", "--change-addresses",
          "0x20000000", in}},
    };
    for (const Case &c : cases) {
        std::string text;
        if (c.args[0] == "srec_cat") {
            std::vector<std::string> args(c.args.begin(), c.args.end());
            const auto dash = std::find(args.begin(), args.end(), "-");
            *dash = (dir.path() / "peer.txt").string();
            ASSERT_TRUE(runPeer(args, dir.path() / "peer.log"));
            text = readFile(dir.path() / "peer.txt");
        } else {
            text = peerText(c.args, dir, "peer.txt");
        }
        expectTokensAgree(c.format, text, c.name);
        // Broken at random: a digit changed (a checksum or a non-digit), a
        // character dropped, or a line end doubled into LF CR.
        for (int round = 0; round < 40; ++round) {
            std::string broken = text;
            const size_t at = random() % broken.size();
            switch (round % 4) {
            case 0: broken[at] = broken[at] == 'F' ? '0' : 'F'; break;
            case 1: broken.erase(at, 1); break;
            case 2: broken[at] = 'g'; break;
            default: broken.insert(broken.find('\n', at) == std::string::npos ? at : broken.find('\n', at) + 1, "\r"); break;
            }
            expectTokensAgree(c.format, broken, std::string(c.name) + " broken");
        }
    }
}

// The fields of one line, and the reader's verdict on it.
TEST(OneReader, TokenizerSplitsFields)
{
    struct Row {
        const char *line;
        int32_t format;
        int32_t result;
        uint32_t type;
        kestrun_field length, address, data, checksum;
        uint32_t broken;
        int32_t holds;
        uint32_t expected;
    };
    const Row rows[] = {
        {":0300300002337A1E\r\n", KESTRUN_FORMAT_IHEX, ResultOk, 0, {1, 2}, {3, 4}, {9, 6}, {15, 2}, 17, 1, 0x1E},
        {":0300300002337A1F", KESTRUN_FORMAT_IHEX, ResultChecksumError, 0, {1, 2}, {3, 4}, {9, 6}, {15, 2}, 17, 0, 0x1E},
        {":0300300002337A1E  ", KESTRUN_FORMAT_IHEX, ResultNotIntelHex, 0, {1, 2}, {3, 4}, {9, 6}, {15, 2}, 19, 1, 0x1E},
        {":0300300002337A1Ex", KESTRUN_FORMAT_IHEX, ResultNotIntelHex, 0, {1, 2}, {3, 4}, {9, 6}, {15, 2}, 17, 1, 0x1E},
        {":03003000023G7A1E", KESTRUN_FORMAT_IHEX, ResultNotIntelHex, 0, {1, 2}, {3, 4}, {9, 2}, {0, 0}, 11, 0, 0},
        {":0300300002", KESTRUN_FORMAT_IHEX, ResultNotIntelHex, 0, {1, 2}, {3, 4}, {9, 2}, {0, 0}, 11, 0, 0},
        {":00000001FF", KESTRUN_FORMAT_IHEX, ResultOk, 1, {1, 2}, {3, 4}, {0, 0}, {9, 2}, 11, 1, 0xFF},
        {"  :00000001FF", KESTRUN_FORMAT_IHEX, ResultNotIntelHex, 1, {3, 2}, {5, 4}, {0, 0}, {11, 2}, 13, 1, 0xFF},
        {"S1130000285F245F2212226A000424290008237C2A\n", KESTRUN_FORMAT_SREC, ResultOk, 1, {2, 2}, {4, 4}, {8, 32}, {40, 2}, 42, 1, 0x2A},
        {"S30900000100DEADBEEF00", KESTRUN_FORMAT_SREC, ResultChecksumError, 3, {2, 2}, {4, 8}, {12, 8}, {20, 2}, 22, 0, 0xBD},
        {"S5030003F9", KESTRUN_FORMAT_SREC, ResultOk, 5, {2, 2}, {4, 4}, {0, 0}, {8, 2}, 10, 1, 0xF9},
        {"S9030000FC", KESTRUN_FORMAT_BINARY, ResultOk, 9, {2, 2}, {4, 4}, {0, 0}, {8, 2}, 10, 1, 0xFC},
        {"S4030000FC", KESTRUN_FORMAT_SREC, ResultNotSRecord, 4, {2, 2}, {0, 0}, {4, 4}, {8, 2}, 10, 1, 0xFC},
    };
    for (const Row &row : rows) {
        kestrun_token t;
        const int32_t rc = kestrun_tokenize_line(row.format, row.line, std::strlen(row.line), nullptr, &t);
        SCOPED_TRACE(row.line);
        EXPECT_EQ(rc, row.result);
        EXPECT_EQ(t.result, row.result);
        EXPECT_EQ(t.type, row.type);
        EXPECT_EQ(t.length.column, row.length.column);
        EXPECT_EQ(t.length.width, row.length.width);
        if (row.address.width) {
            EXPECT_EQ(t.address.column, row.address.column);
        }
        EXPECT_EQ(t.address.width, row.address.width);
        EXPECT_EQ(t.data.width, row.data.width);
        if (row.data.width) {
            EXPECT_EQ(t.data.column, row.data.column);
        }
        EXPECT_EQ(t.checksum.width, row.checksum.width);
        if (row.checksum.width) {
            EXPECT_EQ(t.checksum.column, row.checksum.column);
        }
        EXPECT_EQ(t.broken, row.broken);
        EXPECT_EQ(t.checksum_holds, row.holds);
        if (row.holds || row.result == ResultChecksumError) {
            EXPECT_EQ(t.checksum_expected, row.expected);
        }
    }
}

// The bases of earlier lines reach a data record's address.
TEST(OneReader, TokenizerCarriesBases)
{
    const char *lines[] = {":020000040800F2", ":020000021200EA", ":01001000559A", ":020000040001F9",
                           ":010020006679"};
    const uint32_t addresses[] = {0, 0, 0x08012010, 0, 0x00010020};
    kestrun_line_state state{};
    for (size_t i = 0; i < std::size(lines); ++i) {
        kestrun_token t;
        ASSERT_EQ(kestrun_tokenize_line(KESTRUN_FORMAT_IHEX, lines[i], std::strlen(lines[i]), &state, &t), ResultOk)
            << lines[i];
        if (t.type == 0) {
            EXPECT_EQ(t.data_address, addresses[i]) << lines[i];
        }
    }
}

// The place's editor line against the text's own lines, whatever ends them.
TEST(OneReader, PlaceCarriesTheEditorLine)
{
    struct Row {
        const char *text;
        int32_t format;
        uint64_t editorLine;
        uint64_t line;
    };
    const Row rows[] = {
        {":00000001FG\n", KESTRUN_FORMAT_IHEX, 1, 1},
        {":0100000055AA\r\n:0100010055A9\r\nbad\r\n", KESTRUN_FORMAT_IHEX, 3, 3},
        {":0100000055AA\n\r:0100010055A9\n\rbad\n", KESTRUN_FORMAT_IHEX, 5, 3},
        {":0100000055AA\r\r:0100010055A8\n", KESTRUN_FORMAT_IHEX, 3, 3},
        {":0100000055AA\n", KESTRUN_FORMAT_IHEX, 2, 2},
        {":0100000055AA", KESTRUN_FORMAT_IHEX, 2, 2},
        {"S104000055A6\n\rS1040001550A\n", KESTRUN_FORMAT_SREC, 3, 3},
        {"S104000055A6\rS1040001550A\n", KESTRUN_FORMAT_SREC, 2, 2},
    };
    for (const Row &row : rows) {
        kestrun_image *image = kestrun_image_new();
        for (size_t piece : {size_t(1), size_t(4096)}) {
            const ReadResult r = readWhole(row.format, row.text, image, piece);
            EXPECT_LT(r.result, 0) << row.text;
            EXPECT_EQ(r.place.editor_line, row.editorLine) << row.text << " in pieces of " << piece;
            EXPECT_EQ(r.place.line, row.line) << row.text << " in pieces of " << piece;
        }
        kestrun_image_free(image);
    }
}

// The format's own place calls write only what programs built before the
// editor line have room for.
TEST(OneReader, FormatPlaceCallsKeepTheirSize)
{
    kestrun_image *image = kestrun_image_new();
    kestrun_hex_reader *hex = kestrun_hex_reader_new(image);
    kestrun_srec_reader *srec = kestrun_srec_reader_new(image);
    kestrun_hex_reader_feed(hex, "x\n", 2);
    kestrun_srec_reader_feed(srec, "x\n", 2);
    kestrun_place place{};
    place.editor_line = 0xABCD;
    EXPECT_EQ(kestrun_hex_reader_place(hex, &place), ResultNotIntelHex);
    EXPECT_EQ(place.line, 1u);
    EXPECT_EQ(place.editor_line, 0xABCDu);
    EXPECT_EQ(kestrun_srec_reader_place(srec, &place), ResultNotSRecord);
    EXPECT_EQ(place.editor_line, 0xABCDu);
    kestrun_hex_reader_free(hex);
    kestrun_srec_reader_free(srec);
    kestrun_image_free(image);
}

namespace {

int32_t append(const char *bytes, uint64_t length, intptr_t user)
{
    reinterpret_cast<std::string *>(user)->append(bytes, length);
    return ResultOk;
}

kestrun_image *sampleImage()
{
    kestrun_image *image = kestrun_image_new();
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + 1);
    kestrun_image_put(image, 0x0800FF00, bytes.data(), bytes.size());
    kestrun_image_put(image, 0x08020000, bytes.data(), 33);
    kestrun_image_set_start(image, KESTRUN_START_LINEAR, 0x08000131);
    return image;
}

std::string writeWith(int32_t format, const kestrun_write_options &o, const kestrun_image *image)
{
    std::string text;
    int32_t rc = ResultOk;
    kestrun_writer *w = kestrun_writer_new(format, &o, append, reinterpret_cast<intptr_t>(&text), &rc);
    EXPECT_EQ(rc, ResultOk);
    EXPECT_EQ(kestrun_writer_image(w, image, 0, 0xFFFFFFFF), ResultOk);
    EXPECT_EQ(kestrun_writer_finish(w), ResultOk);
    kestrun_writer_free(w);
    uint64_t size = 0;
    EXPECT_EQ(kestrun_write_size(format, &o, image, 0, 0xFFFFFFFF, &size), ResultOk);
    EXPECT_EQ(size, text.size()) << "format " << format;
    return text;
}

} // namespace

// The one writer writes what each format's own writer writes, and the one
// reader reads every format back into the same image.
TEST(OneReader, WriterAndReaderRoundTripEveryFormat)
{
    kestrun_image *image = sampleImage();
    kestrun_write_options o;

    kestrun_write_options_init(KESTRUN_FORMAT_IHEX, &o);
    const std::string hex = writeWith(KESTRUN_FORMAT_IHEX, o, image);
    std::string own;
    kestrun_hex_options h;
    kestrun_hex_options_init(&h);
    kestrun_hex_writer *hw = kestrun_hex_writer_new(&h, append, reinterpret_cast<intptr_t>(&own), nullptr);
    kestrun_hex_writer_image(hw, image, 0, 0xFFFFFFFF);
    kestrun_hex_writer_finish(hw);
    kestrun_hex_writer_free(hw);
    EXPECT_EQ(hex, own);

    kestrun_write_options_init(KESTRUN_FORMAT_SREC, &o);
    const std::string srec = writeWith(KESTRUN_FORMAT_SREC, o, image);
    EXPECT_EQ(srec.substr(0, 2), "S0");

    kestrun_write_options_init(KESTRUN_FORMAT_BINARY, &o);
    o.first = 0x0800FF00;
    o.last = 0x08020020;
    o.fill = 0x5A;
    const std::string binary = writeWith(KESTRUN_FORMAT_BINARY, o, image);
    std::string expected(o.last - o.first + 1, '\0');
    kestrun_image_read(image, o.first, expected.size(), 0x5A, reinterpret_cast<uint8_t *>(expected.data()));
    EXPECT_EQ(binary, expected);

    kestrun_write_options_init(KESTRUN_FORMAT_DUMP, &o);
    o.first = 0x0800FFF0;
    o.last = 0x0801001F;
    const std::string dump = writeWith(KESTRUN_FORMAT_DUMP, o, image);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 3);

    struct Input {
        int32_t format;
        const std::string *text;
    };
    for (const Input &in : {Input{KESTRUN_FORMAT_IHEX, &hex}, Input{KESTRUN_FORMAT_SREC, &srec}}) {
        EXPECT_EQ(kestrun_detect_format(reinterpret_cast<const uint8_t *>(in.text->data()), in.text->size()),
                  in.format);
        kestrun_image *back = kestrun_image_new();
        EXPECT_EQ(readWhole(in.format, *in.text, back, 1000).result, ResultOk);
        uint64_t differences = 1;
        EXPECT_EQ(kestrun_image_compare(image, back, -1, nullptr, 0, &differences), ResultOk);
        EXPECT_EQ(differences, 0u) << "format " << in.format;
        uint32_t type = 0, value = 0;
        kestrun_image_start(back, &type, &value);
        EXPECT_EQ(value, 0x08000131u);
        kestrun_image_free(back);
    }

    // Binary at an address, fed in pieces, each piece a record.
    kestrun_image *back = kestrun_image_new();
    int32_t rc = ResultOk;
    kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_BINARY, back, &rc);
    ASSERT_EQ(kestrun_reader_set_address(reader, 0x0800FF00), ResultOk);
    for (size_t at = 0; at < binary.size(); at += 1000)
        ASSERT_EQ(kestrun_reader_feed(reader, binary.data() + at, std::min<size_t>(1000, binary.size() - at)), ResultOk);
    ASSERT_EQ(kestrun_reader_finish(reader), ResultOk);
    kestrun_read_stats stats;
    kestrun_reader_stats(reader, &stats);
    EXPECT_EQ(stats.data_bytes, binary.size());
    kestrun_reader_free(reader);
    uint32_t low = 0, high = 0;
    kestrun_image_bounds(back, &low, &high);
    EXPECT_EQ(low, 0x0800FF00u);
    EXPECT_EQ(high, 0x08020020u);
    kestrun_image_free(back);
    kestrun_image_free(image);

    EXPECT_EQ(kestrun_reader_new(KESTRUN_FORMAT_DUMP, nullptr, &rc), nullptr);
    EXPECT_EQ(rc, ResultBadArgument);
}

// An executable linked at chosen addresses reads as objcopy's binary; a
// file cut short is refused with what is missing.
TEST(OneReader, ElfReadsAsObjcopyDoes)
{
    ScratchDir dir;
    const std::string program = kElfProgram;
    const std::string script = kElfLinkerScript;
    writeFile(dir.path() / "prog.c", program.data(), program.size());
    writeFile(dir.path() / "prog.ld", script.data(), script.size());
    const fs::path elf = dir.path() / "prog.elf";
    ASSERT_TRUE(runPeer({"gcc", "-Os", "-nostdlib", "-static", "-fno-pic", "-no-pie",
                         "-Wl,--build-id=none", "-T", (dir.path() / "prog.ld").string(),
                         (dir.path() / "prog.c").string(), "-o", elf.string()},
                        dir.path() / "gcc.log"));
    ASSERT_TRUE(runPeer({"objcopy", "-O", "binary", elf.string(), (dir.path() / "prog.bin").string()},
                        dir.path() / "objcopy.log"));
    const std::string file = readFile(elf);
    const std::string expected = readFile(dir.path() / "prog.bin");
    ASSERT_EQ(kestrun_detect_format(reinterpret_cast<const uint8_t *>(file.data()), file.size()),
              KESTRUN_FORMAT_ELF);

    kestrun_image *image = kestrun_image_new();
    ASSERT_EQ(readWhole(KESTRUN_FORMAT_ELF, file, image, 333).result, ResultOk);
    uint32_t low = 0, high = 0;
    ASSERT_EQ(kestrun_image_bounds(image, &low, &high), ResultOk);
    EXPECT_EQ(low, 0x08000000u);
    std::string ours(uint64_t(high) - low + 1, '\0');
    kestrun_image_read(image, low, ours.size(), 0, reinterpret_cast<uint8_t *>(ours.data()));
    EXPECT_EQ(ours, expected);
    kestrun_image_free(image);

    // Without an image the segments come to the record callback alone.
    const ReadResult streamed = readWhole(KESTRUN_FORMAT_ELF, file, nullptr, 4096);
    ASSERT_EQ(streamed.result, ResultOk);
    ASSERT_EQ(streamed.records.size(), 1u); // every segment is line 0
    EXPECT_EQ(streamed.records.begin()->second.address, 0x08001000u); // the last one reported

    for (size_t cut : {size_t(10), size_t(200), file.size() - 8}) {
        kestrun_image *part = kestrun_image_new();
        int32_t rc = ResultOk;
        kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_ELF, part, &rc);
        kestrun_reader_feed(reader, file.data(), cut);
        const int32_t result = kestrun_reader_finish(reader);
        char detail[128];
        kestrun_reader_detail(reader, detail, sizeof detail);
        kestrun_reader_free(reader);
        kestrun_image_free(part);
        // The last cut takes only section headers, which say what the image holds.
        EXPECT_EQ(result, ResultNotElf) << cut;
        EXPECT_NE(std::string(detail), "") << cut;
    }
}

// Each format's content is told apart from the others', and each text
// reads to the same image whatever the pieces it is fed in.
TEST(OneReader, NewFormatsAreToldByContentAndReadInAnyPieces)
{
    std::string uf2(512, '\0');
    const uint32_t words[] = {0x0A324655u, 0x9E5D5157u, 0x2000u, 0x1000u, 4u, 0, 1, 0xE48BFF56u};
    std::memcpy(uf2.data(), words, sizeof words);
    std::memcpy(uf2.data() + 32, "\x01\x02\x03\x04", 4);
    const uint32_t end = 0x0AB16F30u;
    std::memcpy(uf2.data() + 508, &end, 4);
    struct Case {
        const char *name;
        std::string text;
        int32_t format;
    };
    const Case cases[] = {
        {"ti-txt", "@1000\r\n01 02\r\n03 04\r\nq\r\n", KESTRUN_FORMAT_TI_TXT},
        {"ti-txt, blank lines first", "\n\n@1000\n01 02 03 04\nq\n", KESTRUN_FORMAT_TI_TXT},
        {"vmem 8", "@00001000 01 02 03 04\n", KESTRUN_FORMAT_VMEM},
        {"vmem 16, comments", "/* a\n b */ // c\n@800 0102 /* d */ 0304\n", KESTRUN_FORMAT_VMEM},
        {"vmem 32", "@400 01020304\n", KESTRUN_FORMAT_VMEM},
        {"uf2", uf2, KESTRUN_FORMAT_UF2},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(kestrun_detect_format(reinterpret_cast<const uint8_t *>(c.text.data()),
                                        c.text.size()),
                  c.format)
            << c.name;
        for (const size_t piece : {size_t(1), size_t(7), size_t(4096)}) {
            kestrun_image *image = kestrun_image_new();
            ASSERT_EQ(readWhole(c.format, c.text, image, piece).result, ResultOk) << c.name;
            uint8_t bytes[4] = {};
            uint32_t low = 0, high = 0;
            ASSERT_EQ(kestrun_image_bounds(image, &low, &high), ResultOk) << c.name;
            EXPECT_EQ(low, 0x1000u) << c.name;
            EXPECT_EQ(high, 0x1003u) << c.name;
            kestrun_image_read(image, low, 4, 0, bytes);
            EXPECT_EQ(std::string(reinterpret_cast<char *>(bytes), 4), "\x01\x02\x03\x04") << c.name;
            kestrun_image_free(image);
        }
    }
    // C comments alone, or an address followed by neither a word nor a line
    // end, show no format.
    for (const char *other : {"/* notes */\nint x;\n", "@1000 q\n"})
        EXPECT_EQ(kestrun_detect_format(reinterpret_cast<const uint8_t *>(other), std::strlen(other)),
                  KESTRUN_FORMAT_BINARY)
            << other;
}

namespace {

struct ProgressSeen {
    std::vector<int32_t> done;
    size_t stopAt = 0; // the call that returns 0 (from 1), or none
};

int32_t noteProgress(int32_t done, int32_t, intptr_t user)
{
    auto *seen = reinterpret_cast<ProgressSeen *>(user);
    seen->done.push_back(done);
    return seen->done.size() == seen->stopAt ? 0 : 1;
}

} // namespace

// The handle reports progress as it goes, not at every one of a long
// text's records, and a zero return still stops it within a step.
TEST(OneReader, ProgressComesAStepApartAndStillStops)
{
    const uint64_t step = 64 << 10;
    std::string text;
    for (uint32_t i = 0; i < 20000; ++i)
        text += dataRecord(uint16_t(i * 16), randomBytes(16, i)) + "\r\n";
    text += ":00000001FF\r\n";
    const struct {
        size_t stopAt;
        int32_t result;
    } rows[] = {{0, ResultOk}, {1, ResultCancelled}, {5, ResultCancelled}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.stopAt);
        ProgressSeen seen;
        seen.stopAt = row.stopAt;
        int32_t rc = ResultOk;
        kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_IHEX, nullptr, &rc);
        kestrun_reader_on_progress(reader, noteProgress, text.size(), reinterpret_cast<intptr_t>(&seen));
        for (size_t at = 0; rc == ResultOk && at < text.size(); at += 4096)
            rc = kestrun_reader_feed(reader, text.data() + at, std::min<size_t>(4096, text.size() - at));
        if (rc == ResultOk)
            rc = kestrun_reader_finish(reader);
        kestrun_place place{};
        kestrun_reader_place(reader, &place);
        kestrun_reader_free(reader);
        EXPECT_EQ(rc == KESTRUN_END_READ ? ResultOk : rc, row.result);
        ASSERT_FALSE(seen.done.empty());
        EXPECT_EQ(seen.done.front(), 0);
        for (size_t i = 1; i < seen.done.size(); ++i) {
            EXPECT_GE(uint64_t(seen.done[i] - seen.done[i - 1]), step);
            EXPECT_LT(uint64_t(seen.done[i] - seen.done[i - 1]), step + 45);
        }
        if (row.stopAt) {
            EXPECT_EQ(seen.done.size(), row.stopAt);
            EXPECT_EQ(place.offset, uint64_t(seen.done.back()));
        } else {
            EXPECT_EQ(seen.done.size(), text.size() / step + 1);
        }
    }
}
