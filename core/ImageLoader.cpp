#include "core/ImageLoader.h"

#include "core/FilePieces.h"
#include "core/ResultMessage.h"

#include <algorithm>

namespace ImageLoader {

namespace {

ImageInputOptions optionsFor(const Request &request, ConflictLog &log)
{
    ImageInputOptions options;
    options.format = request.format;
    options.overlap = request.policy;
    options.source = request.source;
    options.onConflict = ConflictLog::collect;
    options.conflictUser = log.userValue();
    options.progress = request.progress;
    options.progressUser = request.progressUser;
    return options;
}

ImageHandle taken(ImageHandle image, const ImageInput &in, const Request &request, ConflictLog &log,
                  QString &error, const kestrun_conflict &refused)
{
    log.note(in.warnings);
    if (in.result >= 0)
        return image;
    if (request.place)
        *request.place = in.place;
    error = in.result == ResultOverlap && log.count() > 0 ? log.text(refused) : in.error;
    return ImageHandle(nullptr, image.get_deleter());
}

// The refused record's conflict, met again, and the records after it
// while they carry its stretch on.
struct Stretch {
    kestrun_conflict whole;
    bool identicalCounts;
    bool met = false;
    bool over = false;

    static std::int32_t extend(const kestrun_conflict *c, std::intptr_t self)
    {
        auto *s = reinterpret_cast<Stretch *>(self);
        if (s->over || (c->identical && !s->identicalCounts) || c->source != s->whole.source)
            return ResultOk;
        if (c->line == s->whole.line)
            s->met = true;
        else if (s->met && (c->low < s->whole.low || c->low > std::uint64_t(s->whole.high) + 1))
            s->over = true;
        else if (s->met)
            s->whole.high = std::max(s->whole.high, c->high);
        return ResultOk;
    }
};

} // namespace

kestrun_conflict wholeConflict(const ImageCalls &calls, const QString &argument,
                               ImageInputOptions options, const kestrun_conflict &refused)
{
    const ImageHandle scratch = newImage(calls);
    if (!scratch || splitInputArgument(argument).file == u"-")
        return refused;
    Stretch stretch{refused, options.overlap == KESTRUN_OVERLAP_REFUSE};
    options.overlap = KESTRUN_OVERLAP_FIRST;
    options.onConflict = Stretch::extend;
    options.conflictUser = std::intptr_t(&stretch);
    options.progress = nullptr;
    readImageInput(calls, scratch.get(), argument, options);
    return stretch.whole;
}

ImageHandle load(const ImageCalls &calls, const QString &argument, const Request &request,
                 ConflictLog &log, QString &error)
{
    ImageHandle image = newImage(calls);
    if (!image) {
        error = argument + QStringLiteral(": ") + resultMessage(calls.GetErrorString, ResultNoMemory);
        return image;
    }
    const ImageInputOptions options = optionsFor(request, log);
    const ImageInput in = readImageInput(calls, image.get(), argument, options);
    const kestrun_conflict refused = in.result == ResultOverlap && log.count() > 0
                                         ? wholeConflict(calls, argument, options, log.refused())
                                         : log.refused();
    return taken(std::move(image), in, request, log, error, refused);
}

ImageHandle load(const ImageCalls &calls, InputPieces &source, const InputArgument &argument,
                 const Request &request, ConflictLog &log, QString &error)
{
    ImageHandle image = newImage(calls);
    if (!image) {
        error = argument.file + QStringLiteral(": ")
                + resultMessage(calls.GetErrorString, ResultNoMemory);
        return image;
    }
    const ImageInput in =
        readImageInput(calls, image.get(), source, argument, optionsFor(request, log));
    return taken(std::move(image), in, request, log, error, log.refused());
}

} // namespace ImageLoader
