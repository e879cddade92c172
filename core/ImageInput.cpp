#include "core/ImageInput.h"

#include "core/ConversionPlan.h"
#include "core/Cp932.h"
#include "core/FilePieces.h"
#include "core/FormatList.h"
#include "core/HexErrorLine.h"
#include "core/HexNumber.h"
#include "core/LocalPath.h"
#include "core/ReaderFault.h"
#include "core/ResultMessage.h"

#include <QByteArray>
#include <QCoreApplication>

#include <sys/stat.h>

namespace {

// A file named with an extension of a format whose content can be told,
// that shows none, is read as that format, whose reader says what is wrong
// (a Git LFS pointer named fw.elf is no ELF file), rather than as binary at 0.
std::optional<InputFormat> formatOfName(const ImageCalls &calls, const QString &file)
{
    const auto value =
        FormatList::ofFile(calls, file, KESTRUN_FORMAT_FLAG_READ | KESTRUN_FORMAT_FLAG_DETECT);
    return value ? std::optional(InputFormat(*value)) : std::nullopt;
}

// Enough of a text to tell its format.

QString displayName(const QString &file)
{
    return file == u"-" ? QCoreApplication::translate("ImageInput", "標準入力") : file;
}

QString libraryMessage(const ImageCalls &calls, std::int32_t code)
{
    const QString message = resultMessage(calls.GetErrorString, code);
    return message.isEmpty()
               ? QCoreApplication::translate("ImageInput", "失敗しました (%1)").arg(code)
               : message;
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
    while (pieces.head.size() < kSniffedBytes) {
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
    return InputFormat(calls.kestrun_detect_format(
        reinterpret_cast<const std::uint8_t *>(head.constData()), std::uint64_t(head.size())));
}

// What is wrong, as "FILE:LINE: message" for a record of a text and
// "FILE: message" otherwise, the reader's fault (which ELF section, what
// was cut short) standing for the bare message where it has one.
QString failure(const ImageCalls &calls, kestrun_reader *reader, std::int32_t rc,
                const QString &name, ImageInput &in)
{
    kestrun_place at{};
    QString message = libraryMessage(calls, rc);
    const bool placed = calls.kestrun_reader_place(reader, &at) < 0;
    if (placed)
        in.place = at;
    if (kestrun_fault fault{}; calls.kestrun_reader_fault(reader, &fault) != KESTRUN_FAULT_NONE)
        return name + (placed && at.line ? u':' + QString::number(at.line) : QString())
               + QStringLiteral(": ") + ReaderFault::message(fault, message);
    if (!placed || at.line == 0)
        return name + QStringLiteral(": ") + message;
    if (at.result == rc)
        message = placeMessage(calls.GetErrorString, at);
    if (at.no_end_record)
        message += QStringLiteral(" (%1)").arg(HexErrorLine::noEndRecordNote());
    return name + u':' + QString::number(at.line) + QStringLiteral(": ") + message;
}

// Feeds the input to the one reader of its format, piece by piece.
void readThrough(const ImageCalls &calls, kestrun_image *image, Pieces &pieces,
                 const ImageInputOptions &o, ImageInput &in)
{
    const QString name = displayName(in.argument.file);
    std::int32_t rc = ResultOk;
    kestrun_reader *reader = calls.kestrun_reader_new(std::int32_t(in.format), image, &rc);
    if (!reader) {
        in.result = rc;
        in.error = name + QStringLiteral(": ") + libraryMessage(calls, rc);
        return;
    }
    calls.kestrun_reader_set_overlap(reader, o.overlap);
    calls.kestrun_reader_set_source(reader, o.source);
    calls.kestrun_reader_on_conflict(reader, o.onConflict, o.conflictUser);
    calls.kestrun_reader_on_progress(reader, o.progress, pieces.source.size(), o.progressUser);
    calls.kestrun_reader_on_record(reader, o.onRecord, o.recordUser);
    if (in.argument.address)
        calls.kestrun_reader_set_address(reader, *in.argument.address);
    if (o.window)
        calls.kestrun_reader_set_window(reader, o.window->low, o.window->high);
    if (o.part)
        calls.kestrun_reader_set_origin(reader, o.part->offset, o.part->line);
    if (o.acceptChecksums)
        calls.kestrun_reader_set_checksums(reader, KESTRUN_CHECKSUMS_ACCEPT);
    QByteArrayView piece;
    bool readFailed = false;
    while (rc == ResultOk) {
        if (!pieces.next(piece)) {
            readFailed = true;
            break;
        }
        if (piece.isEmpty())
            break;
        rc = calls.kestrun_reader_feed(reader, piece.data(), std::uint64_t(piece.size()));
        // The end of a HEX text: what follows is only looked at, for a
        // line that is not blank.
        if (rc == KESTRUN_END_READ && !calls.kestrun_reader_past_end(reader, nullptr))
            rc = ResultOk;
    }
    if (rc == KESTRUN_END_READ)
        rc = ResultOk;
    if (rc >= 0 && !readFailed && !o.part)
        rc = calls.kestrun_reader_finish(reader);
    calls.kestrun_reader_stats(reader, &in.stats);
    if (std::uint32_t family = 0; calls.kestrun_reader_family(reader, &family) == 1)
        in.family = family;
    if (kestrun_place at{}; rc >= 0 && calls.kestrun_reader_past_end(reader, &at)) {
        in.pastEnd = at;
        in.warnings << pastEndWarning(name, in.format, at);
    }
    if (readFailed) {
        in.result = ResultBadArgument;
        in.sourceFailed = true;
        in.sourceError = pieces.source.error();
        in.error = name + QStringLiteral(": ") + in.sourceError;
    } else if (rc < 0) {
        in.result = rc;
        in.error = failure(calls, reader, rc, name, in);
    }
    calls.kestrun_reader_free(reader);
}

} // namespace

QString pastEndWarning(const QString &name, InputFormat format, const kestrun_place &at)
{
    const QString message =
        format == InputFormat::IntelHex
            ? QCoreApplication::translate("ImageInput",
                                          "ｴﾝﾄﾞﾚｺｰﾄﾞの後に行があります。読まずに捨てました")
            : QCoreApplication::translate("ImageInput",
                                          "終了ﾚｺｰﾄﾞ (S7/S8/S9) の後にﾚｺｰﾄﾞがあります。"
                                          "それも読みました");
    return name + u':' + QString::number(at.line) + QStringLiteral(": ")
           + QCoreApplication::translate("ImageInput", "警告: ") + message;
}

std::optional<InputFormat> inputFormatNamed(const ImageCalls &calls, QStringView word)
{
    if (word == u"auto")
        return InputFormat::Detect;
    const auto value = FormatList::named(calls, word, KESTRUN_FORMAT_FLAG_READ);
    return value ? std::optional(InputFormat(*value)) : std::nullopt;
}

QString inputFormatName(const ImageCalls &calls, InputFormat format)
{
    return format == InputFormat::Detect ? QStringLiteral("auto")
                                         : FormatList::name(calls, std::int32_t(format));
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
        in.error =
            name
            + QCoreApplication::translate(
                  "ImageInput", ": @ADDR のアドレスはバイナリ入力のためのもので、%1 には使えません")
                  .arg(inputFormatName(calls, options.format));
        return in;
    }
    Pieces pieces{source, {}, false};
    in.format = argument.address ? InputFormat::Binary : options.format;
    if (in.format == InputFormat::Detect) {
        if (!sniff(pieces)) {
            in.result = ResultBadArgument;
            in.sourceFailed = true;
            in.sourceError = source.error();
            in.error = name + QStringLiteral(": ") + in.sourceError;
            return in;
        }
        in.format = detected(calls, pieces.head);
        if (in.format == InputFormat::Binary)
            in.format = formatOfName(calls, argument.file).value_or(options.undetected);
    }
    if (in.format == InputFormat::Detect)
        in.format = InputFormat::Binary;
    readThrough(calls, image, pieces, options, in);
    return in;
}

std::optional<std::uint64_t> resumePointNearMiddle(const ImageCalls &calls,
                                                   const InputPieces &text, std::int32_t format)
{
    constexpr std::uint64_t kSearch = std::uint64_t(4) << 20;
    const std::uint64_t middle = text.size() / 2;
    const std::unique_ptr<InputPieces> near = text.part(middle, middle + kSearch);
    QByteArray seen;
    QByteArrayView piece;
    while (near && near->next(piece) && !piece.isEmpty()) {
        seen.append(piece);
        const std::int64_t at =
            calls.kestrun_resume_point(format, seen.constData(), std::uint64_t(seen.size()));
        if (at >= 0)
            return middle + std::uint64_t(at);
    }
    return std::nullopt;
}
