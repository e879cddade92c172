// The S-record writer: bytes at addresses in, S-record text out to the
// caller's sink in pieces of about 64 KiB. As in the HEX writer, bytes
// that follow the last ones continue their record.
#include "guard.h"
#include "hex_reader.h"
#include "image.h"
#include "srec_lines.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

constexpr uint64_t kFlushAt = 64 * 1024;
constexpr uint32_t kMaxHeader = kSrecMaxCount - 3;
constexpr const char kDefaultHeader[] = "HDR";

// The data bytes a record of `addressBytes` may hold.
constexpr uint32_t longestData(uint32_t addressBytes)
{
    return kSrecMaxCount - addressBytes - 1;
}

constexpr uint64_t highestOf(uint32_t addressBytes)
{
    return (uint64_t(1) << (8 * addressBytes)) - 1;
}

bool usable(const kestrun_srec_options &o)
{
    const uint32_t size = o.address_size == KESTRUN_SREC_AUTO ? 4 : o.address_size;
    const bool start = o.start_type == KESTRUN_START_NONE || o.start_type == KESTRUN_START_LINEAR
                       || o.start_type == KESTRUN_START_KEEP;
    return size >= 2 && size <= 4 && o.record_length >= 1 && o.record_length <= longestData(size)
           && (o.line_end & 0xFF) != 0 && start
           && (!o.header || (o.header_length <= kMaxHeader && (o.header_text || !o.header_length)));
}

// The address size for bytes up to `highest` and a start address `start`.
uint32_t sizeFor(const kestrun_srec_options &o, uint64_t highest)
{
    if (o.address_size != KESTRUN_SREC_AUTO)
        return o.address_size;
    uint32_t size = 2;
    while (size < 4 && highest > highestOf(size))
        ++size;
    return size;
}

// The address the end record carries; S-records know no CS:IP, so a 03
// start is written as the address it names.
uint32_t startOf(const kestrun_srec_options &o, uint32_t keptType, uint32_t keptValue)
{
    if (o.start_type == KESTRUN_START_KEEP)
        return keptType == KESTRUN_START_NONE ? 0 : linearStart(keptType, keptValue);
    return o.start_type == KESTRUN_START_NONE ? 0 : o.start_value;
}

// The characters of the lines around the data: header, count and end.
uint64_t framingSize(const kestrun_srec_options &o, uint32_t size, uint64_t dataRecords)
{
    const LineEnd lineEnd(o.line_end);
    uint64_t total = srecLineSize(size, 0, lineEnd);
    if (o.header)
        total += srecLineSize(2, o.header_length, lineEnd);
    if (o.count_record && dataRecords <= 0xFFFFFF)
        total += srecLineSize(dataRecords <= 0xFFFF ? 2 : 3, 0, lineEnd);
    return total;
}

} // namespace

class SRecWriter {
public:
    SRecWriter(const kestrun_srec_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_options(o), m_lineEnd(o.line_end), m_sink(sink), m_user(user)
    {
        m_addressBytes = sizeFor(o, o.highest);
    }

    Progress progress;
    const kestrun_srec_options &options() const { return m_options; }
    uint32_t keptType = KESTRUN_START_NONE;
    uint32_t keptValue = 0;

    // An automatic size, fixed once the highest address is known.
    void settleSize(uint64_t highest)
    {
        if (!m_begun)
            m_addressBytes = sizeFor(m_options, highest);
    }

    int32_t put(uint64_t address, const uint8_t *bytes, uint64_t count)
    {
        if (m_result < 0)
            return m_result;
        begin();
        if (count > 0 && address + count - 1 > highestOf(m_addressBytes))
            return m_result = ResultAddressFault;
        if (m_pending > 0 && address != m_recordAddress + m_pending)
            if (const int32_t rc = emitPending(); rc < 0)
                return rc;
        const uint32_t length = m_options.record_length;
        while (count > 0) {
            if (m_pending == 0)
                m_recordAddress = address;
            const uint64_t n = std::min<uint64_t>(length - m_pending, count);
            if (m_pending == 0 && n == length) {
                // A whole record at hand: straight from the caller's bytes.
                if (const int32_t rc = emit(address, bytes, length); rc < 0)
                    return rc;
            } else {
                std::memcpy(m_record + m_pending, bytes, n);
                m_pending += uint32_t(n);
                if (m_pending == length)
                    if (const int32_t rc = emitPending(); rc < 0)
                        return rc;
            }
            m_put += n;
            address += n;
            bytes += n;
            count -= n;
        }
        return ResultOk;
    }

    int32_t finish()
    {
        if (m_result < 0)
            return m_result;
        begin();
        if (const int32_t rc = emitPending(); rc < 0)
            return rc;
        const uint32_t start = startOf(m_options, keptType, keptValue);
        if (start > highestOf(m_addressBytes))
            return m_result = ResultAddressFault;
        char *p = m_text + m_used;
        if (m_options.count_record && m_records <= 0xFFFFFF) {
            const uint32_t size = m_records <= 0xFFFF ? 2 : 3;
            p = putSrecRecord(p, size + 3, size, uint32_t(m_records), nullptr, 0, m_lineEnd);
        }
        p = putSrecRecord(p, srecEndType(m_addressBytes), m_addressBytes, start, nullptr, 0,
                          m_lineEnd);
        m_used = uint64_t(p - m_text);
        const int32_t rc = flush();
        if (rc == ResultOk)
            m_result = ResultCancelled; // nothing more is taken
        return rc;
    }

private:
    void begin()
    {
        if (m_begun)
            return;
        m_begun = true;
        if (m_options.header)
            m_used = uint64_t(putSrecRecord(m_text, 0, 2, 0,
                                            reinterpret_cast<const uint8_t *>(m_options.header_text),
                                            m_options.header_length, m_lineEnd)
                              - m_text);
    }

    int32_t emitPending()
    {
        if (m_pending == 0)
            return ResultOk;
        const uint32_t n = m_pending;
        m_pending = 0;
        return emit(m_recordAddress, m_record, n);
    }

    int32_t emit(uint64_t address, const uint8_t *bytes, uint32_t count)
    {
        char *p = putSrecRecord(m_text + m_used, srecDataType(m_addressBytes), m_addressBytes,
                                uint32_t(address), bytes, count, m_lineEnd);
        ++m_records;
        m_used = uint64_t(p - m_text);
        return m_used >= kFlushAt ? flush() : ResultOk;
    }

    int32_t flush()
    {
        if (!progress.report(m_put))
            return m_result = ResultCancelled;
        if (m_used > 0) {
            if (const int32_t rc = m_sink(m_text, m_used, m_user); rc < 0)
                return m_result = rc;
        }
        m_used = 0;
        return ResultOk;
    }

    static constexpr uint64_t kLongestLine = kSrecLongestLine + 2;

    kestrun_srec_options m_options;
    LineEnd m_lineEnd;
    kestrun_sink_fn m_sink;
    intptr_t m_user;
    int32_t m_result = ResultOk;
    uint32_t m_addressBytes = 4;
    bool m_begun = false;
    uint64_t m_put = 0;
    uint64_t m_records = 0;
    uint8_t m_record[kSrecMaxCount];
    uint32_t m_pending = 0;
    uint64_t m_recordAddress = 0;
    // The text not yet sent: a flush's worth and the four lines that may
    // follow it before the next flush (a record, header, count and end).
    char m_text[kFlushAt + 4 * kLongestLine];
    uint64_t m_used = 0;
};

} // namespace kestrun

struct kestrun_srec_writer {
    kestrun_srec_writer(const kestrun_srec_options &o, kestrun_sink_fn sink, intptr_t user)
        : writer(o, sink, user)
    {
    }
    kestrun::SRecWriter writer;
};

using namespace kestrun;

namespace {

// The highest address of `image` within first..last, or none.
bool highestWithin(const Image &image, uint32_t first, uint32_t last, uint64_t &highest)
{
    bool any = false;
    image.eachPiece(first, uint64_t(last) + 1, [&](uint64_t at, const uint8_t *, uint64_t n) {
        highest = at + n - 1;
        any = true;
    });
    return any;
}

} // namespace

extern "C" {

KESTRUN_API void kestrun_srec_options_init(kestrun_srec_options *options)
{
    if (options)
        *options = kestrun_srec_options{0x20, KESTRUN_NEWLINE_CRLF, KESTRUN_SREC_AUTO, 0, 1,
                                        kDefaultHeader, sizeof kDefaultHeader - 1, 1,
                                        KESTRUN_START_KEEP, 0};
}

KESTRUN_API kestrun_srec_writer *kestrun_srec_writer_new(const kestrun_srec_options *options,
                                                         kestrun_sink_fn sink,
                                                         intptr_t userValue, int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_srec_writer *writer = nullptr;
    if (!options || !sink || !usable(*options))
        rc = ResultBadArgument;
    else if (!(writer = new (std::nothrow) kestrun_srec_writer(*options, sink, userValue)))
        rc = ResultNoMemory;
    if (result)
        *result = rc;
    return writer;
}

KESTRUN_API void kestrun_srec_writer_free(kestrun_srec_writer *writer)
{
    delete writer;
}

KESTRUN_API void kestrun_srec_writer_on_progress(kestrun_srec_writer *writer,
                                                 ProgressCallback progress, uint64_t total,
                                                 intptr_t userValue)
{
    if (writer)
        writer->writer.progress.set(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_srec_writer_put(kestrun_srec_writer *writer, uint32_t address,
                                            const uint8_t *bytes, uint64_t count)
{
    if (!writer || (!bytes && count > 0))
        return ResultBadArgument;
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    return guarded([&] { return writer->writer.put(address, bytes, count); });
}

KESTRUN_API int32_t kestrun_srec_writer_image(kestrun_srec_writer *writer,
                                              const kestrun_image *image, uint32_t first,
                                              uint32_t last)
{
    if (!writer || !image || last < first)
        return ResultBadArgument;
    return guarded([&] {
        const Image &im = image->image;
        writer->writer.keptType = im.startType;
        writer->writer.keptValue = im.startValue;
        uint64_t highest = 0;
        highestWithin(im, first, last, highest);
        // The end record's address takes the records' size too.
        highest = std::max<uint64_t>(highest, startOf(writer->writer.options(), im.startType,
                                                      im.startValue));
        writer->writer.settleSize(highest);
        return im.eachPieceWhileOk(first, uint64_t(last) + 1,
                                   [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
                                       return writer->writer.put(address, bytes, count);
                                   });
    });
}

KESTRUN_API int32_t kestrun_srec_writer_finish(kestrun_srec_writer *writer)
{
    if (!writer)
        return ResultBadArgument;
    return guarded([&] { return writer->writer.finish(); });
}

KESTRUN_API int32_t kestrun_srec_image_size(const kestrun_srec_options *options,
                                            const kestrun_image *image, uint32_t first,
                                            uint32_t last, uint64_t *size)
{
    if (!options || !size || !image || !usable(*options) || last < first)
        return ResultBadArgument;
    const Image &im = image->image;
    uint64_t highest = 0;
    highestWithin(im, first, last, highest);
    const uint32_t start = startOf(*options, im.startType, im.startValue);
    const uint32_t bytes = sizeFor(*options, std::max<uint64_t>(highest, start));
    if (highest > highestOf(bytes) || start > highestOf(bytes))
        return ResultAddressFault;
    const LineEnd lineEnd(options->line_end);
    uint64_t total = 0, records = 0;
    // Pieces that touch continue one another's records, as in the writer.
    uint64_t spanStart = 0, spanStop = 0;
    auto closeSpan = [&] {
        const uint64_t n = spanStop - spanStart;
        const uint64_t lines = (n + options->record_length - 1) / options->record_length;
        records += lines;
        total += lines * srecLineSize(bytes, 0, lineEnd) + 2 * n;
    };
    im.eachPiece(first, uint64_t(last) + 1, [&](uint64_t at, const uint8_t *, uint64_t n) {
        if (at != spanStop) {
            closeSpan();
            spanStart = at;
        }
        spanStop = at + n;
    });
    closeSpan();
    *size = total + framingSize(*options, bytes, records);
    return ResultOk;
}

} // extern "C"
