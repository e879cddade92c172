// The engine's set-up, its refusals and where its bytes go: a buffer of
// exactly the result's size, or the caller's sink.
#include "core/ConversionEngine.h"

#include <algorithm>
#include <cstring>
#include <utility>

ConversionEngine::ConversionEngine(const LibraryCalls &calls, const ConversionSettings &settings)
    : m_calls(calls), m_settings(settings)
{
}

ConversionEngine::~ConversionEngine()
{
    if (m_image)
        m_imageCalls->kestrun_image_free(m_image);
}

ConversionEngine::ConversionEngine(ConversionEngine &&other) noexcept
    : m_calls(other.m_calls), m_imageCalls(other.m_imageCalls), m_settings(other.m_settings),
      m_callback(other.m_callback), m_userValue(other.m_userValue),
      m_beforeLibrary(std::move(other.m_beforeLibrary)), m_beforeDump(std::move(other.m_beforeDump)),
      m_sink(std::move(other.m_sink)), m_largeImageCheck(std::move(other.m_largeImageCheck)),
      m_emptyWindowCheck(std::move(other.m_emptyWindowCheck)),
      m_start(other.m_start), m_end(other.m_end), m_emptyWindow(other.m_emptyWindow),
      m_fault(std::move(other.m_fault)), m_message(std::move(other.m_message)),
      m_place(other.m_place), m_conflicts(std::move(other.m_conflicts)),
      m_conflictCount(other.m_conflictCount), m_image(std::exchange(other.m_image, nullptr)),
      m_readStats(other.m_readStats), m_checksum(std::move(other.m_checksum)),
      m_hasLines(other.m_hasLines), m_output(std::move(other.m_output)),
      m_outputLength(other.m_outputLength), m_startOver(std::move(other.m_startOver)),
      m_placedSink(std::move(other.m_placedSink)), m_twoPartsFrom(other.m_twoPartsFrom),
      m_streamedBounds(other.m_streamedBounds)
{
}

void ConversionEngine::setProgress(ProgressCallback callback, std::intptr_t userValue)
{
    m_callback = callback;
    m_userValue = userValue;
}

void ConversionEngine::setBeforeLibrary(std::function<void()> step)
{
    m_beforeLibrary = std::move(step);
}

void ConversionEngine::setBeforeDump(std::function<void()> step)
{
    m_beforeDump = std::move(step);
}

void ConversionEngine::setSink(std::function<bool(QByteArrayView)> sink,
                               std::function<bool()> startOver)
{
    m_sink = std::move(sink);
    m_startOver = std::move(startOver);
}

void ConversionEngine::setPlacedSink(std::function<bool(std::uint64_t, QByteArrayView)> sink)
{
    m_placedSink = std::move(sink);
}

void ConversionEngine::setLargeImageCheck(LargeImageCheck check)
{
    m_largeImageCheck = std::move(check);
}

void ConversionEngine::setEmptyWindowCheck(EmptyWindowCheck check)
{
    m_emptyWindowCheck = std::move(check);
}

bool ConversionEngine::dataBounds(std::uint32_t &lowest, std::uint32_t &highest) const
{
    if (m_streamedBounds) {
        lowest = m_streamedBounds->first;
        highest = m_streamedBounds->second;
        return true;
    }
    return m_image && m_imageCalls->kestrun_image_bounds(m_image, &lowest, &highest) == ResultOk;
}

QByteArrayView ConversionEngine::output() const
{
    return m_output.isValid() ? QByteArrayView(m_output.chars(), qsizetype(m_outputLength))
                              : QByteArrayView();
}

QString ConversionEngine::failureMessage() const
{
    if (!m_message.isEmpty())
        return m_message;
    return m_fault.isEmpty() ? QString() : settingFaultMessage(m_fault);
}

const ImageCalls *ConversionEngine::bind()
{
    if (!m_imageCalls && m_calls.image)
        m_imageCalls = m_calls.image();
    return m_imageCalls;
}

std::int32_t ConversionEngine::refuse(const QString &setting)
{
    m_fault = setting;
    return SettingFault;
}

std::int32_t ConversionEngine::refuseRange(const QString &message)
{
    m_message = message;
    return RangeFault;
}

std::int32_t ConversionEngine::tooLarge(std::uint64_t bytes)
{
    m_message = outputTooLargeMessage(bytes);
    return TooLarge;
}

void ConversionEngine::beforeLibrary()
{
    if (m_beforeLibrary)
        m_beforeLibrary();
}

// Room for an output of exactly `size` bytes (and a NUL, as the text views
// have always had), unless a sink takes it.
bool ConversionEngine::makeOutput(std::uint64_t size)
{
    m_outputLength = 0;
    if (m_sink) {
        if (m_expectedSize)
            m_expectedSize(size);
        return true;
    }
    m_output = LargeBuffer(static_cast<std::size_t>(size) + 1);
    if (m_output.isValid())
        m_output.chars()[size] = '\0';
    return m_output.isValid();
}

std::int32_t ConversionEngine::put(QByteArrayView bytes)
{
    if (m_sink)
        return m_sink(bytes) ? ResultOk : ResultCancelled;
    if (m_outputLength + std::uint64_t(bytes.size()) > m_output.size() - 1)
        return ResultOverflow;
    std::memcpy(m_output.chars() + m_outputLength, bytes.data(), std::size_t(bytes.size()));
    m_outputLength += std::uint64_t(bytes.size());
    return ResultOk;
}

std::int32_t ConversionEngine::toSink(const char *bytes, std::uint64_t length, std::intptr_t self)
{
    return reinterpret_cast<ConversionEngine *>(self)->put(
        QByteArrayView(bytes, qsizetype(length)));
}

// Hands `use` the bytes of the source's pieces that lie in [first, stop),
// with their position, until stop or the source's end; `reached` receives
// the position after the last piece read.
std::int32_t ConversionEngine::eachPiece(InputPieces &data, std::uint64_t first, std::uint64_t stop,
                                         const PieceUse &use, std::uint64_t &reached)
{
    reached = 0;
    QByteArrayView piece;
    while (reached < stop) {
        if (!data.next(piece)) {
            m_message = data.error();
            return InputFault;
        }
        if (piece.isEmpty())
            break;
        const std::uint64_t from = std::max(reached, first);
        const std::uint64_t to = std::min(reached + std::uint64_t(piece.size()), stop);
        if (to > from) {
            const auto *bytes = reinterpret_cast<const std::uint8_t *>(piece.data());
            if (const std::int32_t rc = use(from, bytes + (from - reached), to - from); rc < 0)
                return rc;
        }
        reached += std::uint64_t(piece.size());
    }
    return ResultOk;
}
