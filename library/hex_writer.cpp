// The HEX writer: bytes at addresses in, Intel HEX text out to the
// caller's sink in pieces of about a MiB. Bytes that follow the last ones
// continue their record, so a caller may put its data in pieces of any
// size and gets the records one put would give.
#include "guard.h"
#include "hex_lines.h"
#include "hex_reader.h"
#include "image.h"
#include "write_parts.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

// Text goes to the sink a MiB at a time: a file takes that much in one
// write about a quarter faster than in pieces of 64 KiB.
constexpr uint64_t kFlushAt = 1024 * 1024;
// The longest line: a record of 255 bytes and a two-character line end.
constexpr uint64_t kLongestLine = 1 + 2 * (4 + kMaxRecordLength) + 2 + 2;

bool usable(const kestrun_hex_options &o)
{
    const bool start = o.start_type == KESTRUN_START_NONE || o.start_type == KESTRUN_START_SEGMENT
                       || o.start_type == KESTRUN_START_LINEAR || o.start_type == KESTRUN_START_KEEP;
    const bool mode = o.address_records == KESTRUN_ADDRESS_AUTO
                      || o.address_records == KESTRUN_ADDRESS_NONE
                      || o.address_records == KESTRUN_ADDRESS_SEGMENT
                      || o.address_records == KESTRUN_ADDRESS_LINEAR;
    return o.record_length >= 1 && o.record_length <= kMaxRecordLength && start && mode
           && (o.line_end & 0xFF) != 0;
}

// The characters of the records for `count` bytes from `address`, their
// address records (through `addressing`) included; -1 when unreachable.
int64_t spanSize(AddressRecords &addressing, uint64_t address, uint64_t count,
                 uint32_t recordLength, const LineEnd &lineEnd)
{
    uint64_t total = 0;
    const uint64_t stop = address + count;
    for (uint64_t at = address; at < stop;) {
        const uint64_t block = at / kBlockSize;
        AddressRecord records[2];
        const int n = addressing.before(block, records);
        if (n < 0)
            return -1;
        const uint64_t bytes = std::min(stop, (block + 1) * kBlockSize) - at;
        const uint64_t lines = (bytes + recordLength - 1) / recordLength;
        total += n * recordLineSize(6, lineEnd) + lines * recordLineSize(4, lineEnd) + 2 * bytes;
        at += bytes;
    }
    return int64_t(total);
}

} // namespace

class HexWriter {
public:
    HexWriter(const kestrun_hex_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_options(o), m_lineEnd(o.line_end), m_addressing(o.address_records), m_sink(sink),
          m_user(user)
    {
    }

    Progress progress;

    int32_t put(uint64_t address, const uint8_t *bytes, uint64_t count)
    {
        if (m_result < 0)
            return m_result;
        if (address + count > kAddressSpace)
            return m_result = ResultAddressFault;
        // Bytes gathered into a record reach the address records only when
        // it is written, perhaps by a later call: what the mode cannot reach
        // is refused here, where the caller put it. Reachable blocks start at
        // block 0, so the last block decides.
        if (count > 0 && !m_addressing.reaches((address + count - 1) / kBlockSize))
            return m_result = ResultAddressFault;
        if (m_pending > 0 && address != m_recordAddress + m_pending)
            if (const int32_t rc = emitPending(); rc < 0)
                return rc;
        while (count > 0) {
            if (m_pending == 0)
                m_recordAddress = address;
            const uint64_t blockStop = (m_recordAddress / kBlockSize + 1) * kBlockSize;
            const uint64_t room =
                std::min<uint64_t>(m_options.record_length, blockStop - m_recordAddress) - m_pending;
            const uint64_t n = std::min(room, count);
            if (m_pending == 0 && n == room) {
                // A whole record at hand: straight from the caller's bytes.
                if (const int32_t rc = emit(m_recordAddress, bytes, uint32_t(n)); rc < 0)
                    return rc;
            } else {
                std::memcpy(m_record + m_pending, bytes, n);
                m_pending += uint32_t(n);
                if (n == room)
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

    int32_t finish(uint32_t keptType, uint32_t keptValue)
    {
        if (m_result < 0)
            return m_result;
        if (const int32_t rc = emitPending(); rc < 0)
            return rc;
        uint32_t type = m_options.start_type;
        uint32_t value = m_options.start_value;
        if (type == KESTRUN_START_KEEP) {
            type = keptType;
            value = keptValue;
        }
        char *p = m_text + m_used;
        if (type != KESTRUN_START_NONE)
            p = putStartRecord(p, type, value, m_lineEnd);
        p = putEndRecord(p, m_lineEnd);
        m_used = uint64_t(p - m_text);
        const int32_t rc = flush();
        if (rc == ResultOk)
            m_result = ResultCancelled; // nothing more is taken
        return rc;
    }

    // Where a run of `length` bytes from `address`, put into this writer
    // before anything else, may be cut: at a block's start near its
    // middle, where a record ends and a resumed writer's address records
    // are the ones this writer would write next.
    int32_t split(uint64_t address, uint64_t length, uint64_t &firstBytes,
                  uint64_t &firstSize) const
    {
        const uint64_t stop = address + length;
        const uint64_t middle = (address + length / 2 + kBlockSize / 2) / kBlockSize * kBlockSize;
        if (m_put > 0 || m_pending > 0 || m_addressed || middle <= address || middle >= stop)
            return ResultBadArgument;
        if (stop > kAddressSpace || !m_addressing.reaches((stop - 1) / kBlockSize))
            return ResultAddressFault;
        AddressRecords addressing(m_options.address_records);
        const int64_t size =
            spanSize(addressing, address, middle - address, m_options.record_length, m_lineEnd);
        if (size < 0)
            return ResultAddressFault;
        firstBytes = middle - address;
        firstSize = uint64_t(size);
        return ResultOk;
    }

    // Goes on from a split point, as the writer that put every byte before
    // it would: the address records of the block before are in force.
    int32_t resume(uint64_t address)
    {
        const uint64_t block = address / kBlockSize;
        AddressRecord written[2];
        if (m_put > 0 || m_pending > 0 || m_addressed || address % kBlockSize != 0 || block == 0
            || !m_addressing.reaches(block) || m_addressing.before(block - 1, written) < 0)
            return m_result = ResultBadArgument;
        m_block = block - 1;
        m_addressed = true;
        return ResultOk;
    }

    // The records of everything put, without the closing ones.
    int32_t finishPart()
    {
        if (m_result < 0)
            return m_result;
        int32_t rc = emitPending();
        if (rc == ResultOk)
            rc = flush();
        if (rc == ResultOk)
            m_result = ResultCancelled; // nothing more is taken
        return rc;
    }

private:
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
        const uint64_t block = address / kBlockSize;
        char *p = m_text + m_used;
        if (block != m_block || !m_addressed) {
            AddressRecord records[2];
            const int n = m_addressing.before(block, records);
            if (n < 0)
                return m_result = ResultAddressFault;
            for (int i = 0; i < n; ++i)
                p = putAddressRecord(p, records[i].type, records[i].value, m_lineEnd);
            m_block = block;
            m_addressed = true;
        }
        p = putDataRecord(p, static_cast<uint32_t>(address % kBlockSize), bytes, count, count, 0,
                          m_lineEnd);
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

    kestrun_hex_options m_options;
    LineEnd m_lineEnd;
    AddressRecords m_addressing;
    kestrun_sink_fn m_sink;
    intptr_t m_user;
    int32_t m_result = ResultOk;
    uint64_t m_block = 0;
    bool m_addressed = false;
    uint64_t m_put = 0;
    // The record being gathered.
    uint8_t m_record[kMaxRecordLength];
    uint32_t m_pending = 0;
    uint64_t m_recordAddress = 0;
    // The text not yet sent: room for a flush's worth and three more lines.
    char m_text[kFlushAt + 4 * kLongestLine];
    uint64_t m_used = 0;

public:
    uint32_t keptType = KESTRUN_START_NONE;
    uint32_t keptValue = 0;
};

} // namespace kestrun

struct kestrun_hex_writer {
    kestrun_hex_writer(const kestrun_hex_options &o, kestrun_sink_fn sink, intptr_t user)
        : writer(o, sink, user)
    {
    }
    kestrun::HexWriter writer;
};

namespace kestrun {

int32_t hexWriterSplit(const kestrun_hex_writer *writer, uint64_t address, uint64_t length,
                       uint64_t &firstBytes, uint64_t &firstSize)
{
    return writer->writer.split(address, length, firstBytes, firstSize);
}

int32_t hexWriterResume(kestrun_hex_writer *writer, uint64_t address)
{
    return writer->writer.resume(address);
}

int32_t hexWriterFinishPart(kestrun_hex_writer *writer)
{
    return writer->writer.finishPart();
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API void kestrun_hex_options_init(kestrun_hex_options *options)
{
    if (options)
        *options = kestrun_hex_options{0x20, KESTRUN_NEWLINE_CRLF, KESTRUN_ADDRESS_AUTO,
                                       KESTRUN_START_KEEP, 0};
}

KESTRUN_API kestrun_hex_writer *kestrun_hex_writer_new(const kestrun_hex_options *options,
                                                       kestrun_sink_fn sink, intptr_t userValue,
                                                       int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_hex_writer *writer = nullptr;
    if (!options || !sink || !usable(*options))
        rc = ResultBadArgument;
    else if (!(writer = new (std::nothrow) kestrun_hex_writer(*options, sink, userValue)))
        rc = ResultNoMemory;
    if (result)
        *result = rc;
    return writer;
}

KESTRUN_API void kestrun_hex_writer_free(kestrun_hex_writer *writer)
{
    delete writer;
}

KESTRUN_API void kestrun_hex_writer_on_progress(kestrun_hex_writer *writer,
                                                ProgressCallback progress, uint64_t total,
                                                intptr_t userValue)
{
    if (writer)
        writer->writer.progress.set(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_hex_writer_put(kestrun_hex_writer *writer, uint32_t address,
                                           const uint8_t *bytes, uint64_t count)
{
    if (!writer || (!bytes && count > 0))
        return ResultBadArgument;
    return guarded([&] { return writer->writer.put(address, bytes, count); });
}

KESTRUN_API int32_t kestrun_hex_writer_image(kestrun_hex_writer *writer,
                                             const kestrun_image *image, uint32_t first,
                                             uint32_t last)
{
    if (!writer || !image || last < first)
        return ResultBadArgument;
    return guarded([&] {
        const int32_t rc = image->image.eachPieceWhileOk(
            first, uint64_t(last) + 1, [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
                return writer->writer.put(address, bytes, count);
            });
        writer->writer.keptType = image->image.startType;
        writer->writer.keptValue = image->image.startValue;
        return rc;
    });
}

KESTRUN_API int32_t kestrun_hex_writer_finish(kestrun_hex_writer *writer)
{
    if (!writer)
        return ResultBadArgument;
    return guarded(
        [&] { return writer->writer.finish(writer->writer.keptType, writer->writer.keptValue); });
}

namespace {

uint64_t closingSize(const kestrun_hex_options &o, uint32_t startType)
{
    const LineEnd lineEnd(o.line_end);
    return recordLineSize(4, lineEnd)
           + (startType != KESTRUN_START_NONE ? recordLineSize(8, lineEnd) : 0);
}

} // namespace

KESTRUN_API int32_t kestrun_hex_text_size(const kestrun_hex_options *options, uint32_t address,
                                          uint64_t count, uint64_t *size)
{
    if (!options || !size || !usable(*options))
        return ResultBadArgument;
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    AddressRecords addressing(options->address_records);
    const int64_t span = spanSize(addressing, address, count, options->record_length,
                                  LineEnd(options->line_end));
    if (span < 0)
        return ResultAddressFault;
    const uint32_t start =
        options->start_type == KESTRUN_START_KEEP ? KESTRUN_START_NONE : options->start_type;
    *size = uint64_t(span) + closingSize(*options, start);
    return ResultOk;
}

KESTRUN_API int32_t kestrun_hex_image_size(const kestrun_hex_options *options,
                                           const kestrun_image *image, uint32_t first,
                                           uint32_t last, uint64_t *size)
{
    if (!options || !size || !image || !usable(*options) || last < first)
        return ResultBadArgument;
    AddressRecords addressing(options->address_records);
    const LineEnd lineEnd(options->line_end);
    uint64_t total = 0;
    bool reachable = true;
    // Pieces that touch continue one another's records, as in the writer:
    // the records of a segment are counted as one span.
    uint64_t spanStart = 0, spanStop = 0;
    auto closeSpan = [&] {
        if (spanStop > spanStart) {
            const int64_t n =
                spanSize(addressing, spanStart, spanStop - spanStart, options->record_length, lineEnd);
            reachable = reachable && n >= 0;
            total += n < 0 ? 0 : uint64_t(n);
        }
    };
    image->image.eachPiece(first, uint64_t(last) + 1, [&](uint64_t at, const uint8_t *, uint64_t n) {
        if (at != spanStop) {
            closeSpan();
            spanStart = at;
        }
        spanStop = at + n;
    });
    closeSpan();
    if (!reachable)
        return ResultAddressFault;
    const uint32_t start =
        options->start_type == KESTRUN_START_KEEP ? image->image.startType : options->start_type;
    *size = total + closingSize(*options, start);
    return ResultOk;
}

} // extern "C"
