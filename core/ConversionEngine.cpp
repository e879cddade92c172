#include "core/ConversionEngine.h"

#include "core/BasedHexText.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::uint32_t kDumpIndent = 4;
// The room BinaryToHex wants free before every line.
constexpr std::uint64_t kHexMargin = 512;

} // namespace

ConversionEngine::ConversionEngine(const LibraryCalls &calls, const ConversionSettings &settings)
    : m_calls(calls), m_settings(settings)
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

void ConversionEngine::setTextReady(std::function<void(const char *text)> step)
{
    m_textReady = std::move(step);
}

void ConversionEngine::setLargeImageCheck(LargeImageCheck check)
{
    m_largeImageCheck = std::move(check);
}

QString ConversionEngine::binaryToHexFault(const ConversionSettings &settings)
{
    if (!settings.fault.isEmpty())
        return settings.fault;
    return settings.recordLengthUsable ? QString() : QStringLiteral("RecordLength");
}

QByteArrayView ConversionEngine::output() const
{
    return m_output.isValid() ? QByteArrayView(m_output.chars(), m_outputLength) : QByteArrayView();
}

QString ConversionEngine::reportHead(const QString &fileName) const
{
    const QString lineEnd = lineEndText(m_settings.newLine);
    QString head = DumpHeader(fileName, static_cast<std::int32_t>(m_start),
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

bool ConversionEngine::makeOutput(std::int64_t capacity)
{
    // The extra byte takes the NUL the text conversions end with.
    m_output = LargeBuffer(static_cast<std::size_t>(capacity) + 1);
    m_outputLength = 0;
    return m_output.isValid();
}

bool ConversionEngine::makeText(std::int64_t capacity)
{
    if (!makeOutput(capacity))
        return false;
    if (m_textReady)
        m_textReady(m_output.chars());
    return true;
}

ProgressCallback ConversionEngine::callbackNow() const
{
    return m_rewriter.isActive() || m_relayTotal >= 0 ? relay : m_callback;
}

std::intptr_t ConversionEngine::userValueNow() const
{
    return callbackNow() == relay ? reinterpret_cast<std::intptr_t>(this) : m_userValue;
}

std::int32_t ConversionEngine::relay(std::int32_t done, std::int32_t total, std::intptr_t self)
{
    auto *engine = reinterpret_cast<ConversionEngine *>(self);
    engine->m_rewriter.catchUp();
    if (!engine->m_callback)
        return 1;
    return engine->m_callback(done, engine->m_relayTotal >= 0 ? engine->m_relayTotal : total,
                              engine->m_userValue);
}

void ConversionEngine::useText(QByteArrayView text)
{
    // A null view has no NUL to stop the library: read it as empty text.
    m_text = text.isNull() ? QByteArrayView("") : text;
    m_layout.reset();
}

const HexLayout &ConversionEngine::layout()
{
    if (!m_layout)
        m_layout = HexLayout::scan(m_text);
    return *m_layout;
}

// The window of a HEX text: from its lowest to its highest data address,
// the given range, or from 0 to wherever the data end.
ConversionEngine::Window ConversionEngine::hexWindow()
{
    if (m_settings.fromLowest) {
        if (const HexLayout &data = layout(); !data.empty())
            return {data.lowest(), data.highest(), false};
        return {};
    }
    if (!m_settings.rangeGiven)
        return {};
    const auto first = static_cast<std::uint32_t>(m_settings.start);
    const auto last = static_cast<std::uint32_t>(m_settings.end);
    return {first, last, last == 0 && !m_settings.exactEnd};
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

std::int32_t ConversionEngine::hexToBinary(QByteArrayView text)
{
    useText(text);
    if (const std::int32_t refused = checkLayoutSource(); refused != ResultOk)
        return refused;
    return assemble(text, static_cast<std::int32_t>(text.size()), hexWindow());
}

// A window from the data's layout holds only for a text the library
// accepts: a text whose records are not all sound is checked first, so
// that its fault, not the window read from it, is what the user hears.
std::int32_t ConversionEngine::checkLayoutSource()
{
    if (!m_settings.fromLowest || layout().sound)
        return ResultOk;
    const std::int32_t result = validate();
    return result == ResultOverflow ? ResultOk : result;
}

// HexToBinary of the text into no room: the text's own fault, or
// ResultOk or ResultOverflow when the library accepts it.
std::int32_t ConversionEngine::validate()
{
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t imageSize = 0;
    std::uint8_t none = 0;
    return m_calls.hexToBinary(m_text.constData(), &none, static_cast<std::int32_t>(m_text.size()),
                               0, &imageSize, &start, &end, m_settings.blank, m_userValue,
                               m_callback);
}

// HexToBinary of `window`. An automatic end is found by the library: the
// first call gets a guessed buffer, and when the image proves larger, a
// second call gets exactly its size.
std::int32_t ConversionEngine::assemble(QByteArrayView text, std::int32_t progressTotal,
                                        Window window)
{
    m_start = window.first;
    m_end = window.autoEnd ? 0 : window.last;
    m_leadingFill = 0;
    if (!window.autoEnd && window.last < window.first)
        return refuseRange(reversedRangeMessage(window.first, window.last));
    std::int64_t capacity = window.autoEnd
                                ? imageSizeGuess(m_settings, text.size(), bool(m_largeImageCheck))
                                : std::int64_t(window.last) - window.first + 1;
    if (capacity > kLargestBuffer)
        return tooLarge(std::uint64_t(capacity));
    // The library reads an end of 0 as "up to the last data": the one-byte
    // window 0..0 is made as 0..1 and cut.
    const bool oneByteAtZero = !window.autoEnd && window.last == 0;
    if (oneByteAtZero) {
        m_end = 1;
        capacity = 2;
    }
    beforeLibrary();
    std::int32_t result = ResultOk;
    std::uint32_t imageSize = 0;
    // At most twice: the second call has room for exactly what the first
    // found.
    for (bool grown = false;; grown = true) {
        if (!makeOutput(capacity))
            return ResultNoMemory;
        const std::uint32_t endGiven = m_end;
        result = m_calls.hexToBinary(m_text.constData(), m_output.data(), progressTotal,
                                     static_cast<std::uint32_t>(capacity), &imageSize, &m_start,
                                     &m_end, m_settings.blank, m_userValue, m_callback);
        if (result != ResultOverflow || !window.autoEnd || grown)
            break;
        if (m_end < m_start)
            return refuseRange(rangeBeyondDataMessage(m_start, m_end, std::uint64_t(m_end) + 1));
        if (const std::int32_t refused = growImage(capacity); refused != ResultOk)
            return refused;
        m_end = endGiven;
    }
    if (result >= 0) {
        m_outputLength = oneByteAtZero ? 1 : imageSize;
        m_end = oneByteAtZero ? 0 : m_end;
        const std::uint8_t *image = m_output.data();
        const std::uint8_t blank = static_cast<std::uint8_t>(m_settings.blank);
        m_leadingFill = std::uint64_t(std::find_if(image, image + m_outputLength,
                                                   [blank](std::uint8_t b) { return b != blank; })
                                      - image);
    }
    return result;
}

// The room for the image m_start..m_end the library found, asked for
// first when it is large and someone wants to be asked.
std::int32_t ConversionEngine::growImage(std::int64_t &capacity)
{
    const std::uint64_t needed = std::uint64_t(m_end) - m_start + 1;
    if (needed > std::uint64_t(kLargestBuffer))
        return tooLarge(needed);
    if (m_largeImageCheck && needed > std::uint64_t(kLargeImage)) {
        const HexLayout &data = layout();
        const std::uint32_t lowest = data.empty() ? m_start : std::max(m_start, data.lowest());
        if (!m_largeImageCheck(needed, lowest, m_end))
            return Declined;
    }
    capacity = std::int64_t(needed);
    return ResultOk;
}

std::int32_t ConversionEngine::binaryToHex(QByteArrayView data)
{
    if (const QString fault = binaryToHexFault(m_settings); !fault.isEmpty())
        return refuse(fault);
    const Window window = binaryWindow(std::uint64_t(data.size()));
    if (const std::int32_t refused = checkBinaryWindow(window, std::uint64_t(data.size())))
        return refused;
    m_start = window.first;
    m_end = window.last;
    const bool empty = !m_settings.rangeGiven && data.isEmpty();
    const std::uint64_t length = empty ? 0 : std::uint64_t(window.last) - window.first + 1;
    const std::optional<std::uint32_t> base = length > 0 ? m_settings.base : std::nullopt;
    if (base && *base + length - 1 > UINT32_MAX)
        return refuseRange(addressesBeyond32Message(*base, length));
    const std::uint64_t capacity =
        hexTextSize(length, std::uint32_t(m_settings.recordLength), m_settings.newLine, base)
        + kHexMargin;
    if (capacity > std::uint64_t(kLargestBuffer))
        return tooLarge(capacity - kHexMargin);
    beforeLibrary();
    if (!makeText(std::int64_t(capacity)))
        return ResultNoMemory;
    if (base)
        return writeHexFromBase(data, window.first, window.last, capacity);
    std::uint32_t written = 0;
    const std::int32_t result =
        writeHex(data, window.first, empty ? 0 : window.last, m_output.chars(), capacity, written);
    if (result >= 0)
        m_outputLength = written;
    return result;
}

// BinaryToHex of the positions first..last into `text`.
std::int32_t ConversionEngine::writeHex(QByteArrayView data, std::uint32_t first,
                                        std::uint32_t last, char *text, std::uint64_t capacity,
                                        std::uint32_t &written)
{
    // The library reads an end of 0 as the last byte of the data; with one
    // byte of data that is position 0.
    const auto dataLength =
        static_cast<std::uint32_t>(last == 0 ? std::min<qsizetype>(data.size(), 1) : data.size());
    std::uint32_t end = last;
    return m_calls.binaryToHex(reinterpret_cast<const std::uint8_t *>(data.data()), text,
                               dataLength, static_cast<std::uint32_t>(capacity),
                               m_settings.recordLength, &written, &first, &end, m_settings.blank,
                               m_settings.newLine, userValueNow(), callbackNow());
}

// HEX text from the base address, the library's pieces moved there.
std::int32_t ConversionEngine::writeHexFromBase(QByteArrayView data, std::uint32_t first,
                                                std::uint32_t last, std::uint64_t capacity)
{
    m_relayTotal = static_cast<std::int32_t>(last);
    std::uint64_t used = 0;
    const std::int32_t result = BasedHexText::write(
        m_output.chars(), capacity, first, last, *m_settings.base,
        lineEndText(m_settings.newLine).toLatin1(), m_rewriter,
        [&](std::uint32_t from, std::uint32_t to, char *text, std::uint64_t room,
            std::uint32_t &written) { return writeHex(data, from, to, text, room, written); },
        used);
    m_relayTotal = -1;
    if (result >= 0)
        m_outputLength = static_cast<std::uint32_t>(used);
    return result;
}

std::int32_t ConversionEngine::binaryToDump(std::span<std::uint8_t> data)
{
    const Window window = binaryWindow(data.size());
    if (const std::int32_t refused = checkBinaryWindow(window, data.size()))
        return refused;
    m_start = window.first;
    m_end = window.last;
    beforeLibrary();
    return dump(data.data(), static_cast<std::uint32_t>(data.size()));
}

std::int32_t ConversionEngine::hexToDump(QByteArrayView text)
{
    useText(text);
    if (const std::int32_t refused = checkLayoutSource(); refused != ResultOk)
        return refused;
    const Window window = hexWindow();
    // The image starts at address 0, the range's start applying to the
    // checksum and the dump only; from the lowest data it starts on that
    // address's dump line, so that the lines keep their columns.
    const std::uint32_t imageStart = m_settings.fromLowest ? window.first & ~0xFu : 0;
    if (m_settings.rangeGiven && !m_settings.fromLowest && !window.autoEnd
        && window.last < window.first)
        return refuseRange(reversedRangeMessage(window.first, window.last));
    // The text length less one is only the progress total.
    const std::int32_t result = assemble(text, static_cast<std::int32_t>(text.size()) - 1,
                                         {imageStart, window.last, window.autoEnd});
    if (result < 0)
        return result;
    m_start = window.first;
    const LargeBuffer image = std::move(m_output);
    return dump(image.data(), std::exchange(m_outputLength, 0), imageStart);
}

// The checksum of the addresses m_start..m_end, then, unless only it is
// wanted, the dump lines. `data` holds the image from address
// `imageStart` on. An empty image gives a report without lines.
std::int32_t ConversionEngine::dump(std::uint8_t *data, std::uint32_t length,
                                    std::uint32_t imageStart)
{
    std::uint32_t first = m_start - imageStart;
    const std::uint32_t last = m_end - imageStart;
    char digits[10] = {};
    if (!m_calls.checkSum(data, length, first, last, m_settings.blank, digits))
        return NotBound;
    m_checksum = QString::fromLatin1(digits, qstrnlen(digits, 9));
    if (m_settings.noDump)
        return ResultOk;

    m_hasLines = true;
    if (m_beforeDump)
        m_beforeDump();
    const bool empty = length == 0 && last == UINT32_MAX;
    const std::uint64_t capacity = (empty ? 0 : dumpTextSize(first, last, m_settings.newLine)) + 1;
    if (capacity > std::uint64_t(kLargestBuffer))
        return tooLarge(capacity - 1);
    if (!makeText(std::int64_t(capacity)))
        return ResultNoMemory;
    if (imageStart != 0) {
        const auto lineLength =
            std::size_t(kDumpIndent + 75 + lineEndText(m_settings.newLine).size());
        m_rewriter = LineRewriter::dumpAddresses(imageStart, lineLength, kDumpIndent);
        m_rewriter.follow(m_output.chars());
    }
    // The library reads an end of 0 as the last byte of the data: over
    // empty data an empty window, over one byte position 0.
    std::uint32_t dumpEnd = empty ? 0 : last;
    const std::uint32_t dataLength =
        last == 0 && !empty ? std::min<std::uint32_t>(length, 1) : length;
    std::uint32_t written = 0;
    const std::int32_t result = m_calls.dumpFormat(
        data, m_output.chars(), dataLength, static_cast<std::uint32_t>(capacity), &written, &first,
        &dumpEnd, m_settings.blank, m_settings.newLine, kDumpIndent, userValueNow(), callbackNow());
    m_rewriter.catchUp();
    m_rewriter.stop();
    if (result < 0)
        return result;
    m_outputLength = written;
    return result;
}

std::int32_t ConversionEngine::inspect(QByteArrayView text)
{
    useText(text);
    const std::int32_t result = validate();
    if (result < 0 && result != ResultOverflow)
        return result;
    layout();
    return ResultOk;
}

std::uint32_t ConversionEngine::dataSum()
{
    return layout().imageSum(m_calls, m_text);
}
