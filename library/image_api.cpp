// The image interface's exports over the sparse image.
#include "image.h"

#include "byte_sum.h"
#include "guard.h"

#include <algorithm>
#include <cstring>
#include <new>

using namespace kestrun;

extern "C" {

KESTRUN_API kestrun_image *kestrun_image_new(void)
{
    return new (std::nothrow) kestrun_image;
}

KESTRUN_API void kestrun_image_free(kestrun_image *image)
{
    delete image;
}

KESTRUN_API int32_t kestrun_image_put(kestrun_image *image, uint32_t address, const uint8_t *bytes,
                                      uint64_t count)
{
    if (!image || (!bytes && count > 0))
        return ResultBadArgument;
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    return guarded([&] { return image->image.store(address, bytes, count, Writer{}, {}, nullptr); });
}

KESTRUN_API uint64_t kestrun_image_data_bytes(const kestrun_image *image)
{
    return image ? image->image.dataBytes() : 0;
}

KESTRUN_API int32_t kestrun_image_bounds(const kestrun_image *image, uint32_t *lowest,
                                         uint32_t *highest)
{
    if (!image || !lowest || !highest)
        return ResultBadArgument;
    if (image->image.empty())
        return ResultOverflow;
    *lowest = static_cast<uint32_t>(image->image.lowest());
    *highest = static_cast<uint32_t>(image->image.highest() - 1);
    return ResultOk;
}

KESTRUN_API int32_t kestrun_image_next(const kestrun_image *image, uint64_t from,
                                       kestrun_segment *segment)
{
    if (!image || !segment)
        return ResultBadArgument;
    return image->image.segment(from, *segment) ? ResultOk : ResultOverflow;
}

KESTRUN_API int32_t kestrun_image_piece(const kestrun_image *image, uint64_t from,
                                        kestrun_segment *piece)
{
    if (!image || !piece)
        return ResultBadArgument;
    return image->image.piece(from, *piece) ? ResultOk : ResultOverflow;
}

KESTRUN_API int32_t kestrun_image_read(const kestrun_image *image, uint32_t address,
                                       uint64_t count, uint8_t fill, uint8_t *out)
{
    if (!image || (!out && count > 0))
        return ResultBadArgument;
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    image->image.copyWindow(address, count, fill, out);
    return ResultOk;
}

KESTRUN_API void kestrun_image_start(const kestrun_image *image, uint32_t *type, uint32_t *value)
{
    if (type)
        *type = image ? image->image.startType : KESTRUN_START_NONE;
    if (value)
        *value = image ? image->image.startValue : 0;
}

KESTRUN_API int32_t kestrun_image_set_start(kestrun_image *image, uint32_t type, uint32_t value)
{
    if (!image
        || (type != KESTRUN_START_NONE && type != KESTRUN_START_SEGMENT
            && type != KESTRUN_START_LINEAR))
        return ResultBadArgument;
    image->image.startType = type;
    image->image.startValue = type == KESTRUN_START_NONE ? 0 : value;
    return ResultOk;
}

KESTRUN_API uint32_t kestrun_image_sum(const kestrun_image *image, uint32_t first, uint32_t last,
                                       uint8_t fill)
{
    if (!image || first > last)
        return 0;
    const uint64_t stop = uint64_t(last) + 1;
    uint64_t sum = 0;
    uint64_t held = 0;
    image->image.eachPiece(first, stop, [&](uint64_t, const uint8_t *bytes, uint64_t count) {
        sum += sumBytes(bytes, 0, count);
        held += count;
    });
    sum += (stop - first - held) * fill;
    return static_cast<uint32_t>(sum);
}

} // extern "C"
