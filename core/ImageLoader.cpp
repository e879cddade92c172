#include "core/ImageLoader.h"

#include "core/FilePieces.h"
#include "core/ResultMessage.h"

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
                  QString &error)
{
    log.note(in.warnings);
    if (in.result >= 0)
        return image;
    if (request.place)
        *request.place = in.place;
    error =
        in.result == ResultOverlap && log.count() > 0 ? log.text(log.refused()) : in.error;
    return ImageHandle(nullptr, image.get_deleter());
}

} // namespace

ImageHandle load(const ImageCalls &calls, const QString &argument, const Request &request,
                 ConflictLog &log, QString &error)
{
    ImageHandle image = newImage(calls);
    if (!image) {
        error = argument + QStringLiteral(": ") + resultMessage(calls.GetErrorString, ResultNoMemory);
        return image;
    }
    const ImageInput in = readImageInput(calls, image.get(), argument, optionsFor(request, log));
    return taken(std::move(image), in, request, log, error);
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
    return taken(std::move(image), in, request, log, error);
}

} // namespace ImageLoader
