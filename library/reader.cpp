// The one reader handle: a format value chooses the reader behind it, and
// every call goes to that reader. Binary input, which has no records, is
// read here: each piece lands after the one before.
#include "elf_reader.h"
#include "guard.h"
#include "hex_reader.h"
#include "srec_reader.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace kestrun {

class BinaryReader : public ReaderSettings {
public:
    explicit BinaryReader(Image *image) : m_image(image) {}

    uint64_t pieces = 0;
    uint64_t origin = 0; // the offset the first byte fed has
    kestrun_hex_stats overlaps{};
    kestrun_fault fault{};

    void setAddress(uint32_t address) { m_address = address; }

    int32_t feed(const char *bytes, uint64_t length)
    {
        if (m_result != ResultOk)
            return m_result;
        if (!progress.report(origin + m_next))
            return fail(ResultCancelled, origin + m_next);
        if (length == 0)
            return ResultOk;
        const uint64_t at = m_address + m_next;
        if (at + length > kAddressSpace) {
            fault = kestrun_fault{KESTRUN_FAULT_BYTES_PAST_END, 0, at, 0xFFFFFFFFu};
            return fail(ResultAddressFault, origin + m_next + (kAddressSpace - at));
        }
        const auto *data = reinterpret_cast<const uint8_t *>(bytes);
        uint64_t skip = 0;
        if (const uint64_t count = window.clip(at, length, skip); m_image && count) {
            const int32_t stored = m_image->store(at + skip, data + skip, count,
                                                 Writer{0, source}, overlap, &overlaps);
            if (stored < 0)
                return fail(stored, origin + m_next + skip);
        }
        if (onRecord) {
            const kestrun_record seen{0, uint32_t(at), uint32_t(std::min<uint64_t>(length, UINT32_MAX)),
                                      0, origin + m_next, data, 0};
            if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
                return fail(rc, origin + m_next);
        }
        ++pieces;
        m_next += length;
        dataBytes = m_next;
        return ResultOk;
    }
    int32_t finish() const { return m_result; }
    const kestrun_place *place() const { return m_result < 0 ? &m_place : nullptr; }

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
    uint64_t m_address = 0;
    uint64_t m_next = 0;
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
};

} // namespace kestrun

using namespace kestrun;

struct kestrun_reader {
    int32_t format;
    std::unique_ptr<HexReader> hex;
    std::unique_ptr<SRecReader> srec;
    std::unique_ptr<BinaryReader> binary;
    std::unique_ptr<ElfReader> elf;

    // Calls `each` with the reader behind the handle.
    template <typename Each> auto with(Each &&each)
    {
        if (hex)
            return each(*hex);
        if (srec)
            return each(*srec);
        if (binary)
            return each(*binary);
        return each(*elf);
    }
    template <typename Each> auto with(Each &&each) const
    {
        return const_cast<kestrun_reader *>(this)->with(each);
    }
};

extern "C" {

KESTRUN_API kestrun_reader *kestrun_reader_new(int32_t format, kestrun_image *image,
                                               int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_reader *reader = nullptr;
    Image *im = image ? &image->image : nullptr;
    if (format < KESTRUN_FORMAT_BINARY || format > KESTRUN_FORMAT_ELF) {
        rc = ResultBadArgument;
    } else {
        rc = guarded([&] {
            auto made = std::make_unique<kestrun_reader>();
            made->format = format;
            switch (format) {
            case KESTRUN_FORMAT_IHEX:
                made->hex = std::make_unique<HexReader>(im);
                break;
            case KESTRUN_FORMAT_SREC:
                made->srec = std::make_unique<SRecReader>(im);
                break;
            case KESTRUN_FORMAT_BINARY:
                made->binary = std::make_unique<BinaryReader>(im);
                break;
            default:
                made->elf = std::make_unique<ElfReader>(im);
                break;
            }
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
    if (!reader || line == 0)
        return;
    if (reader->hex)
        reader->hex->beginAt(offset, line);
    else if (reader->srec)
        reader->srec->beginAt(offset, line);
    else if (reader->binary)
        reader->binary->origin = offset;
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
    if (!reader || !reader->binary)
        return ResultBadArgument;
    reader->binary->setAddress(address);
    return ResultOk;
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
        reader->with([&](auto &r) { r.progress.set(progress, total, userValue); });
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
    const std::string detail =
        !reader            ? std::string()
        : reader->elf      ? reader->elf->detail()
        : reader->binary && reader->binary->fault.kind ? std::string("the bytes pass address FFFFFFFF")
                                                       : std::string();
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
    const kestrun_fault &at = !reader         ? none
                              : reader->elf    ? reader->elf->fault()
                              : reader->binary ? reader->binary->fault
                                               : none;
    if (fault)
        *fault = at;
    return at.kind;
}

KESTRUN_API int32_t kestrun_reader_past_end(const kestrun_reader *reader, kestrun_place *place)
{
    const kestrun_place *at = !reader        ? nullptr
                              : reader->hex  ? reader->hex->pastEnd()
                              : reader->srec ? reader->srec->pastEnd()
                                             : nullptr;
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
    if (reader->hex) {
        const kestrun_hex_stats &h = reader->hex->stats();
        std::copy(std::begin(h.records), std::end(h.records), s.records);
        s.lines = h.lines;
        s.overlaps = h.overlaps;
        s.conflicting_bytes = h.conflicting_bytes;
        s.end_read = h.end_read;
        s.data_bytes = reader->hex->dataBytes;
    } else if (reader->srec) {
        const kestrun_srec_stats r = reader->srec->stats();
        std::copy(std::begin(r.records), std::end(r.records), s.records);
        s.lines = r.lines;
        s.overlaps = r.overlaps;
        s.conflicting_bytes = r.conflicting_bytes;
        s.end_read = r.end_read;
        s.data_bytes = reader->srec->dataBytes;
    } else if (reader->binary) {
        s.records[0] = reader->binary->pieces;
        s.overlaps = reader->binary->overlaps.overlaps;
        s.conflicting_bytes = reader->binary->overlaps.conflicting_bytes;
        s.data_bytes = reader->binary->dataBytes;
    } else {
        s.records[0] = reader->elf->pieces;
        s.overlaps = reader->elf->overlaps.overlaps;
        s.conflicting_bytes = reader->elf->overlaps.conflicting_bytes;
        s.data_bytes = reader->elf->dataBytes;
    }
    *stats = s;
}

} // extern "C"
