// The format table's rows as the one reader and writer use them: every
// line a text reader refuses is placed at its line and column, and every
// writer's size is the bytes it writes.
#include "test_support.h"

#include <gtest/gtest.h>

using namespace kestrun_test;

namespace {

struct Refused {
    const char *name;
    int32_t format;
    std::string text;
    int32_t result;
    uint64_t line;
    uint64_t column;
};

const Refused kRefused[] = {
    {"ti-txt data before an address", KESTRUN_FORMAT_TI_TXT, "01 02\n", ResultNotTiTxt, 1, 1},
    {"ti-txt three digits", KESTRUN_FORMAT_TI_TXT, "@0\n01 023\n", ResultNotTiTxt, 2, 6},
    {"ti-txt nine address digits", KESTRUN_FORMAT_TI_TXT, "@000000000\n", ResultNotTiTxt, 1, 10},
    {"ti-txt text after q", KESTRUN_FORMAT_TI_TXT, "@0\n01\nq x\n", ResultNotTiTxt, 3, 3},
    {"ti-txt bytes past FFFFFFFF", KESTRUN_FORMAT_TI_TXT, "@FFFFFFFF\r\n01 02\r\n",
     ResultAddressFault, 2, 1},
    {"vmem five digits", KESTRUN_FORMAT_VMEM, "@0 01234\n", ResultNotVmem, 1, 4},
    {"vmem a stray character", KESTRUN_FORMAT_VMEM, "@0 01 0x\n", ResultNotVmem, 1, 8},
    {"vmem an address without digits", KESTRUN_FORMAT_VMEM, "/* x */\n@ 01\n", ResultNotVmem, 2, 2},
    {"vmem 64-bit words past 4 GiB", KESTRUN_FORMAT_VMEM,
     "@1FFFFFFF 0001020304050607\n0001020304050607\n", ResultAddressFault, 2, 1},
    {"uf2 cut short", KESTRUN_FORMAT_UF2, std::string(100, '\0'), ResultNotUf2, 0, 0},
};

} // namespace

TEST(FormatTable, TextReadersPlaceWhatTheyRefuse)
{
    for (const Refused &row : kRefused) {
        int32_t rc = ResultOk;
        kestrun_image *image = kestrun_image_new();
        kestrun_reader *reader = kestrun_reader_new(row.format, image, &rc);
        ASSERT_NE(reader, nullptr) << row.name;
        rc = kestrun_reader_feed(reader, row.text.data(), row.text.size());
        if (rc >= 0)
            rc = kestrun_reader_finish(reader);
        EXPECT_EQ(rc, row.result) << row.name;
        kestrun_place at{};
        EXPECT_EQ(kestrun_reader_place(reader, &at), row.result) << row.name;
        EXPECT_EQ(at.line, row.line) << row.name;
        if (row.line) {
            EXPECT_EQ(at.column, row.column) << row.name;
        }
        kestrun_reader_free(reader);
        kestrun_image_free(image);
    }
}

TEST(FormatTable, EveryWriterWritesTheSizeItGives)
{
    kestrun_image *image = kestrun_image_new();
    const std::vector<uint8_t> bytes = randomBytes(700, 3);
    for (const uint32_t address : {0x1003u, 0xFFF0u, 0x00123456u})
        ASSERT_EQ(kestrun_image_put(image, address, bytes.data(), bytes.size()), ResultOk);
    for (int32_t format = 0; format < KESTRUN_FORMAT_COUNT; ++format) {
        kestrun_format_info info{};
        ASSERT_EQ(kestrun_format_describe(format, &info), ResultOk);
        EXPECT_EQ(info.format, format);
        if (!(info.flags & KESTRUN_FORMAT_FLAG_WRITE))
            continue;
        kestrun_write_options o;
        kestrun_write_options_init(format, &o);
        o.word_width = 16;
        o.family = 0xE48BFF56u;
        o.first = 0x1000; // binary and dump cover a window
        o.last = 0x00123456u + 699;
        std::string text;
        int32_t rc = ResultOk;
        kestrun_writer *writer =
            kestrun_writer_new(format, &o, appendToString, reinterpret_cast<intptr_t>(&text), &rc);
        ASSERT_NE(writer, nullptr) << info.name;
        ASSERT_EQ(kestrun_writer_image(writer, image, 0, 0xFFFFFFFFu), ResultOk) << info.name;
        ASSERT_EQ(kestrun_writer_finish(writer), ResultOk) << info.name;
        kestrun_writer_free(writer);
        uint64_t size = 0;
        ASSERT_EQ(kestrun_write_size(format, &o, image, 0, 0xFFFFFFFFu, &size), ResultOk);
        EXPECT_EQ(size, text.size()) << info.name;
    }
    kestrun_write_options o;
    kestrun_write_options_init(KESTRUN_FORMAT_VMEM, &o);
    o.word_width = 12;
    int32_t rc = ResultOk;
    EXPECT_EQ(kestrun_writer_new(KESTRUN_FORMAT_VMEM, &o, appendToString, 0, &rc), nullptr);
    EXPECT_EQ(rc, ResultBadArgument);
    kestrun_image_free(image);
}
