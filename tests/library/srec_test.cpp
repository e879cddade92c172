// The S-record reader and writer, format detection and the image
// operations. Bad texts come from the shared table (support/bad_srecords.h);
// the writer is judged by its own reader here and by GNU objcopy and
// srec_cat in kestrun's tests.
#include "support/bad_srecords.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

struct SRecReaderDeleter {
    void operator()(kestrun_srec_reader *p) const { kestrun_srec_reader_free(p); }
    void operator()(kestrun_srec_writer *p) const { kestrun_srec_writer_free(p); }
};
using SRecReaderPtr = std::unique_ptr<kestrun_srec_reader, SRecReaderDeleter>;
using SRecWriterPtr = std::unique_ptr<kestrun_srec_writer, SRecReaderDeleter>;

// Reads `text` in pieces of `piece` bytes: the result and the place.
int32_t readSRecords(kestrun_image *image, const std::string &text, size_t piece,
                     kestrun_place *place)
{
    SRecReaderPtr reader(kestrun_srec_reader_new(image));
    int32_t rc = ResultOk;
    for (size_t at = 0; rc == ResultOk && at < text.size(); at += piece) {
        const std::string part = text.substr(at, piece);
        const std::unique_ptr<char[]> exact = exactCopy(part);
        rc = kestrun_srec_reader_feed(reader.get(), exact.get(), part.size());
    }
    if (rc == ResultOk)
        rc = kestrun_srec_reader_finish(reader.get());
    kestrun_srec_reader_place(reader.get(), place);
    return rc;
}

TEST(SRecReader, RefusesEachBadTextAtItsPlaceInPiecesOfAnySize)
{
    for (const BadSRecord &row : kBadSRecords) {
        for (size_t piece : {size_t(1 << 20), size_t(1), size_t(7)}) {
            ImagePtr image(kestrun_image_new());
            kestrun_place at{};
            EXPECT_EQ(readSRecords(image.get(), row.text, piece, &at), row.result)
                << row.name << ", pieces of " << piece;
            EXPECT_EQ(at.line, row.line) << row.name;
            EXPECT_EQ(at.column, row.column) << row.name;
        }
    }
}

struct WriterCase {
    uint32_t addressSize;
    uint32_t recordLength;
    uint32_t lineEnd;
    uint32_t highest; // the image's highest data address
    char dataType;    // the digit of its data records
};

TEST(SRecWriter, WritesWhatItsReaderReadsBackInTheSizeItForetells)
{
    const WriterCase cases[] = {
        {KESTRUN_SREC_S19, 16, KESTRUN_NEWLINE_LF, 0xFFFF, '1'},
        {KESTRUN_SREC_S28, 1, KESTRUN_NEWLINE_CRLF, 0xFFFFFF, '2'},
        {KESTRUN_SREC_S37, 250, KESTRUN_NEWLINE_CR, 0x08FFFFFF, '3'},
        {KESTRUN_SREC_AUTO, 32, KESTRUN_NEWLINE_CRLF, 0xFFFF, '1'},
        {KESTRUN_SREC_AUTO, 32, KESTRUN_NEWLINE_LF, 0x10000, '2'},
        {KESTRUN_SREC_AUTO, 250, KESTRUN_NEWLINE_LF, 0xFFFFFFFF, '3'},
    };
    for (const WriterCase &c : cases) {
        ImagePtr image(kestrun_image_new());
        const std::vector<uint8_t> bytes = randomBytes(3000, c.highest);
        kestrun_image_put(image.get(), 0x0000, bytes.data(), 700);
        kestrun_image_put(image.get(), 0x1234, bytes.data() + 700, 17);
        kestrun_image_put(image.get(), c.highest - 999, bytes.data() + 1000, 1000);
        kestrun_image_set_start(image.get(), KESTRUN_START_LINEAR, c.highest & 0xFFF0);
        kestrun_srec_options o;
        kestrun_srec_options_init(&o);
        o.address_size = c.addressSize;
        o.record_length = c.recordLength;
        o.line_end = c.lineEnd;
        std::string text;
        int32_t rc = ResultOk;
        SRecWriterPtr writer(kestrun_srec_writer_new(&o, appendToString, intptr_t(&text), &rc));
        ASSERT_EQ(rc, ResultOk);
        ASSERT_EQ(kestrun_srec_writer_image(writer.get(), image.get(), 0, UINT32_MAX), ResultOk);
        ASSERT_EQ(kestrun_srec_writer_finish(writer.get()), ResultOk);
        uint64_t size = 0;
        ASSERT_EQ(kestrun_srec_image_size(&o, image.get(), 0, UINT32_MAX, &size), ResultOk);
        EXPECT_EQ(size, text.size()) << c.highest;
        for (const char type : {'1', '2', '3'})
            EXPECT_EQ(text.find(std::string("S") + type) != std::string::npos, type == c.dataType)
                << c.highest << " S" << type;

        ImagePtr back(kestrun_image_new());
        kestrun_place at{};
        ASSERT_EQ(readSRecords(back.get(), text, 4096, &at), ResultOk) << at.line;
        EXPECT_EQ(imageBytes(back.get(), 0, 0x2000, 0), imageBytes(image.get(), 0, 0x2000, 0));
        EXPECT_EQ(imageBytes(back.get(), c.highest - 999, 1000, 0),
                  imageBytes(image.get(), c.highest - 999, 1000, 0));
        EXPECT_EQ(kestrun_image_data_bytes(back.get()), kestrun_image_data_bytes(image.get()));
        uint32_t type = 0, value = 0;
        kestrun_image_start(back.get(), &type, &value);
        EXPECT_EQ(value, c.highest & 0xFFF0);
    }
}

TEST(SRecWriter, RefusesAddressesBeyondItsAddressSize)
{
    ImagePtr image(kestrun_image_new());
    const uint8_t byte = 1;
    kestrun_image_put(image.get(), 0x10000, &byte, 1);
    kestrun_srec_options o;
    kestrun_srec_options_init(&o);
    o.address_size = KESTRUN_SREC_S19;
    std::string text;
    SRecWriterPtr writer(kestrun_srec_writer_new(&o, appendToString, intptr_t(&text), nullptr));
    EXPECT_EQ(kestrun_srec_writer_image(writer.get(), image.get(), 0, UINT32_MAX),
              ResultAddressFault);
    uint64_t size = 0;
    EXPECT_EQ(kestrun_srec_image_size(&o, image.get(), 0, UINT32_MAX, &size), ResultAddressFault);
}

TEST(FormatDetection, TellsEachFormatFromItsFirstLine)
{
    const struct {
        std::string start;
        int32_t format;
    } rows[] = {
        {":020000040800F2\r\n", KESTRUN_FORMAT_IHEX},
        {"\r\n:10", KESTRUN_FORMAT_IHEX},
        {"S00600004844521B\n", KESTRUN_FORMAT_SREC},
        {"S113", KESTRUN_FORMAT_SREC},
        {std::string("\x7F" "ELF\x02\x01", 6), KESTRUN_FORMAT_ELF},
        {"Sx12", KESTRUN_FORMAT_BINARY},
        {":", KESTRUN_FORMAT_BINARY},
        {"", KESTRUN_FORMAT_BINARY},
        {std::string("\0\0\0\0", 4), KESTRUN_FORMAT_BINARY},
    };
    for (const auto &row : rows)
        EXPECT_EQ(kestrun_detect_format(reinterpret_cast<const uint8_t *>(row.start.data()),
                                        row.start.size()),
                  row.format)
            << row.start;
}

struct OperationCase {
    const char *name;
    int32_t (*apply)(kestrun_image *image);
    int32_t result;
    std::vector<std::pair<uint32_t, uint64_t>> segments; // address, length
    int64_t moved = 0; // how far the original bytes moved
};

// An image of 0100-01FF and 0300-03FF; each operation on a fresh copy.
TEST(ImageOperations, CutFillAndMoveTheImageAsAsked)
{
    const std::vector<uint8_t> bytes = randomBytes(0x200, 7);
    static const uint8_t pattern[] = {0xAB, 0xCD, 0xEF};
    const OperationCase cases[] = {
        {"crop", [](kestrun_image *i) { return kestrun_image_crop(i, 0x180, 0x37F); }, ResultOk,
         {{0x180, 0x80}, {0x300, 0x80}}},
        {"exclude the middle of a run",
         [](kestrun_image *i) { return kestrun_image_exclude(i, 0x120, 0x13F); }, ResultOk,
         {{0x100, 0x20}, {0x140, 0xC0}, {0x300, 0x100}}},
        {"exclude across runs", [](kestrun_image *i) { return kestrun_image_exclude(i, 0x1F0, 0x30F); },
         ResultOk, {{0x100, 0xF0}, {0x310, 0xF0}}},
        {"fill the gaps",
         [](kestrun_image *i) { return kestrun_image_fill(i, 0xF0, 0x40F, pattern, 3); }, ResultOk,
         {{0xF0, 0x320}}},
        {"offset down", [](kestrun_image *i) { return kestrun_image_offset(i, -0x100); }, ResultOk,
         {{0x000, 0x100}, {0x200, 0x100}}, -0x100},
        {"offset up to the top",
         [](kestrun_image *i) { return kestrun_image_offset(i, 0xFFFFFC00); }, ResultOk,
         {{0xFFFFFD00, 0x100}, {0xFFFFFF00, 0x100}}, 0xFFFFFC00},
        {"offset below 0", [](kestrun_image *i) { return kestrun_image_offset(i, -0x101); },
         ResultAddressFault, {{0x100, 0x100}, {0x300, 0x100}}},
        {"offset past 4 GiB", [](kestrun_image *i) { return kestrun_image_offset(i, 0xFFFFFC01); },
         ResultAddressFault, {{0x100, 0x100}, {0x300, 0x100}}},
        {"a range the wrong way round",
         [](kestrun_image *i) { return kestrun_image_crop(i, 0x200, 0x100); }, ResultBadArgument,
         {{0x100, 0x100}, {0x300, 0x100}}},
    };
    for (const OperationCase &c : cases) {
        ImagePtr image(kestrun_image_new());
        kestrun_image_put(image.get(), 0x100, bytes.data(), 0x100);
        kestrun_image_put(image.get(), 0x300, bytes.data() + 0x100, 0x100);
        EXPECT_EQ(c.apply(image.get()), c.result) << c.name;
        std::vector<std::pair<uint32_t, uint64_t>> segments;
        for (const kestrun_segment &s : segmentsOf(image.get()))
            segments.emplace_back(s.address, s.length);
        EXPECT_EQ(segments, c.segments) << c.name;
        // Bytes that were there before are the same bytes, where they moved;
        // the gaps filled hold the pattern from the range's first address.
        for (const auto &[address, length] : segments) {
            const std::vector<uint8_t> held = imageBytes(image.get(), address, length, 0);
            for (uint64_t i = 0; i < length; ++i) {
                const uint64_t was = uint64_t(int64_t(address + i) - c.moved);
                const bool original = (was >= 0x100 && was < 0x200) || (was >= 0x300 && was < 0x400);
                const uint8_t expected = original ? bytes[was < 0x300 ? was - 0x100 : was - 0x200]
                                                  : pattern[(address + i - 0xF0) % 3];
                ASSERT_EQ(held[i], expected) << c.name << " at " << address + i;
            }
        }
    }
}

// Where srec_cat's -split and -unsplit overflow 32 bits: the last bytes
// below 4 GiB go to their lane (srec_cat wraps them to FFFFFFFE), and a lane
// put back past 4 GiB is refused with the image left as it was. Every
// other address is judged against srec_cat in kestrun's tests; the swaps
// here run under the sanitizers.
TEST(ImageOperations, LayoutMovesEachByteOrRefusesAsAWhole)
{
    const struct {
        const char *name;
        uint32_t address;
        int32_t (*apply)(kestrun_image *image);
        int32_t result;
        uint32_t movedTo; // where the second byte ends up
    } cases[] = {
        {"split the top bytes", 0xFFFFFFFE, [](kestrun_image *i) { return kestrun_image_split(i, 4, 2, 2); },
         ResultOk, 0x7FFFFFFF},
        {"unsplit past 4 GiB", 0x80000000, [](kestrun_image *i) { return kestrun_image_unsplit(i, 2, 0, 1); },
         ResultAddressFault, 0x80000001},
        {"a lane past its group", 0x100, [](kestrun_image *i) { return kestrun_image_split(i, 4, 3, 2); },
         ResultBadArgument, 0x101},
        {"byte-swap a whole word", 0x100, [](kestrun_image *i) { return kestrun_image_byte_swap(i, 2); },
         ResultOk, 0x100},
        {"byte-swap words held in part", 0x101, [](kestrun_image *i) { return kestrun_image_byte_swap(i, 2); },
         ResultOk, 0x103},
        {"a word of 3 bytes", 0x100, [](kestrun_image *i) { return kestrun_image_byte_swap(i, 3); },
         ResultBadArgument, 0x101},
    };
    for (const auto &c : cases) {
        ImagePtr image(kestrun_image_new());
        const uint8_t bytes[] = {0xA5, 0x5A};
        kestrun_image_put(image.get(), c.address, bytes, 2);
        EXPECT_EQ(c.apply(image.get()), c.result) << c.name;
        EXPECT_EQ(kestrun_image_data_bytes(image.get()), 2u) << c.name;
        EXPECT_EQ(imageBytes(image.get(), c.movedTo, 1, 0)[0], 0x5A) << c.name;
    }
}

} // namespace
