// The one reader handle: the format's row makes the reader behind it, and
// every call goes to that reader. Binary input, which has no records, is
// read here: each piece lands after the one before.
#include "format_table.h"
#include "guard.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace kestrun {

namespace {

// How far the handle's readers go between progress reports.
constexpr uint64_t kReaderProgressStep = 64 << 10;

} // namespace

class BinaryReader final : public FormatReader {
public:
    explicit BinaryReader(Image *image) : m_image(image) {}

    void beginAt(uint64_t offset, uint64_t) override { m_origin = offset; }
    int32_t setAddress(uint32_t address) override
    {
        m_address = address;
        return ResultOk;
    }

    int32_t feed(const char *bytes, uint64_t length) override
    {
        if (m_result != ResultOk)
            return m_result;
        if (!progress.report(m_origin + m_next))
            return fail(ResultCancelled, m_origin + m_next);
        if (length == 0)
            return ResultOk;
        const uint64_t at = m_address + m_next;
        if (at + length > kAddressSpace) {
            m_fault = kestrun_fault{KESTRUN_FAULT_BYTES_PAST_END, 0, at, 0xFFFFFFFFu};
            return fail(ResultAddressFault, m_origin + m_next + (kAddressSpace - at));
        }
        const auto *data = reinterpret_cast<const uint8_t *>(bytes);
        uint64_t skip = 0;
        if (const uint64_t count = window.clip(at, length, skip); m_image && count) {
            const int32_t stored = m_image->store(at + skip, data + skip, count,
                                                 Writer{0, source}, overlap, &m_overlaps);
            if (stored < 0)
                return fail(stored, m_origin + m_next + skip);
        }
        if (onRecord) {
            const kestrun_record seen{0, uint32_t(at), uint32_t(std::min<uint64_t>(length, UINT32_MAX)),
                                      0, m_origin + m_next, data, 0};
            if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
                return fail(rc, m_origin + m_next);
        }
        ++m_pieces;
        m_next += length;
        dataBytes = m_next;
        return ResultOk;
    }
    int32_t finish() override { return m_result; }
    const kestrun_place *place() const override { return m_result < 0 ? &m_place : nullptr; }
    void statsInto(kestrun_read_stats &s) const override
    {
        s.records[0] = m_pieces;
        s.overlaps = m_overlaps.overlaps;
        s.conflicting_bytes = m_overlaps.conflicting_bytes;
        s.data_bytes = dataBytes;
    }
    const kestrun_fault &fault() const override { return m_fault; }
    std::string detail() const override
    {
        return m_fault.kind ? "the bytes pass address FFFFFFFF" : "";
    }

private:
    int32_t fail(int32_t result, uint64_t offset)
    {
        m_result = result;
        m_place = kestrun_place{};
        m_place.result = result;
        m_place.offset = m_place.record_offset = offset;
        return result;
    }

    Image *m_image; // null: pieces are reported, not stored
    uint64_t m_origin = 0; // the offset the first byte fed has
    uint64_t m_pieces = 0;
    kestrun_hex_stats m_overlaps{};
    kestrun_fault m_fault{};
    uint64_t m_address = 0;
    uint64_t m_next = 0;
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
};

std::unique_ptr<FormatReader> newBinaryFormatReader(Image *image)
{
    return std::make_unique<BinaryReader>(image);
}

} // namespace kestrun

using namespace kestrun;

struct kestrun_reader {
    int32_t format;
    std::unique_ptr<FormatReader> reader;

    template <typename Each> auto with(Each &&each) { return each(*reader); }
    template <typename Each> auto with(Each &&each) const { return each(std::as_const(*reader)); }
};

extern "C" {

KESTRUN_API kestrun_reader *kestrun_reader_new(int32_t format, kestrun_image *image,
                                               int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_reader *reader = nullptr;
    Image *im = image ? &image->image : nullptr;
    const FormatRow *row = formatRow(format);
    if (!row || !row->newReader) {
        rc = ResultBadArgument;
    } else {
        rc = guarded([&] {
            auto made = std::make_unique<kestrun_reader>();
            made->format = format;
            made->reader = row->newReader(im);
            reader = made.release();
            return ResultOk;
        });
    }
    if (result)
        *result = rc;
    return reader;
}

KESTRUN_API void kestrun_reader_free(kestrun_reader *reader)
{
    delete reader;
}

KESTRUN_API int32_t kestrun_reader_format(const kestrun_reader *reader)
{
    return reader ? reader->format : -1;
}

KESTRUN_API int32_t kestrun_reader_set_overlap(kestrun_reader *reader, int32_t policy)
{
    if (!reader || policy < KESTRUN_OVERLAP_LAST || policy > KESTRUN_OVERLAP_REFUSE)
        return ResultBadArgument;
    reader->with([&](auto &r) { r.overlap.policy = policy; });
    return ResultOk;
}

KESTRUN_API void kestrun_reader_set_window(kestrun_reader *reader, uint32_t low, uint32_t high)
{
    if (reader)
        reader->with([&](auto &r) { r.window = StoredWindow::between(low, high); });
}

KESTRUN_API void kestrun_reader_set_origin(kestrun_reader *reader, uint64_t offset, uint64_t line)
{
    if (reader && line > 0)
        reader->reader->beginAt(offset, line);
}

KESTRUN_API void kestrun_reader_set_checksums(kestrun_reader *reader, int32_t policy)
{
    if (reader)
        reader->with([&](auto &r) { r.acceptChecksums = policy == KESTRUN_CHECKSUMS_ACCEPT; });
}

KESTRUN_API uint64_t kestrun_reader_bad_checksums(const kestrun_reader *reader)
{
    return reader ? reader->with([](const auto &r) { return r.badChecksums; }) : 0;
}

KESTRUN_API void kestrun_reader_set_source(kestrun_reader *reader, uint32_t source)
{
    if (reader)
        reader->with([&](auto &r) { r.source = source; });
}

KESTRUN_API int32_t kestrun_reader_set_address(kestrun_reader *reader, uint32_t address)
{
    return reader ? reader->reader->setAddress(address) : int32_t(ResultBadArgument);
}

KESTRUN_API void kestrun_reader_on_record(kestrun_reader *reader, kestrun_record_fn fn,
                                          intptr_t userValue)
{
    if (reader)
        reader->with([&](auto &r) {
            r.onRecord = fn;
            r.recordUser = userValue;
        });
}

KESTRUN_API void kestrun_reader_on_conflict(kestrun_reader *reader, kestrun_conflict_fn fn,
                                            intptr_t userValue)
{
    if (reader)
        reader->with([&](auto &r) {
            r.overlap.report = fn;
            r.overlap.userValue = userValue;
        });
}

KESTRUN_API void kestrun_reader_on_progress(kestrun_reader *reader, ProgressCallback progress,
                                            uint64_t total, intptr_t userValue)
{
    if (reader)
        reader->with([&](auto &r) {
            r.progress.set(progress, total, userValue);
            r.progress.every = kReaderProgressStep;
        });
}

KESTRUN_API int32_t kestrun_reader_feed(kestrun_reader *reader, const char *bytes,
                                        uint64_t length)
{
    if (!reader || (!bytes && length > 0))
        return ResultBadArgument;
    return guarded([&] { return reader->with([&](auto &r) { return r.feed(bytes, length); }); });
}

KESTRUN_API int32_t kestrun_reader_finish(kestrun_reader *reader)
{
    if (!reader)
        return ResultBadArgument;
    return guarded([&] { return reader->with([&](auto &r) { return r.finish(); }); });
}

KESTRUN_API int32_t kestrun_reader_place(const kestrun_reader *reader, kestrun_place *place)
{
    const kestrun_place *at =
        reader ? reader->with([](const auto &r) { return r.place(); }) : nullptr;
    if (!at || !place)
        return ResultOk;
    *place = *at;
    return at->result;
}

KESTRUN_API uint64_t kestrun_reader_detail(const kestrun_reader *reader, char *buffer,
                                           uint64_t size)
{
    const std::string detail = reader ? reader->reader->detail() : std::string();
    if (buffer && size > 0) {
        const uint64_t n = std::min<uint64_t>(detail.size(), size - 1);
        std::memcpy(buffer, detail.data(), n);
        buffer[n] = '\0';
    }
    return detail.size();
}

KESTRUN_API int32_t kestrun_reader_fault(const kestrun_reader *reader, kestrun_fault *fault)
{
    const kestrun_fault none{};
    const kestrun_fault &at = reader ? reader->reader->fault() : none;
    if (fault)
        *fault = at;
    return at.kind;
}

KESTRUN_API int32_t kestrun_reader_past_end(const kestrun_reader *reader, kestrun_place *place)
{
    const kestrun_place *at = reader ? reader->reader->pastEnd() : nullptr;
    if (!at)
        return 0;
    if (place)
        *place = *at;
    return 1;
}

KESTRUN_API void kestrun_reader_stats(const kestrun_reader *reader, kestrun_read_stats *stats)
{
    if (!reader || !stats)
        return;
    kestrun_read_stats s{};
    s.format = reader->format;
    reader->reader->statsInto(s);
    *stats = s;
}

KESTRUN_API int32_t kestrun_reader_family(const kestrun_reader *reader, uint32_t *family)
{
    uint32_t named = 0;
    if (!reader || !reader->reader->family(named))
        return 0;
    if (family)
        *family = named;
    return 1;
}

} // extern "C"
