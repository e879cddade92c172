#include "core/ConversionEngine.h"

#include "core/AscendingBinary.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::uint32_t kDumpIndent = 4;
// Image bytes and fill go to a sink in pieces of this size at most.
constexpr std::uint64_t kSinkPiece = std::uint64_t(1) << 20;

} // namespace

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
      m_stats(other.m_stats), m_checksum(std::move(other.m_checksum)),
      m_hasLines(other.m_hasLines), m_output(std::move(other.m_output)),
      m_outputLength(other.m_outputLength), m_startOver(std::move(other.m_startOver)),
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

bool ConversionEngine::dataBounds(std::uint32_t &lowest, std::uint32_t &highest) const
{
    if (m_streamedBounds) {
        lowest = m_streamedBounds->first;
        highest = m_streamedBounds->second;
        return true;
    }
    return m_image && m_imageCalls->kestrun_image_bounds(m_image, &lowest, &highest) == ResultOk;
}

void ConversionEngine::setLargeImageCheck(LargeImageCheck check)
{
    m_largeImageCheck = std::move(check);
}

void ConversionEngine::setEmptyWindowCheck(EmptyWindowCheck check)
{
    m_emptyWindowCheck = std::move(check);
}

QString ConversionEngine::binaryToHexFault(const ConversionSettings &settings)
{
    if (!settings.fault.isEmpty())
        return settings.fault;
    return settings.recordLengthUsable ? QString() : QStringLiteral("RecordLength");
}

QByteArrayView ConversionEngine::output() const
{
    return m_output.isValid() ? QByteArrayView(m_output.chars(), qsizetype(m_outputLength))
                              : QByteArrayView();
}

QString ConversionEngine::reportHead(const QString &fileName) const
{
    const QString lineEnd = lineEndText(m_settings.newLine);
    QString head = m_emptyWindow
                       ? DumpHeaderWithoutData(fileName, m_checksum, lineEnd)
                       : DumpHeader(fileName, static_cast<std::int32_t>(m_start),
                                    static_cast<std::int32_t>(m_end), m_checksum, lineEnd);
    if (m_hasLines)
        head += dumpHeading(lineEnd);
    return head;
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
    if (m_sink)
        return true;
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

// The window of a HEX text: from its lowest to its highest data address,
// the given range, or from 0 to wherever the data end.
ConversionEngine::Window ConversionEngine::hexWindow() const
{
    if (m_settings.fromLowest)
        return {0, 0, true};
    if (!m_settings.rangeGiven)
        return {};
    const auto first = static_cast<std::uint32_t>(m_settings.start);
    const auto last = static_cast<std::uint32_t>(m_settings.end);
    return {first, last, last == 0 && !m_settings.exactEnd};
}

// Settles m_start..m_end over the image just read: an automatic end is its
// highest byte (an empty image gives an empty window), and a window that
// must hold data but cannot is refused. A given window of fill alone, or
// (with `ask`) a large one, is made only once its check agrees.
std::int32_t ConversionEngine::hexImageWindow(const Window &window, bool ask)
{
    std::uint32_t lowest = 0, highest = 0;
    const bool empty = m_imageCalls->kestrun_image_bounds(m_image, &lowest, &highest) != ResultOk;
    m_start = m_settings.fromLowest && !empty ? lowest : window.first;
    m_end = window.last;
    m_emptyWindow = false;
    if (window.autoEnd) {
        if (empty) {
            m_end = UINT32_MAX;
            m_emptyWindow = true;
            return ResultOk;
        }
        m_end = highest;
        if (highest < m_start)
            return refuseRange(
                rangeBeyondDataMessage(m_start, highest, std::uint64_t(highest) + 1));
    }
    const std::optional<Addresses> held = dataWithin(m_start, m_end);
    if (!held) {
        const std::optional<Addresses> data =
            empty ? std::nullopt : std::optional<Addresses>({lowest, highest});
        return !m_emptyWindowCheck || m_emptyWindowCheck({m_start, m_end}, data) ? ResultOk
                                                                                 : Declined;
    }
    const std::uint64_t size = std::uint64_t(m_end) - m_start + 1;
    if (!ask || !m_largeImageCheck || size <= std::uint64_t(kLargeImage))
        return ResultOk;
    switch (m_largeImageCheck(size, held->low, held->high)) {
    case LargeImageAnswer::Make:
        return ResultOk;
    case LargeImageAnswer::FromLowest:
        m_start = held->low;
        return ResultOk;
    case LargeImageAnswer::Decline:
        break;
    }
    return Declined;
}

// The lowest and highest data address of the image within first..last.
std::optional<ConversionEngine::Addresses> ConversionEngine::dataWithin(std::uint32_t first,
                                                                        std::uint32_t last) const
{
    kestrun_segment segment{};
    if (m_imageCalls->kestrun_image_next(m_image, first, &segment) != ResultOk
        || segment.address > last)
        return std::nullopt;
    Addresses held{std::max(segment.address, first), 0};
    for (std::uint64_t at = segment.address;
         m_imageCalls->kestrun_image_next(m_image, at, &segment) == ResultOk
         && segment.address <= last;
         at = segment.address + segment.length)
        held.high =
            std::uint32_t(std::min<std::uint64_t>(segment.address + segment.length - 1, last));
    return held;
}

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
    if (const std::int32_t result = readHex(text); result < 0)
        return result;
    if (const std::int32_t refused = hexImageWindow(window, true); refused != ResultOk)
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
// to the sink as it is read. The window is settled as hexImageWindow
// settles it, once the data's bounds are known at the end.
std::int32_t ConversionEngine::streamHexToBinary(InputPieces &text, const Window &window)
{
    beforeLibrary();
    AscendingBinary ascending({window.first, window.last, window.autoEnd, m_settings.fromLowest},
                              std::uint8_t(m_settings.blank),
                              [this](QByteArrayView bytes) { return put(bytes); });
    std::int32_t result = readHex(text, &ascending);
    if (result == ResultOk)
        result = ascending.finish();
    if (result != ResultOk)
        return result;
    m_start = ascending.start();
    m_end = window.last;
    m_emptyWindow = false;
    if (!ascending.empty())
        m_streamedBounds.emplace(ascending.lowest(), ascending.highest());
    if (window.autoEnd) {
        if (ascending.empty()) {
            m_end = UINT32_MAX;
            m_emptyWindow = true;
            return ResultOk;
        }
        m_end = ascending.highest();
        if (m_end < m_start)
            return refuseRange(
                rangeBeyondDataMessage(m_start, m_end, std::uint64_t(m_end) + 1));
    }
    // A buffer is only the user's once this returns, so the question for a
    // window of fill alone still comes before anything is saved.
    if (!ascending.windowHeld() && m_emptyWindowCheck) {
        const std::optional<Addresses> data =
            ascending.empty() ? std::nullopt
                              : std::optional<Addresses>({ascending.lowest(), ascending.highest()});
        if (!m_emptyWindowCheck({m_start, m_end}, data))
            return Declined;
    }
    return ResultOk;
}

std::int32_t ConversionEngine::streamRecord(const kestrun_record *record, std::intptr_t binary)
{
    if (record->type != 0)
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

// The window of a binary source of `dataLength` bytes: the given range, an
// end of 0 reaching the last byte unless it is exact; automatically the
// whole source (no byte for an empty one, as an end of all bits set).
ConversionEngine::Window ConversionEngine::binaryWindow(std::uint64_t dataLength) const
{
    const auto lastByte = static_cast<std::uint32_t>(dataLength - 1);
    if (!m_settings.rangeGiven)
        return {0, lastByte, false};
    const auto last = static_cast<std::uint32_t>(m_settings.end);
    return {static_cast<std::uint32_t>(m_settings.start),
            last == 0 && !m_settings.exactEnd ? lastByte : last, false};
}

// A given range must hold a byte of the source and run forwards.
std::int32_t ConversionEngine::checkBinaryWindow(const Window &window, std::uint64_t dataLength)
{
    if (!m_settings.rangeGiven)
        return ResultOk;
    if (window.first >= dataLength)
        return refuseRange(rangeBeyondDataMessage(
            window.first, static_cast<std::uint32_t>(m_settings.end), dataLength));
    if (window.last < window.first)
        return refuseRange(reversedRangeMessage(window.first, window.last));
    return ResultOk;
}

std::int32_t ConversionEngine::binaryToHex(QByteArrayView data)
{
    MemoryPieces pieces(data);
    return binaryToHex(pieces);
}

std::int32_t ConversionEngine::binaryToHex(InputPieces &data)
{
    if (const QString fault = binaryToHexFault(m_settings); !fault.isEmpty())
        return refuse(fault);
    const ImageCalls *c = bind();
    if (!c)
        return NotBound;
    const std::uint64_t dataLength = data.size();
    const Window window = binaryWindow(dataLength);
    if (const std::int32_t refused = checkBinaryWindow(window, dataLength))
        return refused;
    m_start = window.first;
    m_end = window.last;
    const bool empty = !m_settings.rangeGiven && dataLength == 0;
    const std::uint64_t length = empty ? 0 : std::uint64_t(window.last) - window.first + 1;
    const std::optional<std::uint32_t> base = length > 0 ? m_settings.base : std::nullopt;
    if (base && *base + length - 1 > UINT32_MAX)
        return refuseRange(addressesBeyond32Message(*base, length));

    kestrun_hex_options options;
    c->kestrun_hex_options_init(&options);
    options.record_length = std::uint32_t(m_settings.recordLength);
    options.line_end = m_settings.newLine;
    options.address_records = m_settings.addressRecords.value_or(
        m_settings.base ? KESTRUN_ADDRESS_LINEAR : KESTRUN_ADDRESS_AUTO);
    options.start_type = m_settings.startAddress ? KESTRUN_START_LINEAR : KESTRUN_START_NONE;
    options.start_value = m_settings.startAddress.value_or(0);
    const std::uint32_t hexStart = base.value_or(0);
    std::uint64_t size = 0;
    if (const std::int32_t rc = c->kestrun_hex_text_size(&options, hexStart, length, &size); rc < 0)
        return rc == ResultAddressFault ? refuseRange(addressesBeyond32Message(hexStart, length))
                                        : rc;
    if (!m_sink && size > std::uint64_t(kLargestBuffer))
        return tooLarge(size);
    beforeLibrary();
    if (!makeOutput(size))
        return ResultNoMemory;
    std::int32_t result = ResultOk;
    kestrun_hex_writer *writer =
        c->kestrun_hex_writer_new(&options, toSink, reinterpret_cast<std::intptr_t>(this), &result);
    if (!writer)
        return result;
    c->kestrun_hex_writer_on_progress(writer, m_callback, length, m_userValue);
    // The source's bytes of the window, then blanks where the window
    // reaches past them.
    std::uint64_t hexAt = hexStart;
    std::uint64_t reached = 0;
    result = eachPiece(
        data, window.first, std::min(std::uint64_t(window.first) + length, dataLength),
        [&](std::uint64_t, const std::uint8_t *bytes, std::uint64_t count) {
            const std::int32_t rc =
                c->kestrun_hex_writer_put(writer, std::uint32_t(hexAt), bytes, count);
            hexAt += count;
            return rc;
        },
        reached);
    if (result == ResultOk && hexAt < std::uint64_t(hexStart) + length) {
        const QByteArray blank(64 * 1024, char(m_settings.blank));
        for (std::uint64_t left = std::uint64_t(hexStart) + length - hexAt;
             result == ResultOk && left > 0;) {
            const std::uint64_t n = std::min<std::uint64_t>(left, std::uint64_t(blank.size()));
            result =
                c->kestrun_hex_writer_put(writer, std::uint32_t(hexAt),
                                          reinterpret_cast<const std::uint8_t *>(blank.data()), n);
            hexAt += n;
            left -= n;
        }
    }
    if (result == ResultOk)
        result = c->kestrun_hex_writer_finish(writer);
    c->kestrun_hex_writer_free(writer);
    return result;
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

// CheckSum over the window's bytes of the source, piece by piece, with
// blanks past its end.
std::int32_t ConversionEngine::sumSource(InputPieces &data, std::uint64_t length)
{
    const std::uint64_t first = m_start;
    const std::uint64_t stop = std::uint64_t(m_end) + 1;
    std::uint64_t sum = 0;
    std::uint64_t at = 0;
    const std::int32_t read = eachPiece(
        data, first, std::min(stop, length),
        [&](std::uint64_t, const std::uint8_t *bytes, std::uint64_t count) -> std::int32_t {
            const auto part = m_calls.checkSum(bytes, std::uint32_t(count), 0,
                                               std::uint32_t(count - 1), 0, nullptr);
            if (!part)
                return NotBound;
            sum += *part;
            return ResultOk;
        },
        at);
    if (read < 0)
        return read;
    const std::uint64_t tailFrom = std::max(first, std::min(at, length));
    if (stop > tailFrom) {
        // CheckSum over no data counts its whole window as the blank.
        std::uint8_t none = 0;
        const auto tail = m_calls.checkSum(&none, 0, 0, std::uint32_t(stop - tailFrom - 1),
                                           m_settings.blank, nullptr);
        if (!tail)
            return NotBound;
        sum += *tail;
    }
    m_checksum = QString::number(std::uint32_t(sum), 16).toUpper().rightJustified(8, u'0');
    return ResultOk;
}

std::int32_t ConversionEngine::binaryToDump(std::span<std::uint8_t> data)
{
    MemoryPieces pieces(
        QByteArrayView(reinterpret_cast<const char *>(data.data()), qsizetype(data.size())));
    return binaryToDump(pieces);
}

std::int32_t ConversionEngine::binaryToDump(InputPieces &data)
{
    const std::uint64_t length = data.size();
    const Window window = binaryWindow(length);
    if (const std::int32_t refused = checkBinaryWindow(window, length))
        return refused;
    m_start = window.first;
    m_end = window.last;
    beforeLibrary();
    m_emptyWindow = length == 0 && m_end == UINT32_MAX;
    if (const std::int32_t rc = m_emptyWindow ? sumSource(data, 0) : sumSource(data, length);
        rc < 0)
        return rc;
    if (m_settings.noDump)
        return ResultOk;
    if (!m_emptyWindow && !data.rewind()) {
        m_message = data.error();
        return InputFault;
    }
    return dumpLines(&data, length);
}

std::int32_t ConversionEngine::hexToDump(QByteArrayView text)
{
    MemoryPieces pieces(text);
    return hexToDump(pieces);
}

std::int32_t ConversionEngine::hexToDump(InputPieces &text)
{
    const Window window = hexWindow();
    if (m_settings.rangeGiven && !window.autoEnd && window.last < window.first)
        return refuseRange(reversedRangeMessage(window.first, window.last));
    if (const std::int32_t result = readHex(text); result < 0)
        return result;
    if (const std::int32_t refused = hexImageWindow(window, false); refused != ResultOk)
        return refused;
    beforeLibrary();
    const std::uint32_t sum =
        m_emptyWindow ? 0
                      : m_imageCalls->kestrun_image_sum(m_image, m_start, m_end, m_settings.blank);
    m_checksum = QString::number(sum, 16).toUpper().rightJustified(8, u'0');
    if (m_settings.noDump)
        return ResultOk;
    return dumpLines(nullptr, 0);
}

// The dump lines of m_start..m_end: from the source's pieces, or from the
// image when there is no source. An empty window gives a report without
// lines.
std::int32_t ConversionEngine::dumpLines(InputPieces *data, std::uint64_t length)
{
    const ImageCalls *c = bind();
    if (!c)
        return NotBound;
    m_hasLines = true;
    if (m_beforeDump)
        m_beforeDump();
    kestrun_dump_options options{m_settings.newLine, kDumpIndent, m_settings.blank};
    const std::uint64_t size =
        m_emptyWindow ? 0 : c->kestrun_dump_text_size(&options, m_start, m_end);
    if (!m_sink && size > std::uint64_t(kLargestBuffer))
        return tooLarge(size);
    if (!makeOutput(size))
        return ResultNoMemory;
    if (m_emptyWindow)
        return ResultOk;
    std::int32_t result = ResultOk;
    kestrun_dump_writer *writer = c->kestrun_dump_writer_new(
        &options, m_start, m_end, toSink, reinterpret_cast<std::intptr_t>(this), &result);
    if (!writer)
        return result;
    c->kestrun_dump_writer_on_progress(writer, m_callback, std::uint64_t(m_end) - m_start + 1,
                                       m_userValue);
    if (!data) {
        result = c->kestrun_dump_writer_image(writer, m_image);
    } else {
        std::uint64_t reached = 0;
        result = eachPiece(
            *data, m_start, std::min(length, std::uint64_t(m_end) + 1),
            [&](std::uint64_t at, const std::uint8_t *bytes, std::uint64_t count) {
                return c->kestrun_dump_writer_put(writer, std::uint32_t(at), bytes, count);
            },
            reached);
    }
    if (result == ResultOk)
        result = c->kestrun_dump_writer_finish(writer);
    c->kestrun_dump_writer_free(writer);
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
