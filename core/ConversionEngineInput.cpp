// Reading a HEX text through the library's reader: into a new image, or,
// for the streamed binary, record by record without one.
#include "core/ConversionEngine.h"

#include "core/AscendingBinary.h"

#include <utility>

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

// The text through the library's reader into a new image; on a record
// error place() says where.
std::int32_t ConversionEngine::readHex(InputPieces &text, AscendingBinary *ascending)
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
    kestrun_hex_reader *reader = nullptr;
    if (ascending) {
        reader = c->kestrun_hex_reader_new(nullptr);
        if (reader)
            c->kestrun_hex_reader_on_record(reader, streamRecord,
                                            reinterpret_cast<std::intptr_t>(ascending));
    } else {
        m_image = c->kestrun_image_new();
        reader = m_image ? c->kestrun_hex_reader_new(m_image) : nullptr;
    }
    if (!reader)
        return ResultNoMemory;
    c->kestrun_hex_reader_set_overlap(reader, m_settings.overlap);
    c->kestrun_hex_reader_on_conflict(reader, keepConflict, reinterpret_cast<std::intptr_t>(this));
    c->kestrun_hex_reader_on_progress(reader, m_callback, text.size(), m_userValue);
    std::int32_t result = ResultOk;
    QByteArrayView piece;
    while (result == ResultOk) {
        if (!text.next(piece)) {
            m_message = text.error();
            result = InputFault;
            break;
        }
        if (piece.isEmpty()) {
            result = c->kestrun_hex_reader_finish(reader);
            break;
        }
        result = c->kestrun_hex_reader_feed(reader, piece.data(), std::uint64_t(piece.size()));
    }
    if (result == KESTRUN_END_READ)
        result = ResultOk;
    kestrun_place place{};
    if (c->kestrun_hex_reader_place(reader, &place) < 0 && result != ResultCancelled
        && result != AscendingBinary::OutOfOrder)
        m_place = place;
    c->kestrun_hex_reader_stats(reader, &m_stats);
    c->kestrun_hex_reader_free(reader);
    return result;
}

std::int32_t ConversionEngine::inspect(QByteArrayView text)
{
    MemoryPieces pieces(text);
    return inspect(pieces);
}

std::int32_t ConversionEngine::inspect(InputPieces &text)
{
    return readHex(text);
}
