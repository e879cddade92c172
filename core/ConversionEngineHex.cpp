// A binary image to Intel HEX text, through the library's HEX writer.
#include "core/ConversionEngine.h"

#include <algorithm>

QString ConversionEngine::binaryToHexFault(const ConversionSettings &settings)
{
    if (!settings.fault.isEmpty())
        return settings.fault;
    return settings.recordLengthUsable ? QString() : QStringLiteral("RecordLength");
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
    // A long window within the source: two parts at once.
    if (length > 0 && std::uint64_t(window.first) + length <= dataLength) {
        kestrun_write_options o;
        c->kestrun_write_options_init(KESTRUN_FORMAT_IHEX, &o);
        o.record_length = options.record_length;
        o.line_end = options.line_end;
        o.address_records = options.address_records;
        o.start_type = options.start_type;
        o.start_value = options.start_value;
        if (const std::optional<std::int32_t> parts =
                writeInTwo(data, window.first, KESTRUN_FORMAT_IHEX, o, hexStart, length, size))
            return *parts;
    }
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
