// The one writer handle: a format value chooses the writer behind it. The
// text writers and the dump writer are the formats' own; binary output,
// bytes in address order with the fill between, is written here.
#include "exports.h"
#include "dump_writer.h"
#include "guard.h"
#include "hex_reader.h"
#include "image.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

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

} // namespace

// Bytes of first..last in order, the fill where nothing was put, gathered
// into pieces of a size the sink takes well.
class BinaryWriter {
public:
    BinaryWriter(const kestrun_write_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_fill(o.fill), m_first(o.first), m_next(o.first), m_stop(uint64_t(o.last) + 1), m_sink(sink),
          m_user(user), m_piece(new uint8_t[kPiece])
    {
    }

    Progress progress;

    int32_t put(uint64_t address, const uint8_t *bytes, uint64_t count)
    {
        if (m_result < 0)
            return m_result;
        if (address < m_first) {
            // The part below the window is passed over.
            const uint64_t skip = std::min(count, m_first - address);
            address += skip;
            bytes += skip;
            count -= skip;
        }
        if (count == 0)
            return ResultOk;
        if (address < m_next)
            return m_result = ResultBadArgument; // out of address order
        const uint64_t stop = std::min(address + count, m_stop);
        if (address >= stop)
            return ResultOk;
        if (const int32_t rc = fillTo(address); rc < 0)
            return rc;
        m_put += stop - address;
        return emit(bytes, stop - address);
    }

    int32_t finish()
    {
        if (m_result < 0)
            return m_result;
        if (const int32_t rc = fillTo(m_stop); rc < 0)
            return rc;
        return flush();
    }

private:
    static constexpr uint64_t kPiece = 256 * 1024;

    int32_t fillTo(uint64_t address)
    {
        while (m_next < address) {
            const uint64_t n = std::min<uint64_t>(address - m_next, kPiece - m_held);
            std::memset(m_piece.get() + m_held, m_fill, n);
            m_held += n;
            m_next += n;
            if (m_held == kPiece)
                if (const int32_t rc = flush(); rc < 0)
                    return rc;
        }
        return ResultOk;
    }

    int32_t emit(const uint8_t *bytes, uint64_t count)
    {
        while (count > 0) {
            if (m_held == 0 && count >= kPiece) {
                // Large runs go to the sink where they lie.
                const uint64_t n = count - count % kPiece;
                if (const int32_t rc = send(reinterpret_cast<const char *>(bytes), n); rc < 0)
                    return rc;
                bytes += n;
                count -= n;
                m_next += n;
                continue;
            }
            const uint64_t n = std::min(count, kPiece - m_held);
            std::memcpy(m_piece.get() + m_held, bytes, n);
            m_held += n;
            m_next += n;
            bytes += n;
            count -= n;
            if (m_held == kPiece)
                if (const int32_t rc = flush(); rc < 0)
                    return rc;
        }
        return ResultOk;
    }

    int32_t flush()
    {
        const uint64_t n = m_held;
        m_held = 0;
        return n ? send(reinterpret_cast<const char *>(m_piece.get()), n) : ResultOk;
    }

    int32_t send(const char *bytes, uint64_t count)
    {
        if (!progress.report(m_put))
            return m_result = ResultCancelled;
        const int32_t rc = m_sink(bytes, count, m_user);
        return rc < 0 ? m_result = rc : ResultOk;
    }

    uint8_t m_fill;
    uint64_t m_first;
    uint64_t m_next;
    uint64_t m_stop;
    kestrun_sink_fn m_sink;
    intptr_t m_user;
    std::unique_ptr<uint8_t[]> m_piece;
    uint64_t m_held = 0;
    uint64_t m_put = 0;
    int32_t m_result = ResultOk;
};

} // namespace kestrun

using namespace kestrun;

struct kestrun_writer {
    int32_t format = 0;
    kestrun_write_options options{};
    kestrun_hex_writer *hex = nullptr;
    kestrun_srec_writer *srec = nullptr;
    kestrun_dump_writer *dump = nullptr;
    std::unique_ptr<BinaryWriter> binary;

    ~kestrun_writer()
    {
        kestrun_hex_writer_free(hex);
        kestrun_srec_writer_free(srec);
        kestrun_dump_writer_free(dump);
    }
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
}

KESTRUN_API kestrun_writer *kestrun_writer_new(int32_t format, const kestrun_write_options *options,
                                               kestrun_sink_fn sink, intptr_t userValue,
                                               int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_writer *writer = nullptr;
    if (!options || !sink)
        rc = ResultBadArgument;
    else
        rc = guarded([&] {
            auto made = std::make_unique<kestrun_writer>();
            made->format = format;
            made->options = *options;
            int32_t made_rc = ResultOk;
            switch (format) {
            case KESTRUN_FORMAT_IHEX: {
                const kestrun_hex_options o = hexOptions(*options);
                made->hex = kestrun_hex_writer_new(&o, sink, userValue, &made_rc);
                break;
            }
            case KESTRUN_FORMAT_SREC: {
                const kestrun_srec_options o = srecOptions(*options);
                made->srec = kestrun_srec_writer_new(&o, sink, userValue, &made_rc);
                break;
            }
            case KESTRUN_FORMAT_DUMP: {
                const kestrun_dump_options o = dumpOptions(*options);
                made->dump = kestrun_dump_writer_new(&o, options->first, options->last, sink,
                                                     userValue, &made_rc);
                if (made->dump)
                    writeGapLines(made->dump);
                break;
            }
            case KESTRUN_FORMAT_BINARY:
                if (options->last < options->first)
                    return int32_t(ResultBadArgument);
                made->binary = std::make_unique<BinaryWriter>(*options, sink, userValue);
                break;
            default:
                return int32_t(ResultBadArgument);
            }
            if (made_rc < 0)
                return made_rc;
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
    if (!writer)
        return;
    kestrun_hex_writer_on_progress(writer->hex, progress, total, userValue);
    kestrun_srec_writer_on_progress(writer->srec, progress, total, userValue);
    kestrun_dump_writer_on_progress(writer->dump, progress, total, userValue);
    if (writer->binary)
        writer->binary->progress.set(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_writer_put(kestrun_writer *writer, uint32_t address,
                                       const uint8_t *bytes, uint64_t count)
{
    if (!writer || (!bytes && count > 0))
        return ResultBadArgument;
    if (writer->hex)
        return kestrun_hex_writer_put(writer->hex, address, bytes, count);
    if (writer->srec)
        return kestrun_srec_writer_put(writer->srec, address, bytes, count);
    if (writer->dump)
        return kestrun_dump_writer_put(writer->dump, address, bytes, count);
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    return guarded([&] { return writer->binary->put(address, bytes, count); });
}

KESTRUN_API int32_t kestrun_writer_image(kestrun_writer *writer, const kestrun_image *image,
                                         uint32_t first, uint32_t last)
{
    if (!writer || !image || last < first)
        return ResultBadArgument;
    if (writer->hex)
        return kestrun_hex_writer_image(writer->hex, image, first, last);
    if (writer->srec)
        return kestrun_srec_writer_image(writer->srec, image, first, last);
    // Dump and binary cover their own window: the part of it within
    // first..last is put.
    const uint64_t from = std::max<uint64_t>(first, writer->options.first);
    const uint64_t stop = std::min<uint64_t>(uint64_t(last) + 1, uint64_t(writer->options.last) + 1);
    if (from >= stop)
        return ResultOk;
    return guarded([&] {
        return image->image.eachPieceWhileOk(
            from, stop, [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
                return writer->dump ? kestrun_dump_writer_put(writer->dump, uint32_t(address),
                                                              bytes, count)
                                    : writer->binary->put(address, bytes, count);
            });
    });
}

KESTRUN_API int32_t kestrun_writer_finish(kestrun_writer *writer)
{
    if (!writer)
        return ResultBadArgument;
    if (writer->hex)
        return kestrun_hex_writer_finish(writer->hex);
    if (writer->srec)
        return kestrun_srec_writer_finish(writer->srec);
    if (writer->dump)
        return kestrun_dump_writer_finish(writer->dump);
    return guarded([&] { return writer->binary->finish(); });
}

KESTRUN_API int32_t kestrun_write_size(int32_t format, const kestrun_write_options *options,
                                       const kestrun_image *image, uint32_t first, uint32_t last,
                                       uint64_t *size)
{
    if (!options || !image || !size || last < first)
        return ResultBadArgument;
    switch (format) {
    case KESTRUN_FORMAT_IHEX: {
        const kestrun_hex_options o = hexOptions(*options);
        return kestrun_hex_image_size(&o, image, first, last, size);
    }
    case KESTRUN_FORMAT_SREC: {
        const kestrun_srec_options o = srecOptions(*options);
        return kestrun_srec_image_size(&o, image, first, last, size);
    }
    case KESTRUN_FORMAT_DUMP: {
        const kestrun_dump_options o = dumpOptions(*options);
        if (options->last < options->first)
            return ResultBadArgument;
        *size = gapDumpTextSize(o, options->first, options->last, image->image, first,
                                uint64_t(last) + 1);
        return ResultOk;
    }
    case KESTRUN_FORMAT_BINARY:
        if (options->last < options->first)
            return ResultBadArgument;
        *size = uint64_t(options->last) - options->first + 1;
        return ResultOk;
    default:
        return ResultBadArgument;
    }
}

} // extern "C"
