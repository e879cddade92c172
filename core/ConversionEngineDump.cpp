// The dump report: its checksum, its header and its lines, of a binary
// source read piece by piece or of a HEX text's image.
#include "core/ConversionEngine.h"

#include <algorithm>
#include <memory>
#include <thread>

namespace {

constexpr std::uint32_t kDumpIndent = 4;
// About the characters of a dump for each byte, which makes a window worth
// summing in two parts as its text is worth writing so.
constexpr std::uint64_t kDumpBytesPerByte = 5;

} // namespace

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

// CheckSum over the window's bytes of the source, piece by piece, with
// blanks past its end; a long window in two parts at once.
std::int32_t ConversionEngine::sumSource(InputPieces &data, std::uint64_t length)
{
    const std::uint64_t first = m_start;
    const std::uint64_t stop = std::uint64_t(m_end) + 1;
    const std::uint64_t dataStop = std::min(stop, length);
    std::uint64_t sum = 0;
    // The second half, on a thread of its own, where it is worth one.
    const std::uint64_t middle = first + (dataStop > first ? (dataStop - first) / 2 : 0);
    std::unique_ptr<InputPieces> secondHalf;
    if (dataStop > first && (dataStop - first) * kDumpBytesPerByte >= m_twoPartsFrom)
        secondHalf = data.part(middle, dataStop);
    std::uint64_t secondSum = 0;
    std::int32_t secondResult = ResultOk;
    QString secondError;
    std::thread second;
    if (secondHalf)
        second = std::thread([&] {
            secondResult = sumPieces(*secondHalf, secondSum, secondError);
        });
    std::uint64_t at = 0;
    std::int32_t read;
    if (secondHalf) {
        const std::unique_ptr<InputPieces> firstHalf = data.part(first, middle);
        read = firstHalf ? sumPieces(*firstHalf, sum, m_message) : ResultBadArgument;
        second.join();
        if (read == ResultOk && secondResult != ResultOk) {
            read = secondResult;
            m_message = secondError;
        }
        sum += secondSum;
        at = dataStop;
    } else {
        read = eachPiece(
            data, first, dataStop,
            [&](std::uint64_t, const std::uint8_t *bytes, std::uint64_t count) -> std::int32_t {
                const auto part = m_calls.checkSum(bytes, std::uint32_t(count), 0,
                                                   std::uint32_t(count - 1), 0, nullptr);
                if (!part)
                    return NotBound;
                sum += *part;
                return ResultOk;
            },
            at);
    }
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

// CheckSum over every byte of `data`, added to `sum`.
std::int32_t ConversionEngine::sumPieces(InputPieces &data, std::uint64_t &sum,
                                         QString &error) const
{
    QByteArrayView piece;
    while (data.next(piece)) {
        if (piece.isEmpty())
            return ResultOk;
        const auto part =
            m_calls.checkSum(reinterpret_cast<const std::uint8_t *>(piece.data()),
                             std::uint32_t(piece.size()), 0, std::uint32_t(piece.size() - 1), 0,
                             nullptr);
        if (!part)
            return NotBound;
        sum += *part;
    }
    error = data.error();
    return InputFault;
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
    if (const std::int32_t result = readSource(text); result < 0)
        return result;
    if (const std::int32_t refused = hexImageWindow(window); refused != ResultOk)
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
    // A long window within the source: two parts at once.
    if (data && std::uint64_t(m_end) < length) {
        kestrun_write_options o;
        c->kestrun_write_options_init(KESTRUN_FORMAT_DUMP, &o);
        o.line_end = options.line_end;
        o.indent = options.indent;
        o.fill = options.fill;
        o.first = m_start;
        o.last = m_end;
        if (const std::optional<std::int32_t> parts =
                writeInTwo(*data, m_start, KESTRUN_FORMAT_DUMP, o, m_start,
                           std::uint64_t(m_end) - m_start + 1, size))
            return *parts;
    }
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
