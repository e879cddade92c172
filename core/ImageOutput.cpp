#include "core/ImageOutput.h"

#include <algorithm>
#include <memory>
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

// Binary output goes to the sink a piece at a time: an image of any span
// costs this much memory.
constexpr std::uint64_t kBinaryPiece = std::uint64_t(1) << 20;

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
    switch (format) {
    case OutputFormat::IntelHex:
        return writeHexText(calls, image, layout, sink, user);
    case OutputFormat::SRecord:
        return writeSRecordText(calls, image, layout, sink, user);
    case OutputFormat::Binary:
        return writeBinary(calls, image, sink, user);
    case OutputFormat::Dump:
        return writeDump(calls, image, sink, user);
    }
    return ResultBadArgument;
}

std::int32_t ImageOutput::writeBinary(const ImageCalls &calls, const kestrun_image *image,
                                      kestrun_sink_fn sink, std::intptr_t user) const
{
    std::uint32_t lowest = 0, highest = 0;
    if (calls.kestrun_image_bounds(image, &lowest, &highest) != ResultOk)
        return ResultOk;
    std::unique_ptr<std::uint8_t[]> piece(new std::uint8_t[kBinaryPiece]);
    const std::uint64_t stop = std::uint64_t(highest) + 1;
    for (std::uint64_t at = lowest; at < stop; at += kBinaryPiece) {
        const std::uint64_t n = std::min(kBinaryPiece, stop - at);
        calls.kestrun_image_read(image, std::uint32_t(at), n, fillByte, piece.get());
        if (const std::int32_t rc = sink(reinterpret_cast<const char *>(piece.get()), n, user);
            rc < 0)
            return rc;
    }
    return ResultOk;
}

std::int32_t ImageOutput::writeDump(const ImageCalls &calls, const kestrun_image *image,
                                    kestrun_sink_fn sink, std::intptr_t user) const
{
    std::uint32_t lowest = 0, highest = 0;
    if (calls.kestrun_image_bounds(image, &lowest, &highest) != ResultOk)
        return ResultOk;
    const kestrun_dump_options options{layout.lineEnd, 0, fillByte};
    std::int32_t rc = ResultOk;
    kestrun_dump_writer *writer =
        calls.kestrun_dump_writer_new(&options, lowest, highest, sink, user, &rc);
    if (!writer)
        return rc;
    rc = calls.kestrun_dump_writer_image(writer, image);
    if (rc >= 0)
        rc = calls.kestrun_dump_writer_finish(writer);
    calls.kestrun_dump_writer_free(writer);
    return rc;
}
