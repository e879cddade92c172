// The one writer handle: the format's row makes the writer behind it. The
// HEX, S-record and dump writers keep handles of their own, wrapped here.
#include "dump_writer.h"
#include "format_table.h"
#include "guard.h"
#include "write_parts.h"

#include <algorithm>
#include <memory>

namespace kestrun {

namespace {

kestrun_hex_options hexOptions(const kestrun_write_options &o)
{
    return kestrun_hex_options{o.record_length, o.line_end, o.address_records, o.start_type,
                               o.start_value};
}

kestrun_srec_options srecOptions(const kestrun_write_options &o)
{
    return kestrun_srec_options{o.record_length, o.line_end,   o.address_size,
                                0,               o.header,     o.header_text,
                                o.header_length, o.count_record, o.start_type,
                                o.start_value};
}

kestrun_dump_options dumpOptions(const kestrun_write_options &o)
{
    return kestrun_dump_options{o.line_end, o.indent, o.fill};
}

// A writer handle of the format's own calls behind the one interface.
template <typename Handle, typename Calls> class HandleWriter final : public FormatWriter {
public:
    HandleWriter(Handle *handle, uint32_t first, uint32_t last)
        : m_handle(handle), m_first(first), m_last(last)
    {
    }
    ~HandleWriter() override { Calls::free(m_handle); }

    void onProgress(ProgressCallback progress, uint64_t total, intptr_t user) override
    {
        Calls::onProgress(m_handle, progress, total, user);
    }
    int32_t put(uint32_t address, const uint8_t *bytes, uint64_t count) override
    {
        return Calls::put(m_handle, address, bytes, count);
    }
    int32_t image(const kestrun_image *image, uint32_t first, uint32_t last) override
    {
        if constexpr (Calls::kWindowed) {
            // The dump covers its own window: the part of it within
            // first..last is put.
            return FormatWriter::image(image, std::max(first, m_first), std::min(last, m_last));
        } else {
            return Calls::image(m_handle, image, first, last);
        }
    }
    int32_t finish() override { return Calls::finish(m_handle); }
    int32_t split(uint64_t address, uint64_t length, uint64_t &firstBytes,
                  uint64_t &firstSize) const override
    {
        if constexpr (requires { Calls::split; })
            return Calls::split(m_handle, address, length, firstBytes, firstSize);
        return FormatWriter::split(address, length, firstBytes, firstSize);
    }
    int32_t resume(uint64_t address) override
    {
        if constexpr (requires { Calls::resume; })
            return Calls::resume(m_handle, address);
        return FormatWriter::resume(address);
    }
    int32_t finishPart() override
    {
        if constexpr (requires { Calls::finishPart; })
            return Calls::finishPart(m_handle);
        return FormatWriter::finishPart();
    }

private:
    Handle *m_handle;
    uint32_t m_first;
    uint32_t m_last;
};

struct HexCalls {
    static constexpr bool kWindowed = false;
    static constexpr auto free = kestrun_hex_writer_free;
    static constexpr auto onProgress = kestrun_hex_writer_on_progress;
    static constexpr auto put = kestrun_hex_writer_put;
    static constexpr auto image = kestrun_hex_writer_image;
    static constexpr auto finish = kestrun_hex_writer_finish;
    static constexpr auto split = hexWriterSplit;
    static constexpr auto resume = hexWriterResume;
    static constexpr auto finishPart = hexWriterFinishPart;
};

struct SRecCalls {
    static constexpr bool kWindowed = false;
    static constexpr auto free = kestrun_srec_writer_free;
    static constexpr auto onProgress = kestrun_srec_writer_on_progress;
    static constexpr auto put = kestrun_srec_writer_put;
    static constexpr auto image = kestrun_srec_writer_image;
    static constexpr auto finish = kestrun_srec_writer_finish;
};

struct DumpCalls {
    static constexpr bool kWindowed = true;
    static constexpr auto free = kestrun_dump_writer_free;
    static constexpr auto onProgress = kestrun_dump_writer_on_progress;
    static constexpr auto put = kestrun_dump_writer_put;
    static constexpr auto finish = kestrun_dump_writer_finish;
    static constexpr auto split = dumpWriterSplit;
    static constexpr auto resume = dumpWriterResume;
    static constexpr auto finishPart = dumpWriterFinishPart;
};

template <typename Calls, typename Handle>
std::unique_ptr<FormatWriter> wrapped(Handle *handle, const kestrun_write_options &o,
                                      int32_t &result, int32_t made)
{
    if (made < 0 || !handle) {
        result = made < 0 ? made : int32_t(ResultNoMemory);
        return nullptr;
    }
    return std::make_unique<HandleWriter<Handle, Calls>>(handle, o.first, o.last);
}

int32_t countBytes(const char *, uint64_t length, intptr_t user)
{
    *reinterpret_cast<uint64_t *>(user) += length;
    return ResultOk;
}

} // namespace

int32_t FormatWriter::image(const kestrun_image *image, uint32_t first, uint32_t last)
{
    if (first > last)
        return ResultOk;
    return image->image.eachPieceWhileOk(
        first, uint64_t(last) + 1, [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
            return put(uint32_t(address), bytes, count);
        });
}

std::unique_ptr<FormatWriter> newHexFormatWriter(const kestrun_write_options &o,
                                                 kestrun_sink_fn sink, intptr_t user,
                                                 int32_t &result)
{
    const kestrun_hex_options h = hexOptions(o);
    int32_t made = ResultOk;
    return wrapped<HexCalls>(kestrun_hex_writer_new(&h, sink, user, &made), o, result, made);
}

std::unique_ptr<FormatWriter> newSRecFormatWriter(const kestrun_write_options &o,
                                                  kestrun_sink_fn sink, intptr_t user,
                                                  int32_t &result)
{
    const kestrun_srec_options s = srecOptions(o);
    int32_t made = ResultOk;
    return wrapped<SRecCalls>(kestrun_srec_writer_new(&s, sink, user, &made), o, result, made);
}

std::unique_ptr<FormatWriter> newDumpFormatWriter(const kestrun_write_options &o,
                                                  kestrun_sink_fn sink, intptr_t user,
                                                  int32_t &result)
{
    const kestrun_dump_options d = dumpOptions(o);
    int32_t made = ResultOk;
    kestrun_dump_writer *dump = kestrun_dump_writer_new(&d, o.first, o.last, sink, user, &made);
    // A gap longer than a line is one line that names it.
    if (dump)
        writeGapLines(dump);
    return wrapped<DumpCalls>(dump, o, result, made);
}

int32_t hexWriteSize(const kestrun_write_options &o, const kestrun_image *image, uint32_t first,
                     uint32_t last, uint64_t *size)
{
    const kestrun_hex_options h = hexOptions(o);
    return kestrun_hex_image_size(&h, image, first, last, size);
}

int32_t srecWriteSize(const kestrun_write_options &o, const kestrun_image *image, uint32_t first,
                      uint32_t last, uint64_t *size)
{
    const kestrun_srec_options s = srecOptions(o);
    return kestrun_srec_image_size(&s, image, first, last, size);
}

int32_t dumpWriteSize(const kestrun_write_options &o, const kestrun_image *image, uint32_t first,
                      uint32_t last, uint64_t *size)
{
    if (o.last < o.first || !image)
        return ResultBadArgument;
    const kestrun_dump_options d = dumpOptions(o);
    *size = gapDumpTextSize(d, o.first, o.last, image->image, first, uint64_t(last) + 1);
    return ResultOk;
}

} // namespace kestrun

using namespace kestrun;

struct kestrun_writer {
    std::unique_ptr<FormatWriter> writer;
};

extern "C" {

KESTRUN_API void kestrun_write_options_init(int32_t format, kestrun_write_options *options)
{
    if (!options)
        return;
    (void)format;
    kestrun_srec_options s;
    kestrun_srec_options_init(&s);
    *options = kestrun_write_options{};
    options->record_length = s.record_length;
    options->line_end = s.line_end;
    options->address_records = KESTRUN_ADDRESS_AUTO;
    options->address_size = s.address_size;
    options->start_type = KESTRUN_START_KEEP;
    options->header = s.header;
    options->header_text = s.header_text;
    options->header_length = s.header_length;
    options->count_record = s.count_record;
    options->fill = 0xFF;
    options->first = 0;
    options->last = 0xFFFFFFFFu;
    options->word_width = 32;
}

KESTRUN_API kestrun_writer *kestrun_writer_new(int32_t format, const kestrun_write_options *options,
                                               kestrun_sink_fn sink, intptr_t userValue,
                                               int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_writer *writer = nullptr;
    const FormatRow *row = formatRow(format);
    if (!options || !sink || !row || !row->newWriter)
        rc = ResultBadArgument;
    else
        rc = guarded([&] {
            auto made = std::make_unique<kestrun_writer>();
            int32_t made_rc = ResultOk;
            made->writer = row->newWriter(*options, sink, userValue, made_rc);
            if (!made->writer)
                return made_rc < 0 ? made_rc : int32_t(ResultBadArgument);
            writer = made.release();
            return int32_t(ResultOk);
        });
    if (result)
        *result = rc;
    return writer;
}

KESTRUN_API void kestrun_writer_free(kestrun_writer *writer)
{
    delete writer;
}

KESTRUN_API void kestrun_writer_on_progress(kestrun_writer *writer, ProgressCallback progress,
                                            uint64_t total, intptr_t userValue)
{
    if (writer)
        writer->writer->onProgress(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_writer_put(kestrun_writer *writer, uint32_t address,
                                       const uint8_t *bytes, uint64_t count)
{
    if (!writer || (!bytes && count > 0))
        return ResultBadArgument;
    return guarded([&] { return writer->writer->put(address, bytes, count); });
}

KESTRUN_API int32_t kestrun_writer_image(kestrun_writer *writer, const kestrun_image *image,
                                         uint32_t first, uint32_t last)
{
    if (!writer || !image || last < first)
        return ResultBadArgument;
    return guarded([&] { return writer->writer->image(image, first, last); });
}

KESTRUN_API int32_t kestrun_writer_finish(kestrun_writer *writer)
{
    if (!writer)
        return ResultBadArgument;
    return guarded([&] { return writer->writer->finish(); });
}

KESTRUN_API int32_t kestrun_writer_split(const kestrun_writer *writer, uint32_t address,
                                         uint64_t length, uint64_t *first_bytes,
                                         uint64_t *first_size)
{
    if (!writer || !first_bytes || !first_size)
        return ResultBadArgument;
    return guarded(
        [&] { return writer->writer->split(address, length, *first_bytes, *first_size); });
}

KESTRUN_API int32_t kestrun_writer_resume(kestrun_writer *writer, uint32_t address)
{
    if (!writer)
        return ResultBadArgument;
    return guarded([&] { return writer->writer->resume(address); });
}

KESTRUN_API int32_t kestrun_writer_finish_part(kestrun_writer *writer)
{
    if (!writer)
        return ResultBadArgument;
    return guarded([&] { return writer->writer->finishPart(); });
}

KESTRUN_API int32_t kestrun_write_size(int32_t format, const kestrun_write_options *options,
                                       const kestrun_image *image, uint32_t first, uint32_t last,
                                       uint64_t *size)
{
    const FormatRow *row = formatRow(format);
    if (!options || !image || !size || last < first || !row || !row->newWriter)
        return ResultBadArgument;
    if (row->size)
        return row->size(*options, image, first, last, size);
    // A format without a rule for its size is written to a sink that counts.
    uint64_t counted = 0;
    int32_t rc = ResultOk;
    kestrun_writer *writer =
        kestrun_writer_new(format, options, countBytes, intptr_t(&counted), &rc);
    if (!writer)
        return rc;
    rc = kestrun_writer_image(writer, image, first, last);
    if (rc >= 0)
        rc = kestrun_writer_finish(writer);
    kestrun_writer_free(writer);
    if (rc >= 0)
        *size = counted;
    return rc;
}

} // extern "C"
