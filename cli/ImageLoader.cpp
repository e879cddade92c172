#include "ImageLoader.h"

#include "LinkedLibrary.h"
#include "core/ImageInput.h"

namespace ImageLoader {

ImagePointer load(const QString &argument, std::uint32_t source, std::int32_t policy,
                  ConflictLog &log, QString &error, InputFormat format)
{
    ImagePointer image(kestrun_image_new());
    if (!image) {
        error = argument + QStringLiteral(": ") + LinkedLibrary::message(ResultNoMemory);
        return nullptr;
    }
    ImageInputOptions options;
    options.format = format;
    options.overlap = policy;
    options.source = source;
    options.onConflict = ConflictLog::collect;
    options.conflictUser = log.userValue();
    const ImageInput in = readImageInput(*LinkedLibrary::calls().image(), image.get(), argument, options);
    if (in.result >= 0)
        return image;
    // A refused overlap names both writers, which the reader's message cannot.
    error = in.result == ResultOverlap && !log.kept().empty() ? log.text(log.kept().back()) : in.error;
    return nullptr;
}

} // namespace ImageLoader
