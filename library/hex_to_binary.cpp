// Image assembly: a whole Intel HEX text becomes one window of its address
// space.
//
// The records are read front to back, each from its colon to its line end;
// between two records only line ends may stand. Their bytes go into a
// WrittenImage, which keeps only what was written, so memory follows the
// data however far apart its addresses lie. Only the final copy into the
// caller's window fills the rest, so every byte of the window is touched
// once.
#include "exports.h"
#include "guard.h"
#include "records.h"
#include "written_image.h"

#include <algorithm>
#include <cstring>

namespace kestrun {

namespace {

constexpr uint64_t kAddressSpace = uint64_t(1) << 32;

// The next record begins after the line ends that follow the record in
// hand. Whatever else stands there is no record, and the next decode says
// so; the text's NUL, where no end record came, likewise.
const char *nextRecord(const DecodedRecord &decoded)
{
    const char *p = decoded.stop;
    while (*p == '\r' || *p == '\n')
        ++p;
    return p;
}

struct Conversion {
    const char *text;
    uint8_t *image;
    int32_t textLength;
    uint32_t capacity;
    uint32_t *imageSize;
    uint32_t start;
    uint32_t *end;
    uint8_t fill;
    intptr_t userValue;
    ProgressCallback progress;
};

// Window size and the copy into the caller's buffer, after the end record or
// a cancellation. An automatic end with no data is an empty window.
int32_t finish(const Conversion &c, int32_t result, bool emptyWindow, const WrittenImage &written)
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
    written.copyWindow(c.start, uint64_t(size), c.fill, c.image);
    return result;
}

int32_t convert(const Conversion &c)
{
    WrittenImage written;
    DecodedRecord decoded;
    uint64_t segmentBase = 0;
    uint64_t linearBase = 0;
    const char *record = c.text;

    for (;;) {
        if (c.progress
            && !c.progress(static_cast<int32_t>(record - c.text), c.textLength, c.userValue))
            return finish(c, ResultCancelled, false, written);

        uint32_t position = 0;
        const int32_t type = decodeRecord(record, decoded, &position);
        if (type < 0)
            return type;

        switch (type) {
        case 0x00: {
            // A record may run on across a 64 KiB boundary; it lands where
            // its address and length say, but never beyond the 32-bit space.
            const uint64_t begin = linearBase + segmentBase + decoded.address();
            if (begin + decoded.dataLength() > kAddressSpace)
                return ResultAddressFault;
            if (!written.store(begin, decoded.data(), decoded.dataLength()))
                return ResultNoMemory;
            break;
        }
        case 0x01: {
            // The automatic end is the highest byte written, whatever the
            // order of the records.
            const bool automatic = *c.end == 0;
            if (automatic)
                *c.end =
                    written.empty() ? UINT32_MAX : static_cast<uint32_t>(written.highest() - 1);
            return finish(c, ResultOk, automatic && written.empty(), written);
        }
        case 0x02:
            segmentBase = position;
            if (linearBase + segmentBase >= kAddressSpace)
                return ResultAddressFault;
            break;
        case 0x04:
            // Files written above 1 MiB rely on a linear base clearing the
            // segment base.
            linearBase = position;
            segmentBase = 0;
            break;
        default:
            break;
        }
        record = nextRecord(decoded);
    }
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
        const Conversion c{text,      image,   textLength, capacity,
                           imageSize, *start,  end,        static_cast<uint8_t>(fill),
                           userValue, progress};
        return convert(c);
    });
}
