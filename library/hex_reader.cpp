// The Intel HEX reader. Records are decoded where they lie in the caller's
// piece; only a record cut by the end of a piece is copied, into a buffer
// of one record's size, and completed from the next piece. So a text of
// any size is read with a few hundred bytes of the reader's own.
#include "hex_reader.h"

#include "guard.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

constexpr int32_t kNeedMore = 2;

} // namespace

int32_t HexReader::fail(int32_t result, uint64_t faultOffset)
{
    m_result = result;
    m_place = kestrun_place{};
    m_place.result = result;
    m_place.line = m_recordLine;
    m_place.editor_line = m_recordEditorLine;
    m_place.column = faultOffset - m_recordLineStart + 1;
    m_place.offset = faultOffset;
    m_place.record_offset = m_recordOffset;
    return result;
}

// Line ends between records, counted as they pass. The place is kept in
// locals meanwhile and written back once: read and written as members on
// every line, the compiler moves offset and line start as one 16-byte
// value, which waits on the 8-byte store of the offset the record before
// made (about a tenth of the reader's time).
void HexReader::separators(const char *&p, const char *end, bool recordFollows)
{
    uint64_t offset = m_offset;
    uint64_t line = m_line;
    uint64_t lineStart = m_lineStart;
    uint64_t editorLine = m_editorLine;
    while (p < end) {
        // CR LF, the usual line end, in one step: it ends one line whatever
        // came before it.
        if (!m_pendingCr && end - p >= 2 && p[0] == '\r' && p[1] == '\n') {
            ++line;
            ++editorLine;
            p += 2;
            offset += 2;
            lineStart = offset;
            m_previous = '\n';
            continue;
        }
        const char c = *p;
        const bool afterCr = m_pendingCr;
        if (m_pendingCr) {
            m_pendingCr = false;
            if (c != '\n' && !m_crAfterLf) {
                ++line;
                lineStart = offset;
            }
        }
        if (c == '\n') {
            ++line;
            editorLine += afterCr ? 0 : 1;
            lineStart = offset + 1;
        } else if (c == '\r') {
            ++editorLine;
            m_pendingCr = true;
            m_crAfterLf = m_previous == '\n';
            // The CR of an LF CR line end belongs to that line end: the
            // next line's columns count from after it.
            if (m_crAfterLf)
                lineStart = offset + 1;
        } else {
            break;
        }
        m_previous = c;
        ++p;
        ++offset;
    }
    m_offset = offset;
    m_line = line;
    m_lineStart = lineStart;
    m_editorLine = editorLine;
    // The next record's place, from the same locals (not read back).
    if (recordFollows && p != end) {
        m_recordOffset = offset;
        m_recordLine = line;
        m_recordLineStart = lineStart;
        m_recordEditorLine = editorLine;
    }
}

// The text after the end record is not read, but looked at: two files
// joined end to end lose the second one's records, and that should not
// pass without a word. Blanks and a DOS end-of-file mark do not count.
int32_t HexReader::lookPastEnd(const char *p, const char *end)
{
    while (!m_pastEnd.line) {
        separators(p, end);
        if (p == end)
            break;
        const char c = *p;
        if (c != ' ' && c != '\t' && c != '\x1A' && c != '\0') {
            m_pastEnd.line = m_line;
            m_pastEnd.editor_line = m_editorLine;
            m_pastEnd.column = m_offset - m_lineStart + 1;
            m_pastEnd.offset = m_pastEnd.record_offset = m_offset;
            break;
        }
        m_previous = c;
        ++p;
        ++m_offset;
    }
    return KESTRUN_END_READ;
}

int32_t HexReader::feed(const char *text, uint64_t length)
{
    const char *p = text;
    const char *const end = text + length;
    if (m_result == KESTRUN_END_READ)
        return lookPastEnd(p, end);
    if (m_result != ResultOk)
        return m_result;
    if (m_carried > 0) {
        const uint64_t taken = std::min<uint64_t>(kLongestRecord - m_carried, length);
        std::memcpy(m_carry + m_carried, p, taken);
        uint64_t used = 0;
        const int32_t rc = record(m_carry + 1, m_carried + taken - 1, false, used);
        if (rc == kNeedMore) {
            m_carried += taken;
            m_offset += taken;
            return ResultOk;
        }
        if (rc < 0)
            return rc;
        const uint64_t fromPiece = 1 + used - m_carried;
        m_carried = 0;
        p += fromPiece;
        m_offset = m_recordOffset + 1 + used;
        // As after a record read in one piece: a CR next is not one after LF.
        m_previous = 0;
        if (rc == KESTRUN_END_READ)
            return lookPastEnd(p, end);
    }
    for (;;) {
        if (m_started) {
            separators(p, end, true);
        } else if (p != end) {
            m_recordOffset = m_offset;
            m_recordLine = m_line;
            m_recordLineStart = m_lineStart;
            m_recordEditorLine = m_editorLine;
        }
        if (p == end)
            return ResultOk;
        m_started = true;
        bool took = false;
        if (const int32_t rc = dataRecords(p, end, took); rc < 0)
            return rc;
        if (took)
            continue;
        if (!progress.report(m_recordOffset))
            return fail(ResultCancelled, m_offset);
        if (*p != ':')
            return fail(ResultNotIntelHex, m_offset);
        uint64_t used = 0;
        const uint64_t available = uint64_t(end - p) - 1;
        const int32_t rc = record(p + 1, available, false, used);
        if (rc == kNeedMore) {
            // Every character left is a digit of this record: it is
            // shorter than the longest record, and waits for the rest.
            std::memcpy(m_carry, p, available + 1);
            m_carried = available + 1;
            m_offset += m_carried;
            return ResultOk;
        }
        if (rc < 0)
            return rc;
        p += 1 + used;
        m_offset += 1 + used;
        m_previous = 0;
        if (rc == KESTRUN_END_READ)
            return lookPastEnd(p, end);
    }
}

// Sound data records ended by CR LF or LF, each whole within the piece,
// one after another: the run most of a HEX file is, read without the steps
// that place a fault or join a record cut by the piece's end. It stops
// short of anything else (another type, a fault, another line end, the
// piece's last longest record) and leaves it at p for those steps; `took`
// says whether it read any record.
int32_t HexReader::dataRecords(const char *&p, const char *end, bool &took)
{
    uint64_t offset = m_offset;
    uint64_t line = m_line;
    uint64_t lineStart = m_lineStart;
    uint64_t editorLine = m_editorLine;
    int32_t rc = ResultOk;
    while (uint64_t(end - p) > kLongestRecord && *p == ':' && readWholeRecord(p + 1, m_decoded)) {
        const DecodedRecord &d = m_decoded;
        const uint64_t ending = d.stop[0] == '\n' ? 1 : d.stop[1] == '\n' ? 2 : 0;
        if (d.bytes[3] != 0x00 || (d.sum & 0xFF) != 0 || ending == 0)
            break;
        m_recordOffset = offset;
        m_recordLine = line;
        m_recordLineStart = lineStart;
        m_recordEditorLine = editorLine;
        if (!progress.report(offset)) {
            rc = fail(ResultCancelled, offset);
            break;
        }
        if (rc = take(0x00, d.address() + d.dataLength(), offset, line, editorLine); rc < 0)
            break;
        const char *next = d.stop + ending;
        offset += uint64_t(next - p);
        lineStart = offset;
        ++line;
        ++editorLine;
        p = next;
        m_previous = '\n';
        took = true;
    }
    m_offset = offset;
    m_line = line;
    m_lineStart = lineStart;
    m_editorLine = editorLine;
    return rc;
}

// The record whose digits start at `pairs`: kNeedMore, a failure, ResultOk
// or KESTRUN_END_READ; `used` receives the characters of its digits.
int32_t HexReader::record(const char *pairs, uint64_t available, bool atEnd, uint64_t &used)
{
    uint64_t fault = 0;
    switch (readPairs(pairs, available, atEnd, m_decoded, &fault)) {
    case Pairs::NeedMore:
        return kNeedMore;
    case Pairs::Malformed:
        return fail(ResultNotIntelHex, m_recordOffset + 1 + fault);
    case Pairs::Complete:
        break;
    }
    used = 2 * uint64_t(m_decoded.count);
    uint32_t position = 0;
    int32_t type = checkRecord(m_decoded, &position, &fault);
    if (type == ResultChecksumError && acceptChecksums) {
        uint32_t others = 0;
        for (uint32_t i = 0; i + 1 < m_decoded.count; ++i)
            others += m_decoded.bytes[i];
        m_decoded.bytes[m_decoded.count - 1] = uint8_t(0x100 - (others & 0xFF));
        m_decoded.summed = false;
        ++badChecksums;
        type = checkRecord(m_decoded, &position, &fault);
    }
    if (type == ResultChecksumError) {
        // Every byte, the checksum with them, sums to 00.
        const uint8_t found = m_decoded.bytes[m_decoded.count - 1];
        uint32_t others = 0;
        for (uint32_t i = 0; i + 1 < m_decoded.count; ++i)
            others += m_decoded.bytes[i];
        fail(type, m_recordOffset + 1 + fault);
        m_place.has_values = 1;
        m_place.found = found;
        m_place.expected = (0x100 - (others & 0xFF)) & 0xFF;
        return type;
    }
    if (type < 0)
        return fail(type, m_recordOffset + 1 + fault);
    return take(type, position, m_recordOffset, m_recordLine, m_recordEditorLine);
}

// The record's place comes in registers: read back from the members just
// stored, or from a struct on the stack, the compiler loads two of its
// fields as one 16-byte value, which waits until both stores reach the
// cache. Built into the loop of dataRecords, a record costs a sixth less.
[[gnu::always_inline]] inline int32_t HexReader::take(int32_t type, uint32_t position,
                                                     uint64_t offset, uint64_t line,
                                                     uint64_t editorLine)
{
    const DecodedRecord &d = m_decoded;
    kestrun_record seen{static_cast<uint32_t>(type), position, d.dataLength(), line,
                        offset, nullptr, editorLine};
    switch (type) {
    case 0x00: {
        // A record may run on across a 64 KiB boundary; it lands where its
        // address and length say, but never beyond the 32-bit space.
        const uint64_t begin = m_linearBase + m_segmentBase + d.address();
        if (begin + d.dataLength() > kAddressSpace)
            return fail(ResultAddressFault, m_recordOffset + 3);
        uint64_t skip = 0;
        if (const uint64_t count = window.clip(begin, d.dataLength(), skip); m_image && count) {
            const int32_t stored = m_image->store(begin + skip, d.data() + skip, count,
                                                  Writer{m_recordLine, source}, overlap, &m_stats);
            if (stored < 0)
                return fail(stored, m_recordOffset + 3);
        }
        seen.address = static_cast<uint32_t>(begin);
        seen.data = d.data();
        dataBytes += d.dataLength();
        break;
    }
    case 0x01:
        seen.address = 0;
        break;
    case 0x02:
        m_segmentBase = position;
        if (m_linearBase + m_segmentBase >= kAddressSpace)
            return fail(ResultAddressFault, m_recordOffset + 9);
        break;
    case 0x04:
        // Files written above 1 MiB rely on a linear base clearing the
        // segment base.
        m_linearBase = position;
        m_segmentBase = 0;
        break;
    default: {
        const uint8_t *v = d.data();
        seen.address = uint32_t(v[0]) << 24 | uint32_t(v[1]) << 16 | uint32_t(v[2]) << 8 | v[3];
        if (m_image) {
            m_image->startType = static_cast<uint32_t>(type);
            m_image->startValue = seen.address;
        }
        break;
    }
    }
    ++m_stats.records[type];
    if (onRecord) {
        if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
            return fail(rc, m_recordOffset);
    }
    if (type == 0x01) {
        m_stats.end_read = 1;
        m_stats.lines = m_recordLine;
        return m_result = KESTRUN_END_READ;
    }
    return ResultOk;
}

int32_t HexReader::finish()
{
    if (m_result == KESTRUN_END_READ)
        return ResultOk;
    if (m_result < 0)
        return m_result;
    if (m_carried > 0) {
        uint64_t used = 0;
        const int32_t rc = record(m_carry + 1, m_carried - 1, true, used);
        m_carried = 0;
        if (rc == KESTRUN_END_READ)
            return ResultOk;
        if (rc < 0)
            return rc;
        m_previous = 0;
    }
    // The text ended before its end record: the fault is where the end
    // record should have stood, on the line after the last.
    if (m_pendingCr && !m_crAfterLf) {
        ++m_line;
        m_lineStart = m_offset;
    }
    m_recordOffset = m_offset;
    m_recordLine = m_line;
    m_recordLineStart = m_lineStart;
    m_recordEditorLine = m_editorLine;
    if (!progress.report(m_offset))
        return fail(ResultCancelled, m_offset);
    const bool lastLineOpen = m_offset > 0 && m_previous != '\n' && m_previous != '\r';
    fail(ResultNotIntelHex, m_offset);
    m_place.no_end_record = 1;
    if (lastLineOpen) {
        ++m_place.line;
        ++m_place.editor_line;
        m_place.column = 1;
    }
    return m_result;
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API kestrun_hex_reader *kestrun_hex_reader_new(kestrun_image *image)
{
    return new (std::nothrow) kestrun_hex_reader(image ? &image->image : nullptr);
}

KESTRUN_API void kestrun_hex_reader_free(kestrun_hex_reader *reader)
{
    delete reader;
}

KESTRUN_API int32_t kestrun_hex_reader_set_overlap(kestrun_hex_reader *reader, int32_t policy)
{
    if (!reader || policy < KESTRUN_OVERLAP_LAST || policy > KESTRUN_OVERLAP_REFUSE)
        return ResultBadArgument;
    reader->reader.overlap.policy = policy;
    return ResultOk;
}

KESTRUN_API void kestrun_hex_reader_set_window(kestrun_hex_reader *reader, uint32_t low,
                                               uint32_t high)
{
    if (reader)
        reader->reader.window = StoredWindow::between(low, high);
}

KESTRUN_API void kestrun_hex_reader_set_origin(kestrun_hex_reader *reader, uint64_t offset,
                                               uint64_t line)
{
    if (reader && line > 0)
        reader->reader.beginAt(offset, line);
}

KESTRUN_API void kestrun_hex_reader_set_source(kestrun_hex_reader *reader, uint32_t source)
{
    if (reader)
        reader->reader.source = source;
}

KESTRUN_API void kestrun_hex_reader_on_record(kestrun_hex_reader *reader, kestrun_record_fn fn,
                                              intptr_t userValue)
{
    if (reader) {
        reader->reader.onRecord = fn;
        reader->reader.recordUser = userValue;
    }
}

KESTRUN_API void kestrun_hex_reader_on_conflict(kestrun_hex_reader *reader,
                                                kestrun_conflict_fn fn, intptr_t userValue)
{
    if (reader) {
        reader->reader.overlap.report = fn;
        reader->reader.overlap.userValue = userValue;
    }
}

KESTRUN_API void kestrun_hex_reader_on_progress(kestrun_hex_reader *reader,
                                                ProgressCallback progress, uint64_t total,
                                                intptr_t userValue)
{
    if (reader)
        reader->reader.progress.set(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_hex_reader_feed(kestrun_hex_reader *reader, const char *text,
                                            uint64_t length)
{
    if (!reader || (!text && length > 0))
        return ResultBadArgument;
    return guarded([&] { return reader->reader.feed(text, length); });
}

KESTRUN_API int32_t kestrun_hex_reader_finish(kestrun_hex_reader *reader)
{
    if (!reader)
        return ResultBadArgument;
    return guarded([&] { return reader->reader.finish(); });
}

KESTRUN_API int32_t kestrun_hex_reader_place(const kestrun_hex_reader *reader,
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

KESTRUN_API void kestrun_hex_reader_stats(const kestrun_hex_reader *reader,
                                          kestrun_hex_stats *stats)
{
    if (reader && stats)
        *stats = reader->reader.stats();
}

} // extern "C"

void kestrun::HexReader::statsInto(kestrun_read_stats &s) const
{
    std::copy(std::begin(m_stats.records), std::end(m_stats.records), s.records);
    s.lines = m_stats.lines;
    s.overlaps = m_stats.overlaps;
    s.conflicting_bytes = m_stats.conflicting_bytes;
    s.end_read = m_stats.end_read;
    s.data_bytes = dataBytes;
}
