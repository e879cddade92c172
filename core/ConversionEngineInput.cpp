// Reading the source through the library's one reader, in the format its
// first bytes show: into a new image, or, for the streamed binary, record
// by record without one.
#include "core/ConversionEngine.h"

#include "core/AscendingBinary.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// The detection looks at the first lines; this much holds them.
constexpr qsizetype kDetectionBytes = 4096;

// The reader for a source whose first bytes detect as `detected`. A text
// that is neither Intel HEX nor S-records (nor ELF) is read as Intel HEX,
// which then says where it stops being that, as it always has.
std::int32_t readerFormat(std::int32_t detected)
{
    return detected == KESTRUN_FORMAT_SREC || detected == KESTRUN_FORMAT_ELF ? detected
                                                                             : KESTRUN_FORMAT_IHEX;
}

} // namespace

std::int32_t ConversionEngine::keepConflict(const kestrun_conflict *conflict, std::intptr_t self)
{
    auto *engine = reinterpret_cast<ConversionEngine *>(self);
    if (conflict->identical)
        return ResultOk;
    if (engine->m_conflicts.size() < kConflictsKept)
        engine->m_conflicts.push_back(*conflict);
    ++engine->m_conflictCount;
    return ResultOk;
}

kestrun_hex_stats ConversionEngine::stats() const
{
    kestrun_hex_stats stats{};
    if (m_readStats.format == KESTRUN_FORMAT_IHEX)
        std::copy_n(m_readStats.records, std::size(stats.records), stats.records);
    stats.lines = m_readStats.lines;
    stats.overlaps = m_readStats.overlaps;
    stats.conflicting_bytes = m_readStats.conflicting_bytes;
    stats.end_read = m_readStats.end_read;
    return stats;
}

// The source's first pieces, at least kDetectionBytes of them unless it is
// shorter, for the detection: the first piece itself when it is that long
// (a document's whole text), else a copy of the pieces gathered. `ended`
// tells whether the source has no more.
std::int32_t ConversionEngine::readHead(InputPieces &text, QByteArray &gathered,
                                        QByteArrayView &head, bool &ended)
{
    ended = false;
    QByteArrayView piece;
    for (;;) {
        if (!text.next(piece)) {
            m_message = text.error();
            return InputFault;
        }
        ended = piece.isEmpty();
        if (gathered.isEmpty() && (ended || piece.size() >= kDetectionBytes)) {
            head = piece;
            return ResultOk;
        }
        gathered += piece;
        if (ended || gathered.size() >= kDetectionBytes) {
            head = gathered;
            return ResultOk;
        }
    }
}

// The source through the library's reader into a new image, or with
// `ascending` record by record into it; on a record error place() says
// where. A source whose format keeps no records to hand on (ELF) gives
// AscendingBinary::OutOfOrder with `ascending`: it takes the image path.
std::int32_t ConversionEngine::readSource(InputPieces &text, AscendingBinary *ascending)
{
    const ImageCalls *c = bind();
    if (!c)
        return NotBound;
    if (m_image)
        c->kestrun_image_free(std::exchange(m_image, nullptr));
    m_place.reset();
    m_conflicts.clear();
    m_conflictCount = 0;
    m_streamedBounds.reset();
    m_readStats = {};

    QByteArray gathered;
    QByteArrayView head;
    bool ended = false;
    if (const std::int32_t rc = readHead(text, gathered, head, ended); rc < 0)
        return rc;
    const std::int32_t format = readerFormat(c->kestrun_detect_format(
        reinterpret_cast<const std::uint8_t *>(head.data()),
        std::uint64_t(std::min(head.size(), kDetectionBytes))));
    if (ascending && format == KESTRUN_FORMAT_ELF)
        return AscendingBinary::OutOfOrder;

    std::int32_t result = ResultOk;
    kestrun_reader *reader = nullptr;
    if (ascending) {
        reader = c->kestrun_reader_new(format, nullptr, &result);
        if (reader)
            c->kestrun_reader_on_record(reader, streamRecord,
                                        reinterpret_cast<std::intptr_t>(ascending));
    } else {
        m_image = c->kestrun_image_new();
        reader = m_image ? c->kestrun_reader_new(format, m_image, &result) : nullptr;
        if (!m_image)
            result = ResultNoMemory;
    }
    if (!reader)
        return result;
    c->kestrun_reader_set_overlap(reader, m_settings.overlap);
    c->kestrun_reader_on_conflict(reader, keepConflict, reinterpret_cast<std::intptr_t>(this));
    c->kestrun_reader_on_progress(reader, m_callback, text.size(), m_userValue);
    if (!head.isEmpty())
        result = c->kestrun_reader_feed(reader, head.data(), std::uint64_t(head.size()));
    QByteArrayView piece;
    while (result == ResultOk && !ended) {
        if (!text.next(piece)) {
            m_message = text.error();
            result = InputFault;
            break;
        }
        ended = piece.isEmpty();
        if (!ended)
            result = c->kestrun_reader_feed(reader, piece.data(), std::uint64_t(piece.size()));
    }
    if (result == ResultOk)
        result = c->kestrun_reader_finish(reader);
    if (result == KESTRUN_END_READ)
        result = ResultOk;
    kestrun_place place{};
    if (c->kestrun_reader_place(reader, &place) < 0 && result != ResultCancelled
        && result != AscendingBinary::OutOfOrder)
        m_place = place;
    c->kestrun_reader_stats(reader, &m_readStats);
    c->kestrun_reader_free(reader);
    return result;
}

std::int32_t ConversionEngine::inspect(QByteArrayView text)
{
    MemoryPieces pieces(text);
    return inspect(pieces);
}

std::int32_t ConversionEngine::inspect(InputPieces &text)
{
    return readSource(text);
}
