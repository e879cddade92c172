// Merging two inputs under each overlap policy. The input is cut in two;
// each part is read as the format its first bytes show. What must hold: a
// text refused names a line of it; the merge refuses exactly when its
// policy says (REFUSE: any address both hold; IDENTICAL: any such address
// whose bytes differ), and otherwise holds every address of either input
// with the later input's byte (LAST) or the earlier's (FIRST); each
// conflict names addresses both hold and lines of the two texts; and what
// the HEX writer writes of the merge reads back as the same image.
#ifndef KESTRUN_FUZZ_IMAGE_MERGE_H
#define KESTRUN_FUZZ_IMAGE_MERGE_H

#include "fuzz_input.h"
#include "image_reading.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kestrun_fuzz {

namespace image_merge_detail {

// Every byte held, by address ascending: flat, as the images are small
// and a map under the sanitizers would take most of the fuzzer's time.
using Bytes = std::vector<std::pair<uint32_t, uint8_t>>;

inline Bytes bytesOf(const kestrun_image *image)
{
    Bytes bytes;
    std::vector<uint8_t> held;
    kestrun_segment s{};
    for (uint64_t from = 0; kestrun_image_next(image, from, &s) == ResultOk;
         from = uint64_t(s.address) + s.length) {
        held.resize(s.length);
        kestrun_image_read(image, s.address, s.length, 0, held.data());
        for (uint32_t i = 0; i < s.length; ++i)
            bytes.emplace_back(s.address + i, held[i]);
    }
    return bytes;
}

inline bool holds(const Bytes &bytes, uint32_t address)
{
    const auto at = std::lower_bound(bytes.begin(), bytes.end(), std::make_pair(address, uint8_t(0)));
    return at != bytes.end() && at->first == address;
}

// `under` overlaid by `over`, and whether they meet and differ where they do.
inline Bytes overlay(const Bytes &under, const Bytes &over, bool &overlap, bool &differ)
{
    Bytes out;
    out.reserve(under.size() + over.size());
    auto u = under.begin();
    auto o = over.begin();
    while (u != under.end() || o != over.end()) {
        if (o == over.end() || (u != under.end() && u->first < o->first)) {
            out.push_back(*u++);
            continue;
        }
        if (u != under.end() && u->first == o->first) {
            overlap = true;
            differ = differ || u->second != o->second;
            ++u;
        }
        out.push_back(*o++);
    }
    return out;
}

// Kept as they come; checked once the merge has returned.
inline int32_t keep(const kestrun_conflict *conflict, intptr_t userValue)
{
    reinterpret_cast<std::vector<kestrun_conflict> *>(userValue)->push_back(*conflict);
    return ResultOk;
}

struct Part {
    const uint8_t *text;
    size_t size;
    int32_t format;
    Image image{kestrun_image_new()};
    TextRead read;

    Part(const uint8_t *bytes, size_t length)
        : text(bytes), size(length), format(kestrun_detect_format(bytes, length))
    {
        read = readText(format, text, size, image.get(), KESTRUN_OVERLAP_LAST, nullptr);
    }
    // Binary input has no lines: its bytes are line 0.
    bool holdsLine(uint64_t line) const
    {
        // Binary pieces and ELF sections have no line.
        return format == KESTRUN_FORMAT_BINARY || format == KESTRUN_FORMAT_ELF ? line == 0
                                               : line >= 1 && line <= read.stats.lines;
    }
};

} // namespace image_merge_detail

// Header: policy (1), length of the first part (2); the two parts.
inline int imageMergeOne(const uint8_t *data, size_t size)
{
    using namespace image_merge_detail;
    FuzzInput in(data, size);
    const int32_t policy = in.byte() % 4;
    const size_t split = std::min<size_t>(in.word16(), in.restSize());
    const std::unique_ptr<uint8_t[]> both = in.exactRest();
    const size_t length = in.restSize();
    const Part first(both.get(), split);
    const Part second(both.get() + split, length - split);
    // ELF and binary refusals have no line to name.
    for (const Part *part : {&first, &second})
        if (part->format == KESTRUN_FORMAT_IHEX || part->format == KESTRUN_FORMAT_SREC)
            checkPlaceInText(part->read, part->text, part->size);
    if (first.read.result < 0 || second.read.result < 0)
        return 0;

    const Bytes a = bytesOf(first.image.get());
    const Bytes b = bytesOf(second.image.get());
    bool overlap = false, differ = false;
    const Bytes expected = policy == KESTRUN_OVERLAP_FIRST ? overlay(b, a, overlap, differ)
                                                           : overlay(a, b, overlap, differ);

    Image merged(kestrun_image_new());
    FUZZ_CHECK(kestrun_image_merge(merged.get(), first.image.get(), 1, KESTRUN_OVERLAP_REFUSE,
                                   nullptr, 0, nullptr)
               == ResultOk);
    std::vector<kestrun_conflict> conflicts;
    const int32_t rc = kestrun_image_merge(merged.get(), second.image.get(), 2, policy, keep,
                                           reinterpret_cast<intptr_t>(&conflicts), nullptr);
    const bool refused = policy == KESTRUN_OVERLAP_REFUSE ? overlap
                         : policy == KESTRUN_OVERLAP_IDENTICAL ? differ
                                                               : false;
    FUZZ_CHECK(rc == (refused ? ResultOverlap : ResultOk));
    FUZZ_CHECK(conflicts.empty() != overlap);
    for (const kestrun_conflict &c : conflicts) {
        FUZZ_CHECK(c.low <= c.high && c.source == 2 && c.earlier_source == 1);
        FUZZ_CHECK(holds(a, c.low) && holds(a, c.high) && holds(b, c.low) && holds(b, c.high));
        FUZZ_CHECK(second.holdsLine(c.line) && first.holdsLine(c.earlier_line));
    }
    if (refused)
        return 0;
    FUZZ_CHECK(bytesOf(merged.get()) == expected);
    checkWrittenReadsBack(merged.get(), KESTRUN_FORMAT_IHEX, uint32_t(split));
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_IMAGE_MERGE_H
