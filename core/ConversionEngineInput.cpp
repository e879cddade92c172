// Reading the source through the library's one reader, in the format its
// first bytes show: into a new image, or, for the streamed binary, record
// by record without one.
#include "core/ConversionEngine.h"

#include "core/AscendingBinary.h"
#include "core/ConflictLog.h"
#include "core/ImageInput.h"

#include <algorithm>
#include <iterator>
#include <utility>

std::int32_t ConversionEngine::keepConflict(const kestrun_conflict *conflict, std::intptr_t self)
{
    auto *engine = reinterpret_cast<ConversionEngine *>(self);
    if (conflict->identical)
        return ResultOk;
    if (engine->m_conflicts.size() < kConflictsKept)
        engine->m_conflicts.push_back(*conflict);
    ConflictLog::fold(engine->m_lastConflict, *conflict, engine->m_conflictCount == 0);
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

// The source through the one image input into a new image, or with
// `ascending` record by record into it; on a record error place() says
// where. A text that is neither Intel HEX nor S-records (nor ELF) is read
// as Intel HEX, which then says where it stops being that, as it always has.
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
    m_pastEnd.reset();
    if (!ascending && !(m_image = c->kestrun_image_new()))
        return ResultNoMemory;

    ImageInputOptions options;
    options.undetected = InputFormat::IntelHex;
    options.overlap = m_settings.overlap;
    options.onConflict = keepConflict;
    options.conflictUser = reinterpret_cast<std::intptr_t>(this);
    options.progress = m_callback;
    options.progressUser = m_userValue;
    if (ascending) {
        options.onRecord = streamRecord;
        options.recordUser = reinterpret_cast<std::intptr_t>(ascending);
    }
    const ImageInput in = readImageInput(*c, m_image, text, InputArgument{}, options);
    m_readStats = in.stats;
    m_pastEnd = in.pastEnd;
    m_readSRecords = in.format == InputFormat::SRecord;
    if (in.sourceFailed) {
        m_message = in.sourceError;
        return InputFault;
    }
    if (in.place && in.result != ResultCancelled && in.result != AscendingBinary::OutOfOrder)
        m_place = *in.place;
    return in.result;
}

QString ConversionEngine::pastEndWarning(const QString &name, bool editorLine) const
{
    if (!m_pastEnd)
        return QString();
    kestrun_place at = *m_pastEnd;
    if (editorLine)
        at.line = at.editor_line;
    return ::pastEndWarning(name, m_readSRecords ? InputFormat::SRecord : InputFormat::IntelHex,
                            at);
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
