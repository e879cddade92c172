#include "ConvertCommand.h"

#include "CancelSignal.h"
#include "CheckRequest.h"
#include "ImageOperations.h"
#include "ImageOutputFile.h"
#include "Invocation.h"
#include "MessageLanguage.h"
#include "OutputCheck.h"
#include "StampOperations.h"
#include "core/ImageInput.h"
#include "core/ImageLoader.h"
#include "core/LinkedLibraryCalls.h"
#include "core/LocalPath.h"

#include <QByteArray>

#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr std::size_t kWarned = 5;

void printError(const QString &text)
{
    std::fputs(LocalPath::encode(text).append('\n').constData(), stderr);
}

QString hex8(std::uint32_t value)
{
    return QString::number(value, 16).toUpper().rightJustified(8, u'0');
}

// The conflicts met while reading: the first few for warnings, the count,
// and the last record's as one, for a refusal.
struct Conflicts {
    std::vector<kestrun_conflict> kept;
    std::uint64_t count = 0;
    kestrun_conflict record{};

    static std::int32_t keep(const kestrun_conflict *c, std::intptr_t self)
    {
        auto *conflicts = reinterpret_cast<Conflicts *>(self);
        if (c->identical == 0) {
            if (conflicts->kept.size() < kWarned)
                conflicts->kept.push_back(*c);
            ConflictLog::fold(conflicts->record, *c, conflicts->count == 0);
            ++conflicts->count;
        }
        return ResultOk;
    }
};

// An ELF file's segments have no lines: its bytes count as line 0.
QString conflictText(const kestrun_conflict &c)
{
    if (c.earlier_line == 0)
        return MessageLanguage::text("%1-%2 also written by another segment").arg(hex8(c.low), hex8(c.high));
    return MessageLanguage::text("%1-%2 also written by line %3")
        .arg(hex8(c.low), hex8(c.high), QString::number(c.earlier_line));
}

QString placeOf(const QString &name, std::uint64_t line)
{
    return line ? name + u':' + QString::number(line) : name;
}

struct ImageFree {
    void operator()(kestrun_image *image) const { kestrun_image_free(image); }
};

} // namespace

int ConvertCommand::run()
{
    const Invocation &inv = m_invocation;
    const InputArgument argument = splitInputArgument(inv.input);
    const std::uint32_t images = imageCount(inv.operations);
    for (std::uint32_t index = 1; index <= images; ++index) {
        const QString output = StampOperations::outputName(inv.output, index);
        const QString named = !output.isEmpty() ? output : inv.output.isEmpty() ? QStringLiteral("-") : inv.output;
        if (const QString refusal = OutputCheck::refusal(
                named, {inv.input}, ImageOutputFile::formatOf(inv) == OutputFormat::Binary);
            !refusal.isEmpty()) {
            printError(QStringLiteral("kestrun: ") + refusal);
            printError(MessageLanguage::text("Try 'kestrun --help' for more information."));
            return kUsage;
        }
    }
    CancelSignal::install();

    const ImageCalls &calls = *linkedImageCalls();
    std::unique_ptr<kestrun_image, ImageFree> image(calls.kestrun_image_new());
    if (!image) {
        printError(inv.input + MessageLanguage::text(": out of memory"));
        return kFailed;
    }
    Conflicts conflicts;
    ImageInputOptions options;
    options.format = inv.inputFormat;
    options.overlap = inv.overlap;
    options.source = 1;
    options.onConflict = Conflicts::keep;
    options.conflictUser = std::intptr_t(&conflicts);
    const ImageInput in = readImageInput(calls, image.get(), inv.input, options);
    const QString name =
        argument.file == u"-" ? MessageLanguage::text("standard input") : argument.file;
    if (in.result == ResultOverlap && !conflicts.kept.empty()) {
        printError(in.error
                   + QStringLiteral(" (%1)").arg(conflictText(ImageLoader::wholeConflict(
                       calls, inv.input, options, conflicts.record))));
        return kFailed;
    }
    if (inv.overlap == KESTRUN_OVERLAP_LAST || inv.overlap == KESTRUN_OVERLAP_FIRST) {
        for (const kestrun_conflict &c : conflicts.kept)
            printError(MessageLanguage::text("%1: warning: %2 (%3 kept)")
                           .arg(placeOf(name, c.line), conflictText(c),
                                inv.overlap == KESTRUN_OVERLAP_LAST
                                    ? MessageLanguage::text("the later bytes")
                                    : MessageLanguage::text("the earlier bytes")));
        if (conflicts.count > kWarned)
            printError(MessageLanguage::text("%1: warning: %2 more records overwrite other bytes; "
                                             "--overlap error refuses them")
                           .arg(name)
                           .arg(conflicts.count - kWarned));
    }
    if (in.result < 0) {
        printError(in.error);
        return kFailed;
    }
    for (const QString &warning : in.warnings)
        printError(warning);
    // One image is made in place; several each from a copy of the input's.
    for (std::uint32_t index = 1; index <= images; ++index) {
        std::unique_ptr<kestrun_image, ImageFree> copy;
        if (images > 1) {
            copy.reset(calls.kestrun_image_new());
            if (!copy || calls.kestrun_image_merge(copy.get(), image.get(), 1, KESTRUN_OVERLAP_LAST,
                                                   nullptr, 0, nullptr) < 0) {
                printError(name + QStringLiteral(": out of memory"));
                return kFailed;
            }
            std::uint32_t type = 0, start = 0;
            calls.kestrun_image_start(image.get(), &type, &start);
            calls.kestrun_image_set_start(copy.get(), type, start);
        }
        Invocation one = inv;
        if (images > 1 || !StampOperations::outputName(inv.output, 1).isEmpty())
            one.output = StampOperations::outputName(inv.output, index);
        if (const int status = makeImage(one, copy ? copy.get() : image.get(), name, index);
            status != 0)
            return status;
    }
    return 0;
}

// Applies the operations and the CRC to `image`, the `index`th of the
// input's, and writes it.
int ConvertCommand::makeImage(const Invocation &inv, kestrun_image *image, const QString &name,
                              std::uint32_t index)
{
    const ImageCalls &calls = *linkedImageCalls();
    OperationContext context;
    context.policy = inv.overlapGiven ? inv.overlap : KESTRUN_OVERLAP_REFUSE;
    context.index = index;
    if (const QString error = applyImageOperations(calls, image, inv.operations, &context);
        !error.isEmpty()) {
        printError(name + QStringLiteral(": ") + error);
        return kFailed;
    }
    // The same notes for every image: said for the first.
    if (index == 1)
        for (const QString &note : context.notes)
            printError(note);
    // The CRC goes in last, over the image the operations made.
    if (inv.job.insertAt) {
        QString error, warning;
        if (!CheckRequest(inv.job).insert(image, {name}, context.policy, error, warning)) {
            printError(QStringLiteral("kestrun: --insert-crc: ") + error);
            return kFailed;
        }
        if (!warning.isEmpty() && index == 1)
            printError(warning);
    }
    return ImageOutputFile::write(inv, calls, image);
}
