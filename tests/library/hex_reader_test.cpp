// The HEX reader of the image API. Fed in pieces of every size it must end
// exactly as fed in one piece, and one piece exactly as HexToBinary reads
// the whole text; the lines it names are GNU objcopy's where objcopy names
// one. Overlapping records are judged by one table of policies.
#include "peer_tools.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace kestrun_test;

namespace {

struct Reading {
    int32_t fed = ResultOk; // the first result of feed other than ResultOk
    bool repeated = true;   // every feed after it gave the same
    int32_t finished = ResultOk;
    kestrun_place place{};
    kestrun_hex_stats stats{};
    ImagePtr image{kestrun_image_new()};

    // All of it, the image as its segments and a hash of their bytes, for
    // one comparison that shows what differs.
    std::string summary() const
    {
        std::ostringstream s;
        s << "fed " << fed << " repeated " << repeated << " finished " << finished << " place "
          << place.result << " line " << place.line << " column " << place.column << " offset "
          << place.offset << " record " << place.record_offset << " no end " << place.no_end_record
          << " records";
        for (uint64_t n : stats.records)
            s << ' ' << n;
        s << " lines " << stats.lines << " overlaps " << stats.overlaps << '/'
          << stats.conflicting_bytes << " end " << stats.end_read << " segments";
        for (const kestrun_segment &seg : segmentsOf(image.get())) {
            std::string bytes(seg.length, '\0');
            kestrun_image_read(image.get(), seg.address, seg.length, 0, (uint8_t *)bytes.data());
            s << ' ' << seg.address << '+' << seg.length << '#' << std::hash<std::string>()(bytes);
        }
        return s.str();
    }
};

// Each piece in a heap block of its own size, so that a look past a piece
// is caught by the sanitizer build. A piece size of 0 is the whole text.
void readInto(Reading &r, const std::string &text, size_t pieceSize, int32_t policy = 0,
              kestrun_conflict_fn onConflict = nullptr, intptr_t user = 0)
{
    ReaderPtr reader(kestrun_hex_reader_new(r.image.get()));
    kestrun_hex_reader_set_overlap(reader.get(), policy);
    kestrun_hex_reader_set_source(reader.get(), 7);
    kestrun_hex_reader_on_conflict(reader.get(), onConflict, user);
    const size_t step = pieceSize ? pieceSize : std::max<size_t>(text.size(), 1);
    for (size_t at = 0; at < text.size(); at += step) {
        const size_t n = std::min(step, text.size() - at);
        std::unique_ptr<char[]> piece(new char[n]);
        std::memcpy(piece.get(), text.data() + at, n);
        const int32_t rc = kestrun_hex_reader_feed(reader.get(), piece.get(), n);
        if (r.fed == ResultOk)
            r.fed = rc;
        else
            r.repeated = r.repeated && rc == r.fed;
    }
    r.finished = kestrun_hex_reader_finish(reader.get());
    kestrun_hex_reader_place(reader.get(), &r.place);
    kestrun_hex_reader_stats(reader.get(), &r.stats);
}

Reading readInPieces(const std::string &text, size_t pieceSize)
{
    Reading r;
    readInto(r, text, pieceSize);
    return r;
}

std::string join(const std::vector<std::string> &lines, const std::string &lineEnd)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + lineEnd;
    return text;
}

std::string spoilChecksum(std::string record)
{
    record.back() = record.back() == '0' ? '1' : '0';
    return record;
}

std::string lowerCase(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether a CR stands without an LF beside it: objcopy counts LF only, so
// its lines are ours only where every line end holds one.
bool loneCr(const std::string &text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')
            && (i == 0 || text[i - 1] != '\n'))
            return true;
    }
    return false;
}

struct TextCase {
    const char *name;
    std::string text;
    int32_t result;
    uint64_t line = 0; // of the place, hand-counted
    uint64_t column = 0;
    int32_t noEnd = 0;
};

std::vector<TextCase> textCases()
{
    const std::string end = ":00000001FF";
    const std::string r1 = dataRecord(0x0000, rampBytes(16));
    // 255 bytes: 521 characters, cut by every piece size somewhere.
    const std::string r2 = dataRecord(0x0010, randomBytes(255, 2));
    const std::vector<std::string> tail = {
        segmentRecord(0x1000), dataRecord(0xFFF0, randomBytes(32, 3)), linearRecord(0x0003),
        dataRecord(0, randomBytes(200, 4)), hexRecord(0x05, 0, {0x00, 0x03, 0x01, 0x23})};
    auto file = [&](const std::string &third, const std::string &le = "\r\n") {
        std::vector<std::string> lines = {r1, r2};
        if (!third.empty())
            lines.push_back(third);
        lines.insert(lines.end(), tail.begin(), tail.end());
        lines.push_back(end);
        return join(lines, le);
    };
    const std::string badSum = spoilChecksum(dataRecord(0x0200, rampBytes(16)));
    std::string badDigit = dataRecord(0x0200, rampBytes(16));
    badDigit[14] = 'G';
    const std::string shortRecord = dataRecord(0x0200, rampBytes(16)).erase(20, 2);
    const std::string noEnd = join({r1, r2, tail[0], tail[1]}, "\r\n");
    std::string mixed = r1 + "\n" + r2 + "\r" + tail[0] + "\r\n" + tail[1] + "\n\r" + end + "\n";
    return {
        {"CR LF", file(""), ResultOk},
        {"LF", file("", "\n"), ResultOk},
        {"CR", file("", "\r"), ResultOk},
        {"LF CR", file("", "\n\r"), ResultOk},
        {"mixed line ends", mixed, ResultOk},
        {"blank lines", file("", "\r\n\r\n\n"), ResultOk},
        {"lower-case digits", lowerCase(file("", "\n")), ResultOk},
        {"no line end after the end record", file("").substr(0, file("").size() - 2), ResultOk},
        {"text after the end record", file("") + "junk \x01\r\n:zz\r\n" + r1, ResultOk},
        {"bad checksum", file(badSum), ResultChecksumError, 3, 42},
        {"bad checksum, LF", file(badSum, "\n"), ResultChecksumError, 3, 42},
        {"bad checksum, CR", file(badSum, "\r"), ResultChecksumError, 3, 42},
        {"bad checksum, LF CR", file(badSum, "\n\r"), ResultChecksumError, 3, 42},
        {"bad checksum after mixed line ends", r1 + "\n" + r2 + "\r" + badSum + "\r\n" + end,
         ResultChecksumError, 3, 42},
        {"bad checksum in a long record", join({r1, spoilChecksum(r2)}, "\n"), ResultChecksumError,
         2, 520},
        {"not a hex digit", file(badDigit), ResultNotIntelHex, 3, 15},
        {"fewer digits than the length says", file(shortRecord), ResultNotIntelHex, 3, 42},
        {"a pair after the checksum", file(dataRecord(0x0200, rampBytes(16)) + "00"),
         ResultNotIntelHex, 3, 44},
        {"unknown type 06", file(hexRecord(0x06, 0, {})), ResultNotIntelHex, 3, 8},
        {"end record with a data byte", file(hexText({0x01, 0, 0, 0x01, 0xAA})),
         ResultEndRecordError, 3, 12},
        {"segment record of four bytes", file(hexText({4, 0, 0, 2, 0x10, 0, 0x12, 0x34})),
         ResultNotIntelHex, 3, 2},
        {"a line of a blank", file(" "), ResultNotIntelHex, 3, 1},
        {"a record without its colon", file(r1.substr(1)), ResultNotIntelHex, 3, 1},
        {"a leading line end", "\r\n" + file(""), ResultNotIntelHex, 1, 1},
        {"a NUL after a record", r1 + '\0' + "\r\n" + end, ResultNotIntelHex, 1, 44},
        {"past the 32-bit space",
         join({r1, r2, linearRecord(0xFFFF), dataRecord(0xFFF0, rampBytes(32)), end}, "\r\n"),
         ResultAddressFault, 4, 4},
        {"cut inside a record", r1 + "\r\n" + r2.substr(0, 100), ResultNotIntelHex, 2, 101},
        {"no end record", noEnd, ResultNotIntelHex, 5, 1, 1},
        {"no end record, last line open", noEnd.substr(0, noEnd.size() - 2), ResultNotIntelHex, 5,
         1, 1},
        {"no end record, CR", join({r1, r2, tail[0]}, "\r"), ResultNotIntelHex, 4, 1, 1},
        {"no end record, LF CR", join({r1, r2}, "\n\r"), ResultNotIntelHex, 3, 1, 1},
        {"empty text", "", ResultNotIntelHex, 1, 1, 1},
    };
}

// The line objcopy names for a text it refuses, or 0.
uint64_t objcopyLine(const std::string &text, const ScratchDir &scratch)
{
    const fs::path hex = scratch.path() / "in.hex", log = scratch.path() / "objcopy.log";
    writeFile(hex, text.data(), text.size());
    if (runPeer({"objcopy", "-I", "ihex", "-O", "binary", hex, scratch.path() / "out.bin"}, log))
        return 0;
    const std::string said = readFile(log);
    const size_t at = said.find(hex.string() + ":");
    return at == std::string::npos
               ? 0
               : std::strtoull(said.c_str() + at + hex.string().size() + 1, nullptr, 10);
}

} // namespace

TEST(HexReader, PiecesOfEverySizeReadAsOneAndAsHexToBinary)
{
    const ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    for (const TextCase &c : textCases()) {
        SCOPED_TRACE(c.name);
        const Reading whole = readInPieces(c.text, 0);
        EXPECT_EQ(whole.finished, c.result);
        EXPECT_TRUE(whole.repeated);
        if (c.result < 0) {
            EXPECT_EQ(whole.place.result, c.result);
            EXPECT_EQ(whole.place.line, c.line);
            EXPECT_EQ(whole.place.column, c.column);
            EXPECT_EQ(whole.place.no_end_record, c.noEnd);
            // The offset is the character at the line and column.
            const uint64_t lineStart = whole.place.offset - (whole.place.column - 1);
            EXPECT_TRUE(c.noEnd || lineStart == 0 || c.text[lineStart - 1] == '\n'
                        || c.text[lineStart - 1] == '\r');
            if (const uint64_t peer = objcopyLine(c.text, scratch); peer && !loneCr(c.text)) {
                EXPECT_EQ(whole.place.line, peer) << "objcopy's line";
            }
        }

        // HexToBinary over the window the reader's image spans.
        uint32_t low = 0, high = 0;
        const bool held = kestrun_image_bounds(whole.image.get(), &low, &high) == ResultOk;
        const uint32_t capacity = held ? high - low + 1 : 1;
        std::vector<uint8_t> window(capacity);
        uint32_t size = 0, end = held ? high : 0;
        const std::unique_ptr<char[]> text = exactCopy(c.text);
        EXPECT_EQ(HexToBinary(text.get(), window.data(), int32_t(c.text.size()), capacity, &size,
                              &low, &end, 0x5A, 0, nullptr),
                  c.result);
        if (c.result == ResultOk && held) {
            EXPECT_EQ(window, imageBytes(whole.image.get(), low, capacity, 0x5A));
        }

        for (size_t piece = 1; piece <= 600; ++piece)
            ASSERT_EQ(readInPieces(c.text, piece).summary(), whole.summary())
                << "pieces of " << piece;
    }
}

namespace {

// Every record the reader reports, with its place, and where it stopped.
int32_t logRecord(const kestrun_record *r, intptr_t user)
{
    std::ostringstream &log = *reinterpret_cast<std::ostringstream *>(user);
    log << r->type << '@' << r->address << '+' << r->length << ' ' << r->line << '/'
        << r->editor_line << '/' << r->offset;
    if (r->data)
        log << '#' << std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char *>(r->data), r->length));
    log << '\n';
    return ResultOk;
}

std::string recordLog(const std::string &text, size_t pieceSize)
{
    std::ostringstream log;
    ReaderPtr reader(kestrun_hex_reader_new(nullptr));
    kestrun_hex_reader_on_record(reader.get(), logRecord, reinterpret_cast<intptr_t>(&log));
    const size_t step = pieceSize ? pieceSize : std::max<size_t>(text.size(), 1);
    int32_t rc = ResultOk;
    for (size_t at = 0; at < text.size() && rc == ResultOk; at += step) {
        const size_t n = std::min(step, text.size() - at);
        std::unique_ptr<char[]> piece(new char[n]);
        std::memcpy(piece.get(), text.data() + at, n);
        rc = kestrun_hex_reader_feed(reader.get(), piece.get(), n);
    }
    if (rc == ResultOk)
        rc = kestrun_hex_reader_finish(reader.get());
    kestrun_place place{};
    kestrun_hex_reader_place(reader.get(), &place);
    log << "result " << rc << " place " << place.line << '/' << place.editor_line << ':'
        << place.column << " at " << place.offset << " record " << place.record_offset;
    return log.str();
}

} // namespace

// Long runs of data records, which are read a run at a time when the piece
// holds them whole, against the same texts in pieces too small for that:
// every record with the same place, every fault at the same place.
TEST(HexReader, LongRunsReadAsInPiecesTooSmallForThem)
{
    const std::string r16 = dataRecord(0x0000, randomBytes(16, 5));
    struct Case {
        const char *name;
        std::string middle; // record 150 of 300
        std::string lineEnd;
    };
    const std::string badDigit = [&] {
        std::string r = r16;
        r[20] = 'g';
        return r;
    }();
    const Case cases[] = {
        {"CR LF", r16, "\r\n"},
        {"LF", r16, "\n"},
        {"CR", r16, "\r"},
        {"LF CR", r16, "\n\r"},
        {"blank lines", r16, "\r\n\r\n"},
        {"lower case", lowerCase(r16), "\r\n"},
        {"short records among them", dataRecord(0x10, {1, 2}), "\r\n"},
        {"a long record among them", dataRecord(0x10, randomBytes(255, 6)), "\n"},
        {"a segment record among them", segmentRecord(0x2000), "\r\n"},
        {"a bad checksum", spoilChecksum(r16), "\r\n"},
        {"a bad checksum, LF", spoilChecksum(r16), "\n"},
        {"not a hex digit", badDigit, "\r\n"},
        {"a NUL after a record", r16 + '\0', "\r\n"},
        {"a blank after a record", r16 + ' ', "\n"},
        {"unknown type 06", hexRecord(0x06, 0, {}), "\r\n"},
        {"a record cut short", r16.substr(0, 30), "\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        for (uint32_t i = 0; i < 300; ++i) {
            const std::string record =
                i == 150 ? c.middle : dataRecord(uint16_t(i * 16 + (i > 150) * 0x200), randomBytes(16, i));
            text += (c.middle == lowerCase(r16) ? lowerCase(record) : record) + c.lineEnd;
        }
        text += ":00000001FF" + c.lineEnd;
        const std::vector<std::string> whole = splitLines(recordLog(text, 0), "\n");
        for (size_t piece : {1, 45, 522, 523, 524, 1000, 4096}) {
            const std::vector<std::string> inPieces = splitLines(recordLog(text, piece), "\n");
            const auto [a, b] = std::mismatch(whole.begin(), whole.end(), inPieces.begin(), inPieces.end());
            ASSERT_TRUE(a == whole.end() && b == inPieces.end())
                << "pieces of " << piece << ": " << (a == whole.end() ? "(none)" : *a) << " as "
                << (b == inPieces.end() ? "(none)" : *b);
        }
    }
}

namespace {

// Each conflict as "low-high@line/earlier line", "=" when identical.
int32_t logConflict(const kestrun_conflict *c, intptr_t user)
{
    std::string &log = *reinterpret_cast<std::string *>(user);
    char entry[64];
    std::snprintf(entry, sizeof entry, "%s%X-%X@%u/%u%s", log.empty() ? "" : " ", c->low, c->high,
                  unsigned(c->line), unsigned(c->earlier_line), c->identical ? "=" : "");
    log += entry;
    // Sources as the reader and kestrun_image_put tag them; differing bytes
    // as counted, every conflict here being one run.
    if (c->source != 7 || c->earlier_source != (c->earlier_line ? 7u : 0u))
        log += " (source)";
    if (c->differing != (c->identical ? 0 : uint64_t(c->high) - c->low + 1))
        log += " (differing)";
    return ResultOk;
}

} // namespace

// A window stores what the whole image holds there and nothing else,
// and reads, checks and stops the text as without one.
TEST(HexReader, AWindowStoresItsPartOfTheImage)
{
    auto segmentsPart = [](const Reading &r) {
        const std::string all = r.summary();
        return all.substr(all.find(" segments"));
    };
    for (const TextCase &c : textCases()) {
        SCOPED_TRACE(c.name);
        const Reading whole = readInPieces(c.text, 0);
        uint32_t low = 0, high = 0;
        if (kestrun_image_bounds(whole.image.get(), &low, &high) != ResultOk)
            continue;
        const uint32_t mid = low + (high - low) / 2;
        const std::pair<uint32_t, uint32_t> windows[] = {
            {low, mid}, {mid + 1 > high ? high : mid + 1, high}, {mid, mid}, {1, 0}};
        for (const auto &[from, to] : windows) {
            Reading windowed;
            ReaderPtr reader(kestrun_hex_reader_new(windowed.image.get()));
            kestrun_hex_reader_set_window(reader.get(), from, to);
            windowed.fed = kestrun_hex_reader_feed(reader.get(), c.text.data(), c.text.size());
            windowed.finished = kestrun_hex_reader_finish(reader.get());
            kestrun_hex_reader_place(reader.get(), &windowed.place);
            Reading cropped = readInPieces(c.text, 0);
            if (from <= to)
                kestrun_image_crop(cropped.image.get(), from, to);
            else
                cropped.image.reset(kestrun_image_new());
            EXPECT_EQ(segmentsPart(windowed), segmentsPart(cropped)) << from << ".." << to;
            EXPECT_EQ(windowed.finished, whole.finished);
            EXPECT_EQ(windowed.place.line, whole.place.line);
            EXPECT_EQ(windowed.place.column, whole.place.column);
        }
    }
}

TEST(HexReader, OverlapPoliciesKeepReportAndRefuse)
{
    enum { Last = KESTRUN_OVERLAP_LAST, First, Same, Refuse };
    const std::string identical =
        hexFile({dataRecord(0, {0x11, 0x12, 0x13, 0x14}), dataRecord(2, {0x13, 0x14, 0x15, 0x16})});
    const std::string conflicting =
        hexFile({dataRecord(0, {0x11, 0x12, 0x13, 0x14}), dataRecord(1, {0x12, 0xAA, 0xBB}),
                 dataRecord(3, {0xCC, 0x15})});
    // The third record meets both earlier ones; the fourth then meets bytes
    // of the first and, where the later bytes won, of the third.
    const std::string across =
        hexFile({dataRecord(0, {1, 2, 3, 4}), dataRecord(4, {5, 6, 7, 8}),
                 dataRecord(2, {3, 0x14, 5, 6, 0x17, 0x18, 0x19, 0x1A}), dataRecord(1, {2, 3})});
    const std::string overPut = hexFile({dataRecord(0, {1, 0xAA, 3})});
    struct Row {
        const std::string &text;
        int32_t policy;
        int32_t result;
        const char *bytes; // from address 0 on, 5A where nothing is held
        const char *conflicts;
        uint64_t overlaps, conflictingBytes;
    };
    const Row rows[] = {
        {identical, Last, ResultOk, "111213141516", "2-3@2/1=", 1, 0},
        {identical, First, ResultOk, "111213141516", "2-3@2/1=", 1, 0},
        {identical, Same, ResultOk, "111213141516", "2-3@2/1=", 1, 0},
        {identical, Refuse, ResultOverlap, "11121314", "2-3@2/1=", 1, 0},
        {conflicting, Last, ResultOk, "1112AACC15", "2-3@2/1 3-3@3/2", 2, 3},
        {conflicting, First, ResultOk, "1112131415", "2-3@2/1 3-3@3/1", 2, 3},
        {conflicting, Same, ResultOverlap, "11121314", "2-3@2/1", 1, 2},
        {conflicting, Refuse, ResultOverlap, "11121314", "2-3@2/1", 1, 2},
        {across, Last, ResultOk, "0102031405061718191A", "3-3@3/1 6-7@3/2 1-1@4/1= 2-2@4/3=", 2, 3},
        {across, First, ResultOk, "0102030405060708191A", "3-3@3/1 6-7@3/2 1-2@4/1=", 2, 3},
        {across, Same, ResultOverlap, "0102030405060708", "3-3@3/1 6-7@3/2", 1, 3},
        {across, Refuse, ResultOverlap, "0102030405060708", "3-3@3/1 6-7@3/2", 1, 3},
        // Bytes the caller put (AA BB at 1) are line 0 of source 0.
        {overPut, Last, ResultOk, "01AA03", "2-2@1/0", 1, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.conflicts);
        std::string conflicts;
        Reading r;
        if (&row.text == &overPut)
            kestrun_image_put(r.image.get(), 1, std::vector<uint8_t>{0xAA, 0xBB}.data(), 2);
        readInto(r, row.text, 0, row.policy, logConflict, reinterpret_cast<intptr_t>(&conflicts));
        EXPECT_EQ(r.finished, row.result) << "policy " << row.policy;
        const std::string bytes = hexDigits(imageBytes(r.image.get(), 0, 16, 0x5A));
        std::string expected = row.bytes;
        while (expected.size() < bytes.size())
            expected += "5A";
        EXPECT_EQ(bytes, expected);
        EXPECT_EQ(conflicts, row.conflicts);
        EXPECT_EQ(r.stats.overlaps, row.overlaps);
        EXPECT_EQ(r.stats.conflicting_bytes, row.conflictingBytes);
        if (row.result == ResultOverlap) {
            EXPECT_EQ(r.place.line, uint64_t(std::atoi(std::strrchr(row.conflicts, '@') + 1)));
        }
    }
}
