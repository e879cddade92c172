#include "core/ImageOutput.h"

#include "core/FormatList.h"

std::optional<OutputFormat> outputFormatNamed(const ImageCalls &calls, QStringView word)
{
    const auto value = FormatList::named(calls, word, KESTRUN_FORMAT_FLAG_WRITE);
    return value ? std::optional(OutputFormat(*value)) : std::nullopt;
}

std::optional<OutputFormat> outputFormatOfFile(const ImageCalls &calls, const QString &path)
{
    const auto value = FormatList::ofFile(calls, path, KESTRUN_FORMAT_FLAG_WRITE);
    return value ? std::optional(OutputFormat(*value)) : std::nullopt;
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
    const auto value = std::int32_t(format);
    kestrun_format_info info{};
    if (calls.kestrun_format_describe(value, &info) != ResultOk)
        return ResultBadArgument;
    window.fill = fillByte;
    if (info.flags & KESTRUN_FORMAT_FLAG_WINDOW) {
        // From the lowest to the highest data byte; nothing for no data.
        if (calls.kestrun_image_bounds(image, &window.first, &window.last) != ResultOk)
            return ResultOk;
        window.indent = 0;
    }
    return writeImage(calls, image, value, window, sink, user);
}
