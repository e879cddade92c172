// The S-record reader. A record that lies whole in the caller's piece is
// decoded where it lies; only one cut by the end of a piece is copied, and
// completed from the next.
#include "srec_reader.h"

#include "guard.h"
#include "hex_digits.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

bool lineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// The count byte of the record at `p`, whatever its digits.
uint32_t countOf(const char *p)
{
    return uint32_t(kCharClass[uint8_t(p[2])] & DigitMask) << 4
           | (kCharClass[uint8_t(p[3])] & DigitMask);
}

} // namespace

int32_t SRecReader::fail(int32_t result, uint64_t index)
{
    m_result = result;
    m_place = kestrun_place{};
    m_place.result = result;
    // CR LF, CR and LF each end one line, as an editor counts them.
    m_place.line = m_place.editor_line = m_recordLine;
    m_place.column = index + 1;
    m_place.offset = m_recordOffset + index;
    m_place.record_offset = m_recordOffset;
    return result;
}

// CR LF is one line end, CR or LF alone one each.
void SRecReader::lineEnds(const char *&p, const char *end)
{
    for (; p < end && lineEnd(*p); ++p, ++m_offset) {
        if (*p == '\n' && m_pendingCr) {
            m_pendingCr = false;
            continue;
        }
        ++m_line;
        m_pendingCr = *p == '\r';
    }
    if (p < end)
        m_pendingCr = false;
}

int32_t SRecReader::feed(const char *text, uint64_t length)
{
    if (m_result != ResultOk)
        return m_result;
    const char *p = text;
    const char *const end = text + length;
    if (m_carrying) {
        const char *stop = p;
        while (stop < end && !lineEnd(*stop) && m_carried + uint64_t(stop - p) < kCarry)
            ++stop;
        const uint64_t taken = uint64_t(stop - p);
        std::memcpy(m_carry + m_carried, p, taken);
        m_carried += taken;
        m_offset += taken;
        p = stop;
        if (p == end && m_carried < kCarry)
            return ResultOk;
        m_carrying = false;
        if (const int32_t rc = record(m_carry, m_carried); rc < 0)
            return rc;
        // A line cut at the carry's size has failed above.
    }
    for (;;) {
        lineEnds(p, end);
        if (p == end)
            return ResultOk;
        m_started = true;
        m_recordOffset = m_offset;
        m_recordLine = m_line;
        if (!progress.report(m_recordOffset))
            return fail(ResultCancelled, 0);
        const uint64_t left = uint64_t(end - p);
        const uint64_t window = std::min<uint64_t>(left, kCarry);
        // The count says where the line should end; where it does, the
        // record's characters need no scan for it (a line end inside them
        // would be no digit, and fail at the same column as a short line).
        const char *stop = p;
        const uint64_t expected = left >= 4 ? 4 + 2 * uint64_t(countOf(p)) : 0;
        if (expected > 0 && expected < left && lineEnd(p[expected]))
            stop = p + expected;
        else
            while (stop < p + window && !lineEnd(*stop))
                ++stop;
        const uint64_t n = uint64_t(stop - p);
        if (stop == end && n < kCarry) {
            std::memcpy(m_carry, p, n);
            m_carried = n;
            m_carrying = true;
            m_offset += n;
            return ResultOk;
        }
        if (const int32_t rc = record(p, n); rc < 0)
            return rc;
        p = stop;
        m_offset += n;
    }
}

// The record of `length` characters at `p`, up to its line end or, for a
// line that runs on, its first kCarry characters.
int32_t SRecReader::record(const char *p, uint64_t length)
{
    if (p[0] != 'S')
        return fail(ResultNotSRecord, 0);
    if (length < 2)
        return fail(ResultNotSRecord, length);
    const uint32_t type = uint32_t(uint8_t(p[1]) - '0');
    if (type > 9 || type == 4)
        return fail(ResultNotSRecord, 1);
    auto firstNonDigit = [&](uint64_t from, uint64_t to) {
        for (uint64_t i = from; i < to; ++i)
            if (kCharClass[uint8_t(p[i])] & NotHexDigit)
                return i;
        return to;
    };
    if (length < 4)
        return fail(ResultNotSRecord, firstNonDigit(2, length));
    if (const uint64_t bad = firstNonDigit(2, 4); bad < 4)
        return fail(ResultNotSRecord, bad);
    const uint64_t count = countOf(p);
    const uint64_t expected = 4 + 2 * count;
    // The digits up to the checksum decode in one plain pass; the flags of
    // every character gathered on the way tell afterwards whether one was
    // no digit.
    const uint64_t limit = std::min(length, expected);
    const uint64_t pairs = (limit - 2) / 2;
    uint8_t flags = 0;
    uint32_t sum = 0;
    const char *d = p + 2;
    for (uint64_t i = 0; i < pairs; ++i, d += 2) {
        const uint8_t high = kCharClass[uint8_t(d[0])];
        const uint8_t low = kCharClass[uint8_t(d[1])];
        flags |= high | low;
        m_bytes[i] = uint8_t((high & DigitMask) << 4 | (low & DigitMask));
        sum += m_bytes[i];
    }
    if ((flags & NotHexDigit) || (limit % 2 == 1 && (kCharClass[uint8_t(p[limit - 1])] & NotHexDigit)))
        return fail(ResultNotSRecord, firstNonDigit(2, limit));
    if (length < expected)
        return fail(ResultNotSRecord, length);
    if (length > expected)
        return fail(ResultNotSRecord, expected);
    const uint32_t addressBytes = kSrecAddressBytes[type];
    if (count < addressBytes + 1)
        return fail(ResultNotSRecord, 2);
    // Every byte but the checksum, and the checksum, sum to FF.
    if ((sum & 0xFF) != 0xFF && acceptChecksums) {
        ++badChecksums;
    } else if ((sum & 0xFF) != 0xFF) {
        const uint8_t found = m_bytes[count];
        fail(ResultChecksumError, expected - 2);
        m_place.has_values = 1;
        m_place.found = found;
        m_place.expected = ~(sum - found) & 0xFF;
        return ResultChecksumError;
    }
    const uint32_t data = uint32_t(count) - addressBytes - 1;
    if (type >= 5 && data > 0)
        return fail(ResultNotSRecord, 4 + 2 * uint64_t(addressBytes));
    return take(type, m_bytes + 1, uint32_t(count) - 1);
}

int32_t SRecReader::take(uint32_t type, const uint8_t *bytes, uint32_t count)
{
    const uint32_t addressBytes = kSrecAddressBytes[type];
    uint64_t value = 0;
    for (uint32_t i = 0; i < addressBytes; ++i)
        value = value << 8 | bytes[i];
    const uint32_t data = count - addressBytes;
    switch (type) {
    case 1:
    case 2:
    case 3: {
        if (value + data > kAddressSpace)
            return fail(ResultAddressFault, 4);
        uint64_t skip = 0;
        if (const uint64_t count = window.clip(value, data, skip); m_image && count) {
            const int32_t stored = m_image->store(value + skip, bytes + addressBytes + skip, count,
                                                 Writer{m_recordLine, source}, overlap, &m_overlaps);
            if (stored < 0)
                return fail(stored, 4);
        }
        dataBytes += data;
        break;
    }
    case 5:
    case 6:
        if (value != m_records[1] + m_records[2] + m_records[3])
            return fail(ResultRecordCount, 4);
        break;
    case 7:
    case 8:
    case 9:
        if (m_image) {
            m_image->startType = KESTRUN_START_LINEAR;
            m_image->startValue = static_cast<uint32_t>(value);
        }
        break;
    default:
        break;
    }
    // Records after the termination record are read as any other (srec_cat
    // keeps them too), but two files joined end to end are worth a word.
    if (!m_pastEnd.line && m_records[7] + m_records[8] + m_records[9] > 0) {
        m_pastEnd.line = m_pastEnd.editor_line = m_recordLine;
        m_pastEnd.column = 1;
        m_pastEnd.offset = m_pastEnd.record_offset = m_recordOffset;
    }
    ++m_records[type];
    if (onRecord) {
        const bool isData = type >= 1 && type <= 3;
        const kestrun_record seen{type,          static_cast<uint32_t>(value), data,
                                  m_recordLine,  m_recordOffset,
                                  isData ? bytes + addressBytes : nullptr, m_recordLine};
        if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
            return fail(rc, 0);
    }
    return ResultOk;
}

int32_t SRecReader::finish()
{
    if (m_result < 0)
        return m_result;
    if (m_carrying) {
        m_carrying = false;
        if (const int32_t rc = record(m_carry, m_carried); rc < 0)
            return rc;
    }
    return ResultOk;
}

kestrun_srec_stats SRecReader::stats() const
{
    kestrun_srec_stats s{};
    std::copy(std::begin(m_records), std::end(m_records), s.records);
    s.lines = m_started ? m_recordLine : 0;
    s.overlaps = m_overlaps.overlaps;
    s.conflicting_bytes = m_overlaps.conflicting_bytes;
    s.end_read = m_records[7] + m_records[8] + m_records[9] > 0;
    return s;
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API kestrun_srec_reader *kestrun_srec_reader_new(kestrun_image *image)
{
    if (!image)
        return nullptr;
    return new (std::nothrow) kestrun_srec_reader(&image->image);
}

KESTRUN_API void kestrun_srec_reader_free(kestrun_srec_reader *reader)
{
    delete reader;
}

KESTRUN_API int32_t kestrun_srec_reader_set_overlap(kestrun_srec_reader *reader, int32_t policy)
{
    if (!reader || policy < KESTRUN_OVERLAP_LAST || policy > KESTRUN_OVERLAP_REFUSE)
        return ResultBadArgument;
    reader->reader.overlap.policy = policy;
    return ResultOk;
}

KESTRUN_API void kestrun_srec_reader_set_window(kestrun_srec_reader *reader, uint32_t low,
                                                uint32_t high)
{
    if (reader)
        reader->reader.window = StoredWindow::between(low, high);
}

KESTRUN_API void kestrun_srec_reader_set_origin(kestrun_srec_reader *reader, uint64_t offset,
                                                uint64_t line)
{
    if (reader && line > 0)
        reader->reader.beginAt(offset, line);
}

KESTRUN_API void kestrun_srec_reader_set_source(kestrun_srec_reader *reader, uint32_t source)
{
    if (reader)
        reader->reader.source = source;
}

KESTRUN_API void kestrun_srec_reader_on_record(kestrun_srec_reader *reader, kestrun_record_fn fn,
                                               intptr_t userValue)
{
    if (reader) {
        reader->reader.onRecord = fn;
        reader->reader.recordUser = userValue;
    }
}

KESTRUN_API void kestrun_srec_reader_on_conflict(kestrun_srec_reader *reader,
                                                 kestrun_conflict_fn fn, intptr_t userValue)
{
    if (reader) {
        reader->reader.overlap.report = fn;
        reader->reader.overlap.userValue = userValue;
    }
}

KESTRUN_API void kestrun_srec_reader_on_progress(kestrun_srec_reader *reader,
                                                 ProgressCallback progress, uint64_t total,
                                                 intptr_t userValue)
{
    if (reader)
        reader->reader.progress.set(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_srec_reader_feed(kestrun_srec_reader *reader, const char *text,
                                             uint64_t length)
{
    if (!reader || (!text && length > 0))
        return ResultBadArgument;
    return guarded([&] { return reader->reader.feed(text, length); });
}

KESTRUN_API int32_t kestrun_srec_reader_finish(kestrun_srec_reader *reader)
{
    if (!reader)
        return ResultBadArgument;
    return guarded([&] { return reader->reader.finish(); });
}

KESTRUN_API int32_t kestrun_srec_reader_place(const kestrun_srec_reader *reader,
                                              kestrun_place *place)
{
    const kestrun_place *at = reader ? reader->reader.place() : nullptr;
    if (!at || !place)
        return ResultOk;
    // The place as it was before editor_line joined it: a program built
    // against that header has no room for more.
    std::memcpy(place, at, offsetof(kestrun_place, editor_line));
    return at->result;
}

KESTRUN_API void kestrun_srec_reader_stats(const kestrun_srec_reader *reader,
                                           kestrun_srec_stats *stats)
{
    if (reader && stats)
        *stats = reader->reader.stats();
}

} // extern "C"

void kestrun::SRecReader::statsInto(kestrun_read_stats &s) const
{
    const kestrun_srec_stats r = stats();
    std::copy(std::begin(r.records), std::end(r.records), s.records);
    s.lines = r.lines;
    s.overlaps = r.overlaps;
    s.conflicting_bytes = r.conflicting_bytes;
    s.end_read = r.end_read;
    s.data_bytes = dataBytes;
}
