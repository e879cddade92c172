#include "ConvertCommand.h"

#include "CancelSignal.h"
#include "CheckRequest.h"
#include "ImageOperations.h"
#include "Invocation.h"
#include "StreamingOutput.h"
#include "core/ImageInput.h"
#include "core/ImageText.h"
#include "core/LinkedLibraryCalls.h"
#include "core/LocalPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

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

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr std::size_t kWarned = 5;
constexpr std::uint64_t kBinaryPiece = std::uint64_t(1) << 20;

void printError(const QString &text)
{
    std::fputs(LocalPath::encode(text).append('\n').constData(), stderr);
}

std::uint32_t lineEndCode(const Invocation &invocation)
{
    switch (invocation.newLine.value_or(0)) {
    case 1:
        return KESTRUN_NEWLINE_CR;
    case 2:
        return KESTRUN_NEWLINE_LF;
    default:
        return KESTRUN_NEWLINE_CRLF;
    }
}

std::uint32_t recordLength(const Invocation &invocation)
{
    return invocation.recordLength ? invocation.recordLength->toUInt(nullptr, 16) : 0x20;
}

QString hex8(std::uint32_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(8, u'0');
}

// The conflicts met while reading: the first few for warnings, and the count.
struct Conflicts {
    std::vector<kestrun_conflict> kept;
    std::uint64_t count = 0;

    static std::int32_t keep(const kestrun_conflict *c, std::intptr_t self)
    {
        auto *conflicts = reinterpret_cast<Conflicts *>(self);
        if (c->identical == 0) {
            if (conflicts->kept.size() < kWarned)
                conflicts->kept.push_back(*c);
            ++conflicts->count;
        }
        return ResultOk;
    }
};

QString conflictText(const kestrun_conflict &c)
{
    return QStringLiteral("%1-%2 also written by line %3")
        .arg(hex8(c.low), hex8(c.high), QString::number(c.earlier_line));
}

struct Output {
    StreamingOutput stream;
    explicit Output(const QString &path) : stream(path) {}

    static std::int32_t sink(const char *bytes, std::uint64_t length, std::intptr_t self)
    {
        auto *out = reinterpret_cast<Output *>(self);
        if (CancelSignal::requested() || !out->stream.put(QByteArrayView(bytes, qsizetype(length))))
            return ResultCancelled;
        return ResultOk;
    }
};

struct ImageFree {
    void operator()(kestrun_image *image) const { kestrun_image_free(image); }
};

TextLayout layoutOf(const Invocation &inv)
{
    TextLayout layout;
    layout.recordLength = recordLength(inv);
    layout.lineEnd = lineEndCode(inv);
    layout.addressRecords = inv.addressRecords;
    layout.addressSize = inv.addressSize;
    layout.startAddress = inv.startAddress;
    return layout;
}

std::int32_t writeHex(const ImageCalls &c, const Invocation &inv, const kestrun_image *image,
                      Output &out)
{
    return writeHexText(c, image, layoutOf(inv), Output::sink, std::intptr_t(&out));
}

std::int32_t writeSRecords(const ImageCalls &c, const Invocation &inv, const kestrun_image *image,
                           Output &out)
{
    return writeSRecordText(c, image, layoutOf(inv), Output::sink, std::intptr_t(&out));
}

// From the lowest to the highest data byte, as objcopy -O binary makes it.
std::int32_t writeBinary(const ImageCalls &c, const Invocation &inv, const kestrun_image *image,
                         Output &out)
{
    std::uint32_t lowest = 0, highest = 0;
    if (c.kestrun_image_bounds(image, &lowest, &highest) != ResultOk)
        return ResultOk;
    std::unique_ptr<std::uint8_t[]> piece(new std::uint8_t[kBinaryPiece]);
    const std::uint64_t stop = std::uint64_t(highest) + 1;
    for (std::uint64_t at = lowest; at < stop; at += kBinaryPiece) {
        const std::uint64_t n = std::min(kBinaryPiece, stop - at);
        c.kestrun_image_read(image, std::uint32_t(at), n, inv.fillByte.value_or(0xFF), piece.get());
        if (const std::int32_t rc = Output::sink(reinterpret_cast<const char *>(piece.get()), n,
                                                 std::intptr_t(&out));
            rc < 0)
            return rc;
    }
    return ResultOk;
}

std::int32_t writeDump(const ImageCalls &c, const Invocation &inv, const kestrun_image *image,
                       Output &out)
{
    std::uint32_t lowest = 0, highest = 0;
    if (c.kestrun_image_bounds(image, &lowest, &highest) != ResultOk)
        return ResultOk;
    const kestrun_dump_options o{lineEndCode(inv), 0, inv.fillByte.value_or(0xFF)};
    std::int32_t rc = ResultOk;
    kestrun_dump_writer *w =
        c.kestrun_dump_writer_new(&o, lowest, highest, Output::sink, std::intptr_t(&out), &rc);
    if (!w)
        return rc;
    rc = c.kestrun_dump_writer_image(w, image);
    if (rc >= 0)
        rc = c.kestrun_dump_writer_finish(w);
    c.kestrun_dump_writer_free(w);
    return rc;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat first {
    }, second{};
    return stat(LocalPath::encode(a).constData(), &first) == 0
           && stat(LocalPath::encode(b).constData(), &second) == 0 && first.st_dev == second.st_dev
           && first.st_ino == second.st_ino;
}

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

int ConvertCommand::run()
{
    const Invocation &inv = m_invocation;
    const QString path = inv.output.isEmpty() ? QStringLiteral("-") : inv.output;
    const OutputFormat format =
        inv.to ? *outputFormatNamed(*inv.to) : outputFormatOfFile(path).value_or(OutputFormat::IntelHex);
    const InputArgument argument = splitInputArgument(inv.input);
    auto usage = [](const QString &error) {
        printError(QStringLiteral("kestrun: ") + error);
        printError(QStringLiteral("Try 'kestrun --help' for more information."));
        return kUsage;
    };
    if (path == u"-" && format == OutputFormat::Binary && isatty(STDOUT_FILENO))
        return usage(QStringLiteral("refusing to write a binary image to a terminal; "
                                    "give -o FILE or redirect the output"));
    if (path != u"-" && argument.file != u"-" && sameFile(path, argument.file))
        return usage(QStringLiteral("%1 is the input file; give another -o").arg(path));
    CancelSignal::install();

    const ImageCalls &calls = *linkedImageCalls();
    std::unique_ptr<kestrun_image, ImageFree> image(calls.kestrun_image_new());
    if (!image) {
        printError(inv.input + QStringLiteral(": out of memory"));
        return kFailed;
    }
    Conflicts conflicts;
    ImageInputOptions options;
    options.format = inv.inputFormat;
    options.overlap = inv.overlap;
    options.onConflict = Conflicts::keep;
    options.conflictUser = std::intptr_t(&conflicts);
    const ImageInput in = readImageInput(calls, image.get(), inv.input, options);
    const QString name = argument.file == u"-" ? QStringLiteral("standard input") : argument.file;
    if (in.result == ResultOverlap && !conflicts.kept.empty()) {
        printError(in.error + QStringLiteral(" (%1)").arg(conflictText(conflicts.kept.front())));
        return kFailed;
    }
    if (inv.overlap == KESTRUN_OVERLAP_LAST || inv.overlap == KESTRUN_OVERLAP_FIRST) {
        for (const kestrun_conflict &c : conflicts.kept)
            printError(QStringLiteral("%1:%2: warning: %3 (%4 kept)")
                           .arg(name, QString::number(c.line), conflictText(c),
                                inv.overlap == KESTRUN_OVERLAP_LAST
                                    ? QStringLiteral("the later bytes")
                                    : QStringLiteral("the earlier bytes")));
        if (conflicts.count > kWarned)
            printError(QStringLiteral("%1: warning: %2 more records overwrite other bytes; "
                                      "--overlap error refuses them")
                           .arg(name)
                           .arg(conflicts.count - kWarned));
    }
    if (in.result < 0) {
        printError(in.error);
        return kFailed;
    }
    if (const QString error = applyImageOperations(calls, image.get(), inv.operations);
        !error.isEmpty()) {
        printError(name + QStringLiteral(": ") + error);
        return kFailed;
    }
    // The CRC goes in last, over the image the operations made.
    if (inv.job.insertAt) {
        if (QString error; !CheckRequest(inv.job).insert(image.get(), error)) {
            printError(QStringLiteral("kestrun: --insert-crc: ") + error);
            return kFailed;
        }
    }

    Output out(path);
    QString error;
    if (out.stream.open(error) != OutputTarget::Outcome::Written) {
        printError((path == u"-" ? QStringLiteral("standard output") : path) + QStringLiteral(": ")
                   + error);
        return kFailed;
    }
    std::int32_t rc = ResultOk;
    switch (format) {
    case OutputFormat::IntelHex:
        rc = writeHex(calls, inv, image.get(), out);
        break;
    case OutputFormat::SRecord:
        rc = writeSRecords(calls, inv, image.get(), out);
        break;
    case OutputFormat::Binary:
        rc = writeBinary(calls, inv, image.get(), out);
        break;
    case OutputFormat::Dump:
        rc = writeDump(calls, inv, image.get(), out);
        break;
    }
    const QString outputName = path == u"-" ? QStringLiteral("standard output") : path;
    if (rc < 0) {
        if (out.stream.failed(error)) {
            printError(outputName + QStringLiteral(": ") + error);
        } else if (rc == ResultAddressFault) {
            printError(outputName
                       + QStringLiteral(": the image's addresses do not fit the output's address "
                                        "records or size"));
        } else {
            printError(outputName + QStringLiteral(": cancelled (%1)").arg(rc));
        }
        return kFailed;
    }
    if (out.stream.finish(error) != OutputTarget::Outcome::Written) {
        printError(outputName + QStringLiteral(": ") + error);
        return kFailed;
    }
    return 0;
}
