#include "core/ConversionEngine.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::uint32_t kDumpIndent = 4;

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

std::int32_t ConversionEngine::refuse(const QString &setting)
{
    m_fault = setting;
    return SettingFault;
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

std::int32_t ConversionEngine::hexToBinary(QByteArrayView text)
{
    m_start = m_settings.rangeGiven ? m_settings.start : 0;
    m_end = m_settings.rangeGiven ? m_settings.end : 0;
    return assemble(text, static_cast<std::int32_t>(text.size()), m_settings);
}

// HexToBinary of the window m_start..m_end; `window` sizes the image.
std::int32_t ConversionEngine::assemble(QByteArrayView text, std::int32_t progressTotal,
                                        const ConversionSettings &window)
{
    // An empty text still goes to the library, which tells what is wrong
    // with it; sized from its length it would blame Scope instead.
    const BufferSize capacity = imageBufferSize(window, std::max<qsizetype>(text.size(), 1));
    if (!capacity.fault.isEmpty())
        return refuse(capacity.fault);
    beforeLibrary();
    if (!makeOutput(capacity.bytes))
        return ResultNoMemory;
    std::uint32_t imageSize = 0;
    const std::int32_t result = m_calls.hexToBinary(
        text.constData(), m_output.data(), progressTotal,
        static_cast<std::uint32_t>(capacity.bytes), &imageSize, &m_start, &m_end, m_settings.blank,
        m_userValue, m_callback);
    if (result >= 0)
        m_outputLength = imageSize;
    return result;
}

std::int32_t ConversionEngine::binaryToHex(QByteArrayView data)
{
    if (const QString fault = binaryToHexFault(m_settings); !fault.isEmpty())
        return refuse(fault);
    m_start = m_settings.rangeGiven ? m_settings.start : 0;
    m_end = m_settings.rangeGiven ? m_settings.end : 0;
    const BufferSize capacity = hexTextBufferSize(m_settings, data.size());
    if (!capacity.fault.isEmpty())
        return refuse(capacity.fault);
    beforeLibrary();
    if (!makeText(capacity.bytes))
        return ResultNoMemory;
    std::uint32_t written = 0;
    const std::int32_t result = m_calls.binaryToHex(
        reinterpret_cast<const std::uint8_t *>(data.data()),
        m_output.chars(), static_cast<std::uint32_t>(data.size()),
        static_cast<std::uint32_t>(capacity.bytes), m_settings.recordLength, &written, &m_start,
        &m_end, m_settings.blank, m_settings.newLine, m_userValue, m_callback);
    if (result >= 0)
        m_outputLength = written;
    return result;
}

std::int32_t ConversionEngine::binaryToDump(std::span<std::uint8_t> data)
{
    m_start = m_settings.rangeGiven ? m_settings.start : 0;
    m_end = m_settings.rangeGiven ? m_settings.end : 0;
    if (m_end == 0)
        m_end = static_cast<std::uint32_t>(data.size()) - 1;
    beforeLibrary();
    return dump(data.data(), static_cast<std::uint32_t>(data.size()));
}

std::int32_t ConversionEngine::hexToDump(QByteArrayView text)
{
    // The image always starts at address 0; the range's start applies to
    // the checksum and the dump only.
    ConversionSettings fromZero = m_settings;
    fromZero.start = 0;
    m_start = 0;
    m_end = m_settings.rangeGiven ? m_settings.end : 0;
    // The text length less one is only the progress total.
    const std::int32_t result =
        assemble(text, static_cast<std::int32_t>(text.size()) - 1, fromZero);
    if (result < 0)
        return result;
    if (m_settings.rangeGiven)
        m_start = static_cast<std::uint32_t>(m_settings.start);
    const LargeBuffer image = std::move(m_output);
    return dump(image.data(), std::exchange(m_outputLength, 0));
}

// The checksum of m_start..m_end, then, unless only it is wanted, the dump
// lines. An empty image gives a report without lines.
std::int32_t ConversionEngine::dump(std::uint8_t *data, std::uint32_t length)
{
    char digits[10] = {};
    if (!m_calls.checkSum(data, length, m_start, m_end, m_settings.blank, digits))
        return NotBound;
    m_checksum = QString::fromLatin1(digits, qstrnlen(digits, 9));
    if (m_settings.noDump)
        return ResultOk;

    m_hasLines = true;
    if (m_beforeDump)
        m_beforeDump();
    const BufferSize capacity = dumpTextBufferSize(m_settings, length);
    if (!capacity.fault.isEmpty())
        return refuse(capacity.fault);
    if (!makeText(capacity.bytes))
        return ResultNoMemory;
    // The library reads an end of 0 over empty data as an empty window.
    std::uint32_t dumpEnd = length == 0 && m_end == UINT32_MAX ? 0 : m_end;
    std::uint32_t written = 0;
    const std::int32_t result = m_calls.dumpFormat(
        data, m_output.chars(), length,
        static_cast<std::uint32_t>(capacity.bytes), &written, &m_start, &dumpEnd,
        m_settings.blank, m_settings.newLine, kDumpIndent, m_userValue, m_callback);
    if (result < 0)
        return result;
    // The end comes back as it went in (an end of 0 reaches DumpFormat only
    // for one byte of data, whose last position is 0, or for none, passed
    // as 0 to come back with all bits set), so reportHead() was final
    // before the call.
    m_end = dumpEnd;
    m_outputLength = written;
    return result;
}
