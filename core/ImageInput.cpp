#include "core/ImageInput.h"

#include "core/ConversionPlan.h"
#include "core/Cp932.h"
#include "core/ElfInput.h"
#include "core/FilePieces.h"
#include "core/HexErrorLine.h"
#include "core/HexNumber.h"
#include "core/LocalPath.h"
#include "core/ResultMessage.h"

#include <QByteArray>

#include <sys/stat.h>

#include <utility>

namespace {

constexpr std::pair<const char *, InputFormat> kFormatNames[] = {
    {"auto", InputFormat::Detect},  {"ihex", InputFormat::IntelHex}, {"srec", InputFormat::SRecord},
    {"elf", InputFormat::Elf},      {"bin", InputFormat::Binary},
};

// Enough of a text to tell its format.
constexpr qsizetype kSniffed = 4096;

QString displayName(const QString &file)
{
    return file == u"-" ? QStringLiteral("standard input") : file;
}

QString libraryMessage(const ImageCalls &calls, std::int32_t code)
{
    const QString message = resultMessage(calls.GetErrorString, code);
    return message.isEmpty() ? QStringLiteral("failed (%1)").arg(code) : message;
}

// The next piece of `source`, or the piece held back from sniffing first.
struct Pieces {
    InputPieces &source;
    QByteArray head;
    bool headGiven = false;

    bool next(QByteArrayView &piece)
    {
        if (!headGiven) {
            headGiven = true;
            if (!head.isEmpty()) {
                piece = head;
                return true;
            }
        }
        return source.next(piece);
    }
};

// The first bytes of `source`, kept for the reader that follows.
bool sniff(Pieces &pieces)
{
    QByteArrayView piece;
    while (pieces.head.size() < kSniffed) {
        if (!pieces.source.next(piece))
            return false;
        if (piece.isEmpty())
            break;
        pieces.head.append(piece);
    }
    return true;
}

InputFormat detected(const ImageCalls &calls, const QByteArray &head)
{
    switch (calls.kestrun_detect_format(reinterpret_cast<const std::uint8_t *>(head.constData()),
                                        std::uint64_t(head.size()))) {
    case KESTRUN_FORMAT_IHEX:
        return InputFormat::IntelHex;
    case KESTRUN_FORMAT_SREC:
        return InputFormat::SRecord;
    case KESTRUN_FORMAT_ELF:
        return InputFormat::Elf;
    default:
        return InputFormat::Binary;
    }
}

// A text format's reader, through the calls of its own handle type.
template <typename Reader> struct TextCalls {
    Reader *(*make)(kestrun_image *);
    void (*free)(Reader *);
    std::int32_t (*overlap)(Reader *, std::int32_t);
    void (*source)(Reader *, std::uint32_t);
    void (*conflict)(Reader *, kestrun_conflict_fn, std::intptr_t);
    void (*progress)(Reader *, ProgressCallback, std::uint64_t, std::intptr_t);
    std::int32_t (*feed)(Reader *, const char *, std::uint64_t);
    std::int32_t (*finish)(Reader *);
    std::int32_t (*place)(const Reader *, kestrun_place *);
};

template <typename Reader, typename Stats>
void readText(const ImageCalls &calls, const TextCalls<Reader> &t, void (*stats)(const Reader *, Stats *),
              Stats &counted, kestrun_image *image, Pieces &pieces, const ImageInputOptions &o,
              ImageInput &in)
{
    Reader *reader = t.make(image);
    if (!reader) {
        in.result = ResultNoMemory;
        in.error = displayName(in.argument.file) + QStringLiteral(": ") + libraryMessage(calls, in.result);
        return;
    }
    t.overlap(reader, o.overlap);
    t.source(reader, o.source);
    t.conflict(reader, o.onConflict, o.conflictUser);
    t.progress(reader, o.progress, pieces.source.size(), o.progressUser);
    std::int32_t rc = ResultOk;
    QByteArrayView piece;
    bool readFailed = false;
    while (rc == ResultOk) {
        if (!pieces.next(piece)) {
            readFailed = true;
            break;
        }
        if (piece.isEmpty())
            break;
        rc = t.feed(reader, piece.data(), std::uint64_t(piece.size()));
    }
    if (rc >= 0 && !readFailed)
        rc = t.finish(reader);
    stats(reader, &counted);
    const QString name = displayName(in.argument.file);
    kestrun_place at{};
    if (readFailed) {
        in.result = ResultBadArgument;
        in.error = name + QStringLiteral(": ") + pieces.source.error();
    } else if (rc < 0) {
        in.result = rc;
        QString message = libraryMessage(calls, rc);
        if (t.place(reader, &at) < 0) {
            in.place = at;
            if (at.result == rc)
                message = placeMessage(calls.GetErrorString, at);
            if (at.no_end_record)
                message += QStringLiteral(" (%1)").arg(HexErrorLine::noEndRecordNote());
            in.error = name + u':' + QString::number(at.line) + QStringLiteral(": ") + message;
        } else {
            in.error = name + QStringLiteral(": ") + message;
        }
    }
    t.free(reader);
}

void readBinary(const ImageCalls &calls, kestrun_image *image, Pieces &pieces,
                const ImageInputOptions &o, ImageInput &in)
{
    std::uint64_t at = in.argument.address.value_or(0);
    QByteArrayView piece;
    const QString name = displayName(in.argument.file);
    for (;;) {
        if (!pieces.next(piece)) {
            in.result = ResultBadArgument;
            in.error = name + QStringLiteral(": ") + pieces.source.error();
            return;
        }
        if (piece.isEmpty())
            return;
        const std::uint64_t n = std::uint64_t(piece.size());
        if (at + n > (std::uint64_t(1) << 32)) {
            in.result = ResultAddressFault;
            in.error = name + QStringLiteral(": the bytes pass address FFFFFFFF");
            return;
        }
        in.result = calls.kestrun_image_store(image, std::uint32_t(at),
                                              reinterpret_cast<const std::uint8_t *>(piece.data()),
                                              n, o.overlap, o.source, o.onConflict, o.conflictUser);
        if (in.result < 0) {
            in.error = name + QStringLiteral(": ") + libraryMessage(calls, in.result);
            return;
        }
        if (o.progress)
            o.progress(std::int32_t(std::min<std::uint64_t>(at + n, INT32_MAX)), INT32_MAX,
                       o.progressUser);
        at += n;
    }
}

void readElf(const ImageCalls &calls, kestrun_image *image, Pieces &pieces,
             const ImageInputOptions &o, ImageInput &in)
{
    // ELF files are read whole: their headers point anywhere in them.
    QByteArray bytes;
    QByteArrayView piece;
    const QString name = displayName(in.argument.file);
    for (;;) {
        if (!pieces.next(piece)) {
            in.result = ResultBadArgument;
            in.error = name + QStringLiteral(": ") + pieces.source.error();
            return;
        }
        if (piece.isEmpty())
            break;
        bytes.append(piece);
    }
    const QString error = ElfInput::read(
        calls, image, bytes, ElfInput::Store{o.overlap, o.source, o.onConflict, o.conflictUser},
        &in.result);
    if (!error.isEmpty())
        in.error = name + QStringLiteral(": ") + error;
}

} // namespace

std::optional<InputFormat> inputFormatNamed(QStringView word)
{
    for (const auto &[name, format] : kFormatNames)
        if (word == QLatin1String(name))
            return format;
    return std::nullopt;
}

QString inputFormatName(InputFormat format)
{
    for (const auto &[name, value] : kFormatNames)
        if (value == format)
            return QLatin1String(name);
    return QString();
}

InputArgument splitInputArgument(const QString &argument)
{
    struct stat info {};
    const qsizetype at = argument.lastIndexOf(u'@');
    if (at <= 0 || ::stat(LocalPath::encode(argument).constData(), &info) == 0)
        return InputArgument{argument, std::nullopt};
    const std::optional<std::uint64_t> address = HexNumber::read(QStringView(argument).sliced(at + 1));
    if (!address)
        return InputArgument{argument, std::nullopt, true};
    return InputArgument{argument.left(at), std::uint32_t(*address)};
}

ImageInput readImageInput(const ImageCalls &calls, kestrun_image *image, const QString &argument,
                          const ImageInputOptions &options)
{
    const InputArgument split = splitInputArgument(argument);
    FilePieces file;
    if (!file.open(split.file)) {
        ImageInput in;
        in.argument = split;
        in.result = ResultBadArgument;
        in.error = displayName(split.file) + QStringLiteral(": ") + file.error();
        return in;
    }
    return readImageInput(calls, image, file, split, options);
}

ImageInput readImageInput(const ImageCalls &calls, kestrun_image *image, InputPieces &source,
                          const InputArgument &argument, const ImageInputOptions &options)
{
    ImageInput in;
    in.argument = argument;
    const QString name = displayName(argument.file);
    if (argument.address && options.format != InputFormat::Detect
        && options.format != InputFormat::Binary) {
        in.result = ResultBadArgument;
        in.error = name + QStringLiteral(": an @ADDR address is for binary input, not %1")
                              .arg(inputFormatName(options.format));
        return in;
    }
    Pieces pieces{source, {}, false};
    in.format = argument.address ? InputFormat::Binary : options.format;
    if (in.format == InputFormat::Detect) {
        if (!sniff(pieces)) {
            in.result = ResultBadArgument;
            in.error = name + QStringLiteral(": ") + source.error();
            return in;
        }
        in.format = detected(calls, pieces.head);
    }
    switch (in.format) {
    case InputFormat::IntelHex: {
        const TextCalls<kestrun_hex_reader> t{
            calls.kestrun_hex_reader_new,         calls.kestrun_hex_reader_free,
            calls.kestrun_hex_reader_set_overlap, calls.kestrun_hex_reader_set_source,
            calls.kestrun_hex_reader_on_conflict, calls.kestrun_hex_reader_on_progress,
            calls.kestrun_hex_reader_feed,        calls.kestrun_hex_reader_finish,
            calls.kestrun_hex_reader_place};
        readText(calls, t, calls.kestrun_hex_reader_stats, in.hexStats, image, pieces, options, in);
        break;
    }
    case InputFormat::SRecord: {
        const TextCalls<kestrun_srec_reader> t{
            calls.kestrun_srec_reader_new,         calls.kestrun_srec_reader_free,
            calls.kestrun_srec_reader_set_overlap, calls.kestrun_srec_reader_set_source,
            calls.kestrun_srec_reader_on_conflict, calls.kestrun_srec_reader_on_progress,
            calls.kestrun_srec_reader_feed,        calls.kestrun_srec_reader_finish,
            calls.kestrun_srec_reader_place};
        readText(calls, t, calls.kestrun_srec_reader_stats, in.srecStats, image, pieces, options,
                 in);
        break;
    }
    case InputFormat::Elf:
        readElf(calls, image, pieces, options, in);
        break;
    case InputFormat::Binary:
    case InputFormat::Detect:
        readBinary(calls, image, pieces, options, in);
        break;
    }
    return in;
}
