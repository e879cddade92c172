#include "core/ImageOutput.h"

#include <utility>

namespace {

constexpr std::pair<const char *, OutputFormat> kFormatWords[] = {
    {"ihex", OutputFormat::IntelHex},
    {"srec", OutputFormat::SRecord},
    {"bin", OutputFormat::Binary},
    {"dump", OutputFormat::Dump},
};

constexpr std::pair<const char *, OutputFormat> kExtensions[] = {
    {"hex", OutputFormat::IntelHex}, {"ihex", OutputFormat::IntelHex},
    {"ihx", OutputFormat::IntelHex}, {"srec", OutputFormat::SRecord},
    {"s19", OutputFormat::SRecord},  {"s28", OutputFormat::SRecord},
    {"s37", OutputFormat::SRecord},  {"mot", OutputFormat::SRecord},
    {"bin", OutputFormat::Binary},   {"txt", OutputFormat::Dump},
};

} // namespace

std::optional<OutputFormat> outputFormatNamed(QStringView word)
{
    for (const auto &[name, format] : kFormatWords)
        if (word == QLatin1String(name))
            return format;
    return std::nullopt;
}

std::optional<OutputFormat> outputFormatOfFile(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || path.indexOf(u'/', dot) >= 0)
        return std::nullopt;
    const QString extension = path.mid(dot + 1).toLower();
    for (const auto &[name, format] : kExtensions)
        if (extension == QLatin1String(name))
            return format;
    return std::nullopt;
}

std::uint32_t ImageOutput::longestSRecord(std::uint32_t addressSize)
{
    // The count byte counts address, data and checksum, at most FF of them.
    return 254 - (addressSize == KESTRUN_SREC_AUTO ? KESTRUN_SREC_S37 : addressSize);
}

std::int32_t ImageOutput::write(const ImageCalls &calls, const kestrun_image *image,
                                kestrun_sink_fn sink, std::intptr_t user) const
{
    TextLayout window = layout;
    std::int32_t value = KESTRUN_FORMAT_IHEX;
    switch (format) {
    case OutputFormat::IntelHex:
        break;
    case OutputFormat::SRecord:
        value = KESTRUN_FORMAT_SREC;
        break;
    case OutputFormat::Binary:
    case OutputFormat::Dump:
        // From the lowest to the highest data byte; nothing for no data.
        if (calls.kestrun_image_bounds(image, &window.first, &window.last) != ResultOk)
            return ResultOk;
        window.fill = fillByte;
        window.indent = 0;
        value = format == OutputFormat::Binary ? KESTRUN_FORMAT_BINARY : KESTRUN_FORMAT_DUMP;
        break;
    }
    return writeImage(calls, image, value, window, sink, user);
}
