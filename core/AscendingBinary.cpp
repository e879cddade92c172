#include "core/AscendingBinary.h"

#include "exports.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kFillPiece = std::uint64_t(1) << 20;
// Records are gathered into a piece that stays in the core's own cache
// between the copies in and out, beside the text being read.
constexpr std::uint64_t kGatherPiece = std::uint64_t(256) << 10;
constexpr std::uint64_t kBeyondAll = std::uint64_t(1) << 32;

// A record's few bytes: copies of a fixed size, which the compiler does in
// place, instead of a call for every record.
inline void copy(char *to, const char *from, std::size_t count)
{
    if (count > 64) {
        std::memcpy(to, from, count);
        return;
    }
    for (; count >= 8; count -= 8, to += 8, from += 8)
        std::memcpy(to, from, 8);
    for (; count > 0; --count)
        *to++ = *from++;
}

} // namespace

AscendingBinary::AscendingBinary(const Window &window, std::uint8_t fill, Put put)
    : m_window(window), m_put(std::move(put)), m_start(window.first),
      m_stop(window.autoEnd ? kBeyondAll : std::uint64_t(window.last) + 1), m_written(m_start),
      m_fillByte(char(fill))
{
    m_gathered = std::make_unique_for_overwrite<char[]>(kGatherPiece);
}

std::int32_t AscendingBinary::data(std::uint64_t address, const std::uint8_t *bytes,
                                   std::uint64_t count)
{
    // The usual record: right after the one before, within the window, with
    // room left in the piece.
    if (address == m_written && address == m_highest && m_windowHeld && address + count <= m_stop
        && std::uint64_t(m_gatheredSize) + count <= kGatherPiece) {
        m_highest = m_written = address + count;
        copy(m_gathered.get() + m_gatheredSize, reinterpret_cast<const char *>(bytes),
             std::size_t(count));
        m_gatheredSize += qsizetype(count);
        return ResultOk;
    }
    if (count == 0)
        return ResultOk;
    if (address < m_highest)
        return OutOfOrder;
    if (m_highest == 0) {
        m_lowest = address;
        if (m_window.fromLowest)
            m_start = m_written = address;
    }
    m_highest = address + count;
    // Only the part within the window goes out.
    const std::uint64_t from = std::max(address, m_start);
    const std::uint64_t to = std::min(address + count, m_stop);
    if (from >= to)
        return ResultOk;
    if (m_window.resumed && !m_windowHeld)
        m_written = m_resumedAt = from;
    m_windowHeld = true;
    if (const std::int32_t rc = fillTo(from); rc != ResultOk)
        return rc;
    m_written = to;
    return gather(QByteArrayView(reinterpret_cast<const char *>(bytes) + (from - address),
                                 qsizetype(to - from)));
}

std::int32_t AscendingBinary::finish()
{
    const bool fills = !m_window.autoEnd && (m_windowHeld || !m_window.resumed);
    if (const std::int32_t rc = fills ? fillTo(m_stop) : ResultOk; rc != ResultOk)
        return rc;
    return flush();
}

std::int32_t AscendingBinary::fillTo(std::uint64_t to)
{
    // Most images have no gap: the piece of fill is made at the first.
    if (m_written < to && m_fill.isEmpty())
        m_fill.fill(m_fillByte, qsizetype(kFillPiece));
    while (m_written < to) {
        const std::uint64_t n = std::min(to - m_written, kFillPiece);
        if (const std::int32_t rc = gather(QByteArrayView(m_fill).first(qsizetype(n)));
            rc != ResultOk)
            return rc;
        m_written += n;
    }
    return ResultOk;
}

std::int32_t AscendingBinary::gather(QByteArrayView bytes)
{
    if (m_gatheredSize + bytes.size() > qsizetype(kGatherPiece)) {
        if (const std::int32_t rc = flush(); rc != ResultOk)
            return rc;
        // A whole piece of fill goes out as it is.
        if (bytes.size() >= qsizetype(kGatherPiece))
            return m_put(bytes);
    }
    copy(m_gathered.get() + m_gatheredSize, bytes.data(), std::size_t(bytes.size()));
    m_gatheredSize += bytes.size();
    return ResultOk;
}

std::int32_t AscendingBinary::flush()
{
    if (m_gatheredSize == 0)
        return ResultOk;
    const std::int32_t rc = m_put(QByteArrayView(m_gathered.get(), m_gatheredSize));
    m_gatheredSize = 0;
    return rc;
}
