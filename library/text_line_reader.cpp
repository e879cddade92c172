#include "text_line_reader.h"

#include <cstring>

namespace kestrun {

int32_t TextLineReader::feed(const char *bytes, uint64_t length)
{
    if (m_result < 0 || m_stopped)
        return m_result < 0 ? m_result : int32_t(ResultOk);
    if (!progress.report(m_offset + m_carry.size()))
        return fail(ResultCancelled, 0);
    const char *p = bytes;
    const char *end = bytes + length;
    while (p < end && !m_stopped) {
        const char *lf = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        if (!lf) {
            m_carry.append(p, size_t(end - p));
            break;
        }
        int32_t rc = ResultOk;
        if (m_carry.empty()) {
            rc = take(p, size_t(lf - p));
        } else {
            m_carry.append(p, size_t(lf - p));
            rc = take(m_carry.data(), m_carry.size());
            m_carry.clear();
        }
        if (rc < 0)
            return rc;
        m_offset += 1;
        ++m_line;
        p = lf + 1;
    }
    return m_result;
}

int32_t TextLineReader::finish()
{
    if (m_result < 0)
        return m_result;
    if (!m_stopped && !m_carry.empty()) {
        const std::string last = std::move(m_carry);
        m_carry.clear();
        if (const int32_t rc = take(last.data(), last.size()); rc < 0)
            return rc;
    }
    return m_stopped ? int32_t(ResultOk) : end();
}

int32_t TextLineReader::take(const char *text, size_t length)
{
    const size_t whole = length;
    if (length > 0 && text[length - 1] == '\r')
        --length;
    const uint64_t before = dataBytes;
    const int32_t rc = line(text, length);
    if (rc < 0)
        return rc;
    if (dataBytes != before)
        ++m_dataLines;
    m_offset += whole;
    return ResultOk;
}

int32_t TextLineReader::fail(int32_t result, size_t column)
{
    m_result = result;
    m_place = kestrun_place{};
    m_place.result = result;
    m_place.line = m_place.editor_line = m_line;
    m_place.column = column + 1;
    m_place.record_offset = m_offset;
    m_place.offset = m_offset + column;
    return result;
}

int32_t TextLineReader::store(uint64_t address, const uint8_t *bytes, size_t count, size_t column)
{
    if (address + count > kAddressSpace) {
        m_fault = kestrun_fault{KESTRUN_FAULT_BYTES_PAST_END, 0, address, 0xFFFFFFFFu};
        return fail(ResultAddressFault, column);
    }
    uint64_t skip = 0;
    if (const uint64_t n = window.clip(address, count, skip); m_image && n) {
        const int32_t stored = m_image->store(address + skip, bytes + skip, n,
                                              Writer{m_line, source}, overlap, &m_overlaps);
        if (stored < 0)
            return fail(stored, column);
    }
    if (onRecord) {
        const kestrun_record seen{0, uint32_t(address), uint32_t(count), m_line, m_offset, bytes,
                                  m_line};
        if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
            return fail(rc, column);
    }
    dataBytes += count;
    return ResultOk;
}

void TextLineReader::statsInto(kestrun_read_stats &s) const
{
    s.records[0] = m_dataLines;
    s.lines = m_line - (m_carry.empty() ? 1 : 0);
    s.overlaps = m_overlaps.overlaps;
    s.conflicting_bytes = m_overlaps.conflicting_bytes;
    s.data_bytes = dataBytes;
    s.end_read = m_stopped;
}

} // namespace kestrun
