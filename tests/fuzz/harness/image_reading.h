// What the reader harnesses share: an input read through the one reader
// in pieces of given sizes, the line an editor puts an offset on, images
// compared byte for byte, and an image written by the one writer and read
// back.
#ifndef KESTRUN_FUZZ_IMAGE_READING_H
#define KESTRUN_FUZZ_IMAGE_READING_H

#include "exports.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

namespace kestrun_fuzz {

struct ImageFree {
    void operator()(kestrun_image *image) const { kestrun_image_free(image); }
};
using Image = std::unique_ptr<kestrun_image, ImageFree>;

struct TextRead {
    int32_t result = ResultOk;
    kestrun_place place{};
    kestrun_read_stats stats{};
};

// Piece sizes from a 32-bit seed (xorshift): 1 to `longest` bytes each.
class PieceSizes {
public:
    PieceSizes(uint32_t seed, uint32_t longest) : m_state(seed | 1), m_longest(longest ? longest : 1)
    {
    }
    size_t next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return 1 + m_state % m_longest;
    }

private:
    uint32_t m_state;
    uint32_t m_longest;
};

// Reads `text` as `format` into `image` (null: records only), under
// `policy`, fed in pieces of the sizes `sizes` gives (whole when null).
inline TextRead readText(int32_t format, const uint8_t *text, size_t size, kestrun_image *image,
                         int32_t policy, PieceSizes *sizes)
{
    TextRead r;
    kestrun_reader *reader = kestrun_reader_new(format, image, &r.result);
    FUZZ_CHECK(reader != nullptr);
    if (!reader)
        return r;
    kestrun_reader_set_overlap(reader, policy);
    for (size_t at = 0; r.result == ResultOk && at < size;) {
        const size_t piece = sizes ? std::min(sizes->next(), size - at) : size - at;
        r.result = kestrun_reader_feed(reader, reinterpret_cast<const char *>(text) + at, piece);
        at += piece;
    }
    if (r.result >= 0)
        r.result = kestrun_reader_finish(reader);
    kestrun_reader_place(reader, &r.place);
    kestrun_reader_stats(reader, &r.stats);
    kestrun_reader_free(reader);
    return r;
}

// The line (from 1) an editor shows `offset` on: CR LF, CR and LF each end one.
inline uint64_t editorLineAt(const uint8_t *text, size_t size, uint64_t offset)
{
    uint64_t line = 1;
    for (size_t i = 0; i < offset && i < size; ++i) {
        if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n' && i + 1 < offset)
            ++i;
        if (text[i] == '\r' || text[i] == '\n')
            ++line;
    }
    return line;
}

inline uint64_t editorLines(const uint8_t *text, size_t size)
{
    return editorLineAt(text, size, size);
}

// A refusal of a text names a line of it, and the offset named lies on
// that line; a text without its end record is named on the line after
// its last.
inline void checkPlaceInText(const TextRead &read, const uint8_t *text, size_t size)
{
    if (read.result >= 0 || read.result == ResultCancelled)
        return;
    FUZZ_CHECK(read.place.result == read.result);
    FUZZ_CHECK(read.place.editor_line >= 1);
    FUZZ_CHECK(read.place.editor_line <= editorLines(text, size) + 1);
    if (!read.place.no_end_record && read.place.offset < size)
        FUZZ_CHECK(editorLineAt(text, size, read.place.offset) == read.place.editor_line);
}

// Field by field: the structures have padding.
inline bool samePlace(const kestrun_place &a, const kestrun_place &b)
{
    return a.result == b.result && a.no_end_record == b.no_end_record && a.line == b.line
           && a.column == b.column && a.offset == b.offset && a.record_offset == b.record_offset
           && a.has_values == b.has_values && a.found == b.found && a.expected == b.expected
           && a.editor_line == b.editor_line;
}

inline bool sameStats(const kestrun_read_stats &a, const kestrun_read_stats &b)
{
    return a.format == b.format && std::equal(a.records, a.records + 10, b.records)
           && a.lines == b.lines && a.overlaps == b.overlaps
           && a.conflicting_bytes == b.conflicting_bytes && a.data_bytes == b.data_bytes
           && a.end_read == b.end_read;
}

inline bool sameImage(const kestrun_image *a, const kestrun_image *b)
{
    uint64_t differences = 1;
    if (kestrun_image_compare(a, b, -1, nullptr, 0, &differences) != ResultOk)
        return false;
    uint32_t typeA = 0, valueA = 0, typeB = 0, valueB = 0;
    kestrun_image_start(a, &typeA, &valueA);
    kestrun_image_start(b, &typeB, &valueB);
    return differences == 0 && typeA == typeB && valueA == valueB;
}

inline int32_t appendText(const char *bytes, uint64_t length, intptr_t userValue)
{
    reinterpret_cast<std::string *>(userValue)->append(bytes, length);
    return ResultOk;
}

// What the writer of `format` writes of `image` reads back as the same
// image.
inline void checkWrittenReadsBack(const kestrun_image *image, int32_t format,
                                  uint32_t recordLength)
{
    kestrun_write_options options;
    kestrun_write_options_init(format, &options);
    options.record_length = 1 + recordLength % (format == KESTRUN_FORMAT_SREC ? 250 : 255);
    std::string text;
    int32_t rc = ResultOk;
    kestrun_writer *writer =
        kestrun_writer_new(format, &options, appendText, reinterpret_cast<intptr_t>(&text), &rc);
    FUZZ_CHECK(writer != nullptr);
    if (!writer)
        return;
    rc = kestrun_writer_image(writer, image, 0, 0xFFFFFFFFu);
    if (rc == ResultOk)
        rc = kestrun_writer_finish(writer);
    kestrun_writer_free(writer);
    FUZZ_CHECK(rc == ResultOk);
    Image back(kestrun_image_new());
    const TextRead again = readText(format, reinterpret_cast<const uint8_t *>(text.data()),
                                    text.size(), back.get(), KESTRUN_OVERLAP_REFUSE, nullptr);
    FUZZ_CHECK(again.result >= 0);
    // S-records end with an address whether there is a start or not: 0 for none.
    uint32_t type = 0, value = 0;
    kestrun_image_start(image, &type, &value);
    if (format == KESTRUN_FORMAT_SREC && type == KESTRUN_START_NONE) {
        kestrun_image_start(back.get(), &type, &value);
        FUZZ_CHECK(value == 0);
        kestrun_image_set_start(back.get(), KESTRUN_START_NONE, 0);
    }
    FUZZ_CHECK(sameImage(image, back.get()));
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_IMAGE_READING_H
