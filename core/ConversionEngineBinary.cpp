// HEX text to its binary image: streamed record by record while the
// records come in address order, through the image when they do not or
// when a question needs the whole image first.
#include "core/ConversionEngine.h"

#include "core/AscendingBinary.h"

#include <algorithm>

namespace {

// Image bytes and fill go to a sink in pieces of this size at most.
constexpr std::uint64_t kSinkPiece = std::uint64_t(1) << 20;

} // namespace

std::int32_t ConversionEngine::hexToBinary(QByteArrayView text)
{
    MemoryPieces pieces(text);
    return hexToBinary(pieces);
}

std::int32_t ConversionEngine::hexToBinary(InputPieces &text)
{
    const Window window = hexWindow();
    if (m_settings.rangeGiven && !window.autoEnd && window.last < window.first)
        return refuseRange(reversedRangeMessage(window.first, window.last));
    if (streamable(window)) {
        const std::int32_t streamed = streamHexToBinary(text, window);
        // Records out of order may overlap, and a buffer too small for the
        // image may need the question: the image path judges both.
        if (streamed != AscendingBinary::OutOfOrder && (m_sink || streamed != ResultOverflow))
            return streamed;
        if (m_sink && !m_startOver())
            return ResultCancelled;
        m_output = LargeBuffer();
        m_outputLength = 0;
        if (!text.rewind()) {
            m_message = text.error();
            return InputFault;
        }
    }
    if (const std::int32_t result = readSource(text); result < 0)
        return result;
    if (const std::int32_t refused = hexImageWindow(window); refused != ResultOk)
        return refused;
    beforeLibrary();
    return writeImageWindow();
}

// Whether hexToBinary may try without an image: into a sink that can start
// over, or into a buffer made before the bounds are known: of the window's
// size when it is fixed, else as large as an image gets without the
// large-image question (a larger one overflows it and takes the image path).
bool ConversionEngine::streamable(const Window &window)
{
    if (m_sink)
        return bool(m_startOver);
    const std::uint64_t room = !window.autoEnd && m_settings.rangeGiven
                                   ? std::uint64_t(window.last) - window.first + 1
                                   : std::uint64_t(kLargeImage);
    // A given window that is worth the large-image question gets it before
    // its buffer is made: the image path asks.
    if (m_largeImageCheck && room > std::uint64_t(kLargeImage))
        return false;
    return room <= std::uint64_t(kLargestBuffer) && makeOutput(room);
}

// hexToBinary without an image, for records in address order: each goes
// to the sink as it is read (a long text in two parts at once where it
// can). The window is settled as hexImageWindow settles it, once the
// data's bounds are known at the end.
std::int32_t ConversionEngine::streamHexToBinary(InputPieces &text, const Window &window)
{
    beforeLibrary();
    const AscendingBinary::Window whole{window.first, window.last, window.autoEnd,
                                        m_settings.fromLowest};
    if (const std::optional<std::uint64_t> middle = resumePoint(text)) {
        Streamed streamed;
        const std::int32_t result = streamHexInTwo(text, *middle, whole, streamed);
        if (result == ResultOk)
            return settleStreamed(streamed, window);
        if (result == ResultCancelled)
            return result;
        // Whatever the parts could not settle, one pass reads again and
        // says exactly where and what.
        if (!startOver())
            return ResultCancelled;
    }
    AscendingBinary ascending(whole, std::uint8_t(m_settings.blank),
                              [this](QByteArrayView bytes) { return put(bytes); });
    std::int32_t result = readSource(text, &ascending);
    if (result == ResultOk)
        result = ascending.finish();
    if (result != ResultOk)
        return result;
    return settleStreamed({ascending.empty(), ascending.start(), ascending.lowest(),
                           ascending.highest(), ascending.windowHeld()},
                          window);
}

bool ConversionEngine::startOver()
{
    m_outputLength = 0;
    return !m_sink || (m_startOver && m_startOver());
}

std::int32_t ConversionEngine::settleStreamed(const Streamed &streamed, const Window &window)
{
    m_start = streamed.start;
    m_end = window.last;
    m_emptyWindow = false;
    if (!streamed.empty)
        m_streamedBounds.emplace(streamed.lowest, streamed.highest);
    if (window.autoEnd) {
        if (streamed.empty) {
            m_end = UINT32_MAX;
            m_emptyWindow = true;
            return ResultOk;
        }
        m_end = streamed.highest;
        if (m_end < m_start)
            return refuseRange(
                rangeBeyondDataMessage(m_start, m_end, std::uint64_t(m_end) + 1));
    }
    // A buffer is only the user's once this returns, so the question for a
    // window of fill alone still comes before anything is saved.
    if (!streamed.windowHeld && m_emptyWindowCheck) {
        const std::optional<Addresses> data =
            streamed.empty ? std::nullopt
                           : std::optional<Addresses>({streamed.lowest, streamed.highest});
        if (!m_emptyWindowCheck({m_start, m_end}, data))
            return Declined;
    }
    return ResultOk;
}

std::int32_t ConversionEngine::streamRecord(const kestrun_record *record, std::intptr_t binary)
{
    // Only data records (HEX 00, S1-S3) carry bytes.
    if (!record->data)
        return ResultOk;
    return reinterpret_cast<AscendingBinary *>(binary)->data(record->address, record->data,
                                                             record->length);
}

// The window m_start..m_end of the image, fill where it holds nothing.
std::int32_t ConversionEngine::writeImageWindow()
{
    const std::uint64_t size = m_emptyWindow ? 0 : std::uint64_t(m_end) - m_start + 1;
    if (!m_sink) {
        if (size > std::uint64_t(kLargestBuffer))
            return tooLarge(size);
        if (!makeOutput(size))
            return ResultNoMemory;
        m_imageCalls->kestrun_image_read(m_image, m_start, size, m_settings.blank, m_output.data());
        m_outputLength = size;
        return ResultOk;
    }
    QByteArray fill(qsizetype(std::min(size, kSinkPiece)), char(m_settings.blank));
    const std::uint64_t stop = std::uint64_t(m_start) + size;
    std::uint64_t at = m_start;
    auto putFill = [&](std::uint64_t to) {
        for (std::int32_t rc = ResultOk; at < to; at += std::min(to - at, kSinkPiece))
            if ((rc = put(QByteArrayView(fill).first(qsizetype(std::min(to - at, kSinkPiece)))))
                < 0)
                return rc;
        return std::int32_t(ResultOk);
    };
    kestrun_segment piece{};
    while (at < stop && m_imageCalls->kestrun_image_piece(m_image, at, &piece) == ResultOk
           && piece.address < stop) {
        if (const std::int32_t rc = putFill(std::max<std::uint64_t>(piece.address, at)); rc < 0)
            return rc;
        const std::uint64_t to = std::min<std::uint64_t>(piece.address + piece.length, stop);
        for (; at < to; at += std::min(to - at, kSinkPiece)) {
            const char *bytes = reinterpret_cast<const char *>(piece.bytes) + (at - piece.address);
            if (const std::int32_t rc =
                    put(QByteArrayView(bytes, qsizetype(std::min(to - at, kSinkPiece))));
                rc < 0)
                return rc;
        }
    }
    return putFill(stop);
}
