// Merging keeps each input's lines and tags, so that a conflict names both
// writers; comparing lists maximal runs of one kind of difference.
#include "exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct ImageFree {
    void operator()(kestrun_image *i) const { kestrun_image_free(i); }
};
using ImagePtr = std::unique_ptr<kestrun_image, ImageFree>;

// An image of its parts: bytes at an address each.
ImagePtr image(const std::vector<std::pair<uint32_t, std::string>> &parts)
{
    ImagePtr made(kestrun_image_new());
    for (const auto &[address, bytes] : parts)
        kestrun_image_put(made.get(), address, reinterpret_cast<const uint8_t *>(bytes.data()),
                          bytes.size());
    return made;
}

int32_t collect(const kestrun_difference *d, intptr_t user)
{
    auto *out = reinterpret_cast<std::string *>(user);
    char line[64];
    std::snprintf(line, sizeof line, "%u %X-%X %02X/%02X;", d->kind, d->low, d->high, d->a[0], d->b[0]);
    *out += line;
    return ResultOk;
}

} // namespace

TEST(ImageCompare, ListsEachRunOfOneKind)
{
    const struct {
        const char *what;
        std::vector<std::pair<uint32_t, std::string>> a, b;
        int32_t fill;
        const char *expected;
    } cases[] = {
        {"equal", {{0x10, "abc"}}, {{0x10, "abc"}}, -1, ""},
        {"a byte differs", {{0x10, "abc"}}, {{0x10, "aXc"}}, -1, "3 11-11 62/58;"},
        {"only in A, then in both", {{0x10, "abcd"}}, {{0x12, "cd"}}, -1, "1 10-11 61/00;"},
        {"only in B at the top", {{0x10, "ab"}}, {{0x10, "ab"}, {0xFFFFFFFF, "z"}}, -1,
         "2 FFFFFFFF-FFFFFFFF 00/7A;"},
        {"a gap is the fill byte", {{0x10, "a\xFF" "c"}}, {{0x10, "a"}, {0x12, "c"}}, 0xFF, ""},
        {"a gap is not another byte", {{0x10, "a\x01" "c"}}, {{0x10, "a"}, {0x12, "c"}}, 0xFF,
         "3 11-11 01/FF;"},
        {"runs that touch stay apart by kind", {{0x10, "ab"}}, {{0x10, "Xb"}, {0x12, "c"}}, -1,
         "3 10-10 61/58;2 12-12 00/63;"},
    };
    for (const auto &c : cases) {
        std::string listed;
        uint64_t count = 0;
        EXPECT_EQ(kestrun_image_compare(image(c.a).get(), image(c.b).get(), c.fill, collect,
                                        reinterpret_cast<intptr_t>(&listed), &count),
                  ResultOk);
        EXPECT_EQ(listed, c.expected) << c.what;
    }
}

TEST(ImageMerge, AConflictNamesBothInputsAndTheirLines)
{
    ImagePtr merged(kestrun_image_new());
    std::vector<kestrun_conflict> seen;
    const auto report = [](const kestrun_conflict *c, intptr_t user) -> int32_t {
        reinterpret_cast<std::vector<kestrun_conflict> *>(user)->push_back(*c);
        return ResultOk;
    };
    const ImagePtr first = image({{0x100, std::string(16, 'a')}});
    const ImagePtr second = image({{0x108, std::string(16, 'b')}});
    ASSERT_EQ(kestrun_image_merge(merged.get(), first.get(), 1, KESTRUN_OVERLAP_REFUSE, report,
                                  reinterpret_cast<intptr_t>(&seen), nullptr),
              ResultOk);
    EXPECT_EQ(kestrun_image_merge(merged.get(), second.get(), 2, KESTRUN_OVERLAP_REFUSE, report,
                                  reinterpret_cast<intptr_t>(&seen), nullptr),
              ResultOverlap);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].low, 0x108u);
    EXPECT_EQ(seen[0].high, 0x10Fu);
    EXPECT_EQ(seen[0].source, 2u);
    EXPECT_EQ(seen[0].earlier_source, 1u);
    EXPECT_EQ(kestrun_image_data_bytes(merged.get()), 16u);
    // The later bytes, where the rule lets them in.
    EXPECT_EQ(kestrun_image_merge(merged.get(), second.get(), 2, KESTRUN_OVERLAP_LAST, nullptr, 0,
                                  nullptr),
              ResultOk);
    uint8_t at[2];
    kestrun_image_read(merged.get(), 0x107, 2, 0, at);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(at), 2), "ab");
    EXPECT_EQ(kestrun_image_merge(merged.get(), merged.get(), 3, KESTRUN_OVERLAP_LAST, nullptr, 0,
                                  nullptr),
              ResultBadArgument);
}
