// The patcher against srec_cat: for texts written by srec_cat and by hand
// (every record length, 02 and 04 bases, S1/S2/S3, lower case, LF), the
// patched text must hold what `srec_cat IN -exclude A B -generate A B
// -repeat-data ...` holds (srec_cmp says so), objcopy must read it, and
// every line that holds no changed byte must come out as it went in.
#include "peer_tools.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kestrun_test;

namespace {

struct Change {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

struct Patched {
    std::string text;
    kestrun_patch_stats stats{};
    std::vector<kestrun_fixed_checksum> fixed;
};

int32_t toString(const char *bytes, uint64_t length, intptr_t user)
{
    reinterpret_cast<std::string *>(user)->append(bytes, length);
    return ResultOk;
}

int32_t noteFixed(const kestrun_fixed_checksum *fixed, intptr_t user)
{
    reinterpret_cast<std::vector<kestrun_fixed_checksum> *>(user)->push_back(*fixed);
    return ResultOk;
}

// What a reader of the same pieces says of each: whether a record of it
// may change (holds a changed byte, or is not data), as kestrun patch
// tells the pieces it passes.
struct PieceRecords {
    const kestrun_image *changes;
    bool mayChange = false;
};

int32_t notePieceRecord(const kestrun_record *record, intptr_t user)
{
    auto *seen = reinterpret_cast<PieceRecords *>(user);
    kestrun_segment next{};
    seen->mayChange = seen->mayChange || !record->data
                      || (kestrun_image_next(seen->changes, record->address, &next) == ResultOk
                          && next.address < uint64_t(record->address) + record->length);
    return ResultOk;
}

// Reads `text` as the patcher's caller does, then patches it in pieces of
// `piece` bytes (0: whole); with `passing`, a piece none of whose records
// may change goes to kestrun_patcher_pass.
Patched patch(int32_t format, const std::string &text, const std::vector<Change> &changes,
              size_t piece, bool fix = false, bool passing = false)
{
    ImagePtr original(kestrun_image_new());
    ImagePtr wanted(kestrun_image_new());
    kestrun_reader *reader = kestrun_reader_new(format, original.get(), nullptr);
    kestrun_reader_set_checksums(reader, fix ? KESTRUN_CHECKSUMS_ACCEPT : KESTRUN_CHECKSUMS_STRICT);
    EXPECT_GE(kestrun_reader_feed(reader, text.data(), text.size()), 0);
    EXPECT_EQ(kestrun_reader_finish(reader), ResultOk);
    kestrun_reader_free(reader);
    for (const Change &c : changes)
        kestrun_image_put(wanted.get(), c.address, c.bytes.data(), c.bytes.size());
    Patched out;
    kestrun_patcher *p = kestrun_patcher_new(format, original.get(), wanted.get(), nullptr);
    kestrun_patcher_fix_checksums(p, fix);
    kestrun_patcher_on_fixed(p, noteFixed, reinterpret_cast<intptr_t>(&out.fixed));
    const size_t step = piece ? piece : std::max<size_t>(text.size(), 1);
    PieceRecords seen{wanted.get()};
    kestrun_reader *pieces = kestrun_reader_new(format, nullptr, nullptr);
    kestrun_reader_on_record(pieces, notePieceRecord, reinterpret_cast<intptr_t>(&seen));
    for (size_t at = 0; at < text.size(); at += step) {
        const size_t n = std::min(step, text.size() - at);
        seen.mayChange = false;
        kestrun_reader_feed(pieces, text.data() + at, n);
        const auto feed = passing && !seen.mayChange ? kestrun_patcher_pass : kestrun_patcher_feed;
        EXPECT_EQ(feed(p, text.data() + at, n, toString, reinterpret_cast<intptr_t>(&out.text)),
                  ResultOk);
    }
    kestrun_reader_free(pieces);
    EXPECT_EQ(kestrun_patcher_finish(p, toString, reinterpret_cast<intptr_t>(&out.text)),
              ResultOk);
    kestrun_patcher_stats(p, &out.stats);
    kestrun_patcher_free(p);
    return out;
}

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find_first_of("\r\n", from);
        if (end == std::string::npos)
            end = text.size();
        else
            end += text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back(text.substr(from, end - from));
        from = end;
    }
    return lines;
}

// Whether a line is a data record that holds one of the changed addresses.
bool holdsChange(int32_t format, const std::string &line, kestrun_line_state &state,
                 const std::vector<Change> &changes)
{
    kestrun_token t{};
    kestrun_tokenize_line(format, line.data(), line.size(), &state, &t);
    const bool data = format == KESTRUN_FORMAT_IHEX ? t.type == 0 : t.type >= 1 && t.type <= 3;
    // An S5/S6 count counts the records added before it.
    if (format == KESTRUN_FORMAT_SREC && (t.type == 5 || t.type == 6))
        return true;
    if (!t.complete || !data || t.mark.column != 0)
        return false;
    for (const Change &c : changes)
        if (c.address < uint64_t(t.data_address) + t.data_length
            && t.data_address < uint64_t(c.address) + c.bytes.size())
            return true;
    return false;
}

std::string hexArgument(uint64_t value)
{
    std::ostringstream s;
    s << "0x" << std::hex << value;
    return s.str();
}

constexpr uint64_t kAny = UINT64_MAX;

struct Row {
    const char *name;
    int32_t format;
    std::string text;
    std::vector<Change> changes;
    uint64_t changed; // records given new data
    uint64_t added;   // records added
};

// A text of srec_cat's making: two pieces of random bytes, the second
// 0x100 above the first's end, as records of `block` bytes.
std::string srecCatText(const ScratchDir &scratch, uint32_t base, const std::string &format,
                        int block, const std::vector<std::string> &more = {})
{
    const fs::path a = scratch.path() / "a.bin", b = scratch.path() / "b.bin",
                   out = scratch.path() / "made.txt";
    const std::vector<uint8_t> first = randomBytes(300, 1), second = randomBytes(200, 2);
    writeFile(a, first.data(), first.size());
    writeFile(b, second.data(), second.size());
    std::vector<std::string> args = {"srec_cat",     a,   "-binary", "-offset", hexArgument(base),
                                     b,              "-binary",      "-offset",
                                     hexArgument(base + 300 + 0x100), "-o", out, format,
                                     "-obs=" + std::to_string(block)};
    args.insert(args.end(), more.begin(), more.end());
    EXPECT_TRUE(runPeer(args, scratch.path() / "made.log"));
    return readFile(out);
}

// Records of every length from 1 to 255 in address order from 0x0000FF00,
// across 64 KiB pages, each page opened by an 04 record.
std::string everyLength()
{
    std::vector<std::string> records;
    uint32_t address = 0xFF00;
    uint32_t page = UINT32_MAX;
    for (uint32_t length = 1; length <= 255; ++length) {
        if (address >> 16 != page) {
            page = address >> 16;
            records.push_back(linearRecord(uint16_t(page)));
        }
        const uint32_t room = 0x10000 - (address & 0xFFFF);
        const uint32_t n = std::min(length, room);
        records.push_back(dataRecord(uint16_t(address), randomBytes(n, length)));
        address += n + 3;
    }
    return hexFile(records);
}

std::string lowerCase(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string lineFeeds(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

} // namespace

TEST(Patcher, WritesWhatSrecCatGeneratesAndKeepsEveryOtherLine)
{
    const ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    const int32_t ihex = KESTRUN_FORMAT_IHEX, srec = KESTRUN_FORMAT_SREC;
    const uint32_t base = 0x0800FF80; // the first piece runs across a 64 KiB page
    const std::string hex16 = srecCatText(scratch, base, "-intel", 16);
    const std::vector<Change> inside = {{base + 5, {0xDE, 0xAD}}, {base + 31, {1, 2}}};
    const std::vector<Change> gap = {{base + 300 + 0x10, {9, 8, 7, 6, 5}}};
    const std::vector<Change> acrossPage = {{base + 300 + 0x20, std::vector<uint8_t>(0x30, 0xA5)}};
    const std::vector<Change> belowAll = {{0x08000000, {1, 2, 3}}};
    const std::vector<Change> aboveAll = {{0x09000000, {4, 5}}};
    const std::vector<Change> farBelowPage = {{0x0000F000, {0x11, 0x22}}};
    const std::vector<Change> same = {{base + 1, {randomBytes(300, 1)[1]}}};
    const Row rows[] = {
        {"HEX, bytes inside records", ihex, hex16, inside, 3, 0},
        {"HEX, bytes in a gap", ihex, hex16, gap, 0, 1},
        {"HEX, a gap run across a page", ihex, srecCatText(scratch, 0x0800FE00, "-intel", 16),
         {{0x0800FFF0, std::vector<uint8_t>(0x30, 0x5A)}}, 0, 3},
        {"HEX, below every record", ihex, hex16, belowAll, 0, 1},
        {"HEX, above every record", ihex, hex16, aboveAll, 0, 1},
        {"HEX, a byte already so", ihex, hex16, same, 0, 0},
        {"HEX, records of 255", ihex, srecCatText(scratch, base, "-intel", 255), inside, 1, 0},
        {"HEX, records of 1", ihex, srecCatText(scratch, base, "-intel", 1), acrossPage, 0, 48},
        {"HEX, every length 1-255", ihex, everyLength(),
         {{0xFF05, {1}}, {0x10010, std::vector<uint8_t>(40, 2)}, {0x5000, {3}}}, kAny, kAny},
        {"HEX, lower case", ihex, lowerCase(hex16), inside, 3, 0},
        {"HEX, LF line ends", ihex, lineFeeds(hex16), gap, 0, 1},
        {"HEX, segment bases", ihex,
         hexFile({segmentRecord(0x1000), dataRecord(0x0000, randomBytes(16, 3)),
                  dataRecord(0x0100, randomBytes(16, 4))}),
         {{0x10008, {0xEE}}, {0x10020, {1, 2}}, {0x30000, {3}}}, 1, 2},
        {"HEX, a page of its own below", ihex, hex16, farBelowPage, 0, 1},
        {"S1, bytes inside and in a gap", srec,
         srecCatText(scratch, 0x1000, "-motorola", 32, {"-address-length=2"}),
         {{0x1003, {0xAB}}, {0x1000 + 300 + 0x40, {1, 2, 3}}}, 1, 1},
        {"S2 with a count, a gap", srec,
         srecCatText(scratch, 0x20000, "-motorola", 16, {"-address-length=3", "-data-only"}) ,
         {{0x20000 + 300 + 0x10, std::vector<uint8_t>(20, 7)}}, 0, 2},
        {"S3, above every record", srec,
         srecCatText(scratch, base, "-motorola", 16, {"-address-length=4"}), aboveAll, 0, 1},
    };
    const fs::path in = scratch.path() / "in.txt", out = scratch.path() / "out.txt",
                   expected = scratch.path() / "expected.txt";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const char *peerFormat = row.format == ihex ? "-intel" : "-motorola";
        const Patched whole = patch(row.format, row.text, row.changes, 0);
        if (row.changed != kAny) {
            EXPECT_EQ(whole.stats.records_changed, row.changed);
            EXPECT_EQ(whole.stats.records_added, row.added);
        }
        for (size_t piece : {1, 7, 64}) {
            EXPECT_EQ(patch(row.format, row.text, row.changes, piece).text, whole.text)
                << "in pieces of " << piece;
            const Patched passed = patch(row.format, row.text, row.changes, piece, false, true);
            EXPECT_EQ(passed.text, whole.text) << "passed in pieces of " << piece;
            EXPECT_EQ(passed.stats.lines, whole.stats.lines) << "passed in pieces of " << piece;
        }

        // srec_cat's image of the same change is the patched text's.
        writeFile(in, row.text.data(), row.text.size());
        writeFile(out, whole.text.data(), whole.text.size());
        std::vector<std::string> args = {"srec_cat", in, peerFormat};
        for (const Change &c : row.changes) {
            args.insert(args.end(), {"-exclude", hexArgument(c.address),
                                     hexArgument(c.address + c.bytes.size())});
        }
        for (const Change &c : row.changes) {
            args.insert(args.end(), {"-generate", hexArgument(c.address),
                                     hexArgument(c.address + c.bytes.size()), "-repeat-data"});
            for (uint8_t b : c.bytes)
                args.push_back(hexArgument(b));
        }
        args.insert(args.end(), {"-o", expected, "-intel"});
        ASSERT_TRUE(runPeer(args, scratch.path() / "srec_cat.log"));
        EXPECT_TRUE(runPeer({"srec_cmp", out, peerFormat, expected, "-intel"},
                            scratch.path() / "srec_cmp.log"))
            << readFile(scratch.path() / "srec_cmp.log") << whole.text;
        EXPECT_TRUE(runPeer({"objcopy", "-I", row.format == ihex ? "ihex" : "srec", "-O", "binary",
                             out, scratch.path() / "objcopy.bin"},
                            scratch.path() / "objcopy.log"))
            << readFile(scratch.path() / "objcopy.log");

        // Every line that holds no changed byte comes out as it went in,
        // in order; the lines between them are the changed and added ones.
        const std::vector<std::string> before = linesOf(row.text), after = linesOf(whole.text);
        kestrun_line_state state{};
        size_t j = 0, kept = 0, rewritten = 0;
        for (const std::string &line : before) {
            if (holdsChange(row.format, line, state, row.changes)) {
                ++rewritten;
                continue;
            }
            while (j < after.size() && after[j] != line)
                ++j;
            ASSERT_LT(j, after.size()) << "lost or changed: " << line;
            ++j;
            ++kept;
        }
        EXPECT_EQ(after.size(), kept + rewritten + whole.stats.records_added
                                    + whole.stats.address_records_added);
        if (row.text == lowerCase(row.text)) {
            EXPECT_EQ(whole.text, lowerCase(whole.text));
        }
    }
}

// Hand-edited lines: each wrong checksum made right, named by its line,
// and nothing else changed.
TEST(Patcher, FixesEveryWrongChecksumAndOnlyThose)
{
    std::vector<std::string> records = {linearRecord(0x0800), dataRecord(0, randomBytes(16, 5)),
                                        dataRecord(0x10, randomBytes(16, 6)),
                                        dataRecord(0x20, randomBytes(16, 7))};
    const std::string good = hexFile(records);
    records[1][12] = records[1][12] == '0' ? '1' : '0'; // a data digit typed over
    records[3].back() = records[3].back() == '0' ? '1' : '0';
    const std::string bad = hexFile(records);
    const Patched fixed = patch(KESTRUN_FORMAT_IHEX, bad, {}, 5, true);
    ASSERT_EQ(fixed.fixed.size(), 2u);
    EXPECT_EQ(fixed.fixed[0].line, 2u);
    EXPECT_EQ(fixed.fixed[1].line, 4u);
    EXPECT_EQ(fixed.stats.checksums_fixed, 2u);
    const std::vector<std::string> in = linesOf(bad), out = linesOf(fixed.text);
    ASSERT_EQ(in.size(), out.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const bool wrong = i == 1 || i == 3;
        EXPECT_EQ(in[i] == out[i], !wrong) << i;
        if (wrong) {
            EXPECT_EQ(in[i].substr(0, in[i].size() - 4), out[i].substr(0, out[i].size() - 4));
        }
    }
    EXPECT_EQ(fixed.text.substr(fixed.text.size() - 13), good.substr(good.size() - 13));
    ImagePtr image(kestrun_image_new());
    kestrun_reader *reader = kestrun_reader_new(KESTRUN_FORMAT_IHEX, image.get(), nullptr);
    EXPECT_GE(kestrun_reader_feed(reader, fixed.text.data(), fixed.text.size()), 0);
    EXPECT_EQ(kestrun_reader_finish(reader), ResultOk);
    kestrun_reader_free(reader);
}

// Pieces passed whole, with every kind of line end cut anywhere: the text
// and the lines counted are those of a patcher that read every line.
TEST(Patcher, PassedPiecesComeOutAsReadLineByLine)
{
    std::vector<std::string> records = {linearRecord(0x0800)};
    for (uint16_t i = 0; i < 30; ++i)
        records.push_back(dataRecord(uint16_t(i * 16), randomBytes(16, i)));
    const std::vector<Change> changes = {{0x080000F3, {0xAA, 0xBB}}};
    for (const std::string lineEnd : {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n", "\n\n\r"}) {
        std::string text;
        for (const std::string &record : records)
            text += record + lineEnd;
        text += ":00000001FF";
        for (const std::string &ending : {std::string(), lineEnd}) {
            SCOPED_TRACE(::testing::PrintToString(lineEnd + "|" + ending));
            const Patched whole = patch(KESTRUN_FORMAT_IHEX, text + ending, changes, 0);
            EXPECT_EQ(whole.stats.records_changed, 1u);
            for (size_t piece : {1, 2, 3, 45, 46, 100, 4096}) {
                const Patched passed =
                    patch(KESTRUN_FORMAT_IHEX, text + ending, changes, piece, false, true);
                EXPECT_EQ(passed.text, whole.text) << "pieces of " << piece;
                EXPECT_EQ(passed.stats.lines, whole.stats.lines) << "pieces of " << piece;
            }
        }
    }
}
