// HexToBinary: the reader over one whole NUL-terminated text, then one
// window of the image copied into the caller's buffer. Only that copy
// fills the rest, so every byte of the window is touched once.
#include "exports.h"
#include "guard.h"
#include "hex_reader.h"

#include <algorithm>
#include <cstring>

namespace kestrun {

namespace {

struct Conversion {
    uint8_t *image;
    uint32_t capacity;
    uint32_t *imageSize;
    uint32_t start;
    uint32_t *end;
    uint8_t fill;
};

// Window size and the copy into the caller's buffer, after the end record or
// a cancellation. An automatic end with no data is an empty window.
int32_t finish(const Conversion &c, int32_t result, bool emptyWindow, const Image &image)
{
    const int64_t size = emptyWindow ? 0 : int64_t(*c.end) - int64_t(c.start) + 1;
    if (size < 0) {
        // An end below the start: the caller asked for a window that cannot
        // exist; the wrapped size tells it as a huge one, as it always has.
        *c.imageSize = static_cast<uint32_t>(size);
        return ResultOverflow;
    }
    *c.imageSize = static_cast<uint32_t>(std::min<int64_t>(size, UINT32_MAX));
    if (size > int64_t(c.capacity))
        return ResultOverflow;
    image.copyWindow(c.start, uint64_t(size), c.fill, c.image);
    return result;
}

int32_t convert(const Conversion &c, const char *text, int32_t textLength, intptr_t userValue,
                ProgressCallback progress)
{
    Image image;
    HexReader reader(&image);
    // The callback gets the text's offsets and the caller's length as they
    // are, whatever that length says.
    reader.progress.callback = progress;
    reader.progress.userValue = userValue;
    reader.progress.total = textLength;

    int32_t result = reader.feed(text, std::strlen(text));
    if (result == ResultOk)
        result = reader.finish();
    if (result == ResultCancelled)
        return finish(c, ResultCancelled, false, image);
    if (result < 0)
        return result;
    // The automatic end is the highest byte written, whatever the order of
    // the records.
    const bool automatic = *c.end == 0;
    if (automatic)
        *c.end = image.empty() ? UINT32_MAX : static_cast<uint32_t>(image.highest() - 1);
    return finish(c, ResultOk, automatic && image.empty(), image);
}

} // namespace

} // namespace kestrun

using namespace kestrun;

extern "C" KESTRUN_API int32_t HexToBinary(const char *text, uint8_t *image, int32_t textLength,
                                           uint32_t capacity, uint32_t *imageSize,
                                           const uint32_t *start, uint32_t *end, uint32_t fill,
                                           intptr_t userValue, ProgressCallback progress)
{
    return guarded([&] {
        const Conversion c{image, capacity, imageSize, *start, end, static_cast<uint8_t>(fill)};
        return convert(c, text, textLength, userValue, progress);
    });
}
