// Find and replace over an image's data: every occurrence of a byte string
// within a run of held addresses (none across a gap), left to right and
// not overlapping, as Python's bytes.replace finds them.
#include "guard.h"
#include "image.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace kestrun;

namespace {

// A segment is read a window at a time, each window reaching the pattern's
// length less one past its end so that an occurrence across two windows
// is seen in the first.
constexpr uint64_t kWindow = 1 << 20;

} // namespace

extern "C" KESTRUN_API int32_t kestrun_image_replace(kestrun_image *image, const uint8_t *find,
                                                     const uint8_t *replace, uint32_t length,
                                                     uint64_t *count)
{
    if (!image || !find || !replace || length < 1 || length > 256)
        return ResultBadArgument;
    return guarded([&] {
        Image &im = image->image;
        std::vector<uint8_t> window(kWindow + length - 1);
        uint64_t found = 0;
        kestrun_segment s;
        for (uint64_t from = 0; im.segment(from, s); from = uint64_t(s.address) + s.length) {
            const uint64_t stop = uint64_t(s.address) + s.length;
            // Where the next occurrence may begin: past the last one's end.
            uint64_t next = s.address;
            for (uint64_t w = s.address; w + length <= stop; w += kWindow) {
                const uint64_t n = std::min<uint64_t>(kWindow + length - 1, stop - w);
                im.copyWindow(w, n, 0, window.data());
                // i + length <= n keeps every comparison inside the window.
                for (uint64_t i = std::max(next, w) - w; i < kWindow && i + length <= n;) {
                    const void *hit = std::memchr(window.data() + i, find[0], n - length + 1 - i);
                    if (!hit)
                        break;
                    i = uint64_t(static_cast<const uint8_t *>(hit) - window.data());
                    if (i >= kWindow)
                        break;
                    if (std::memcmp(window.data() + i, find, length) != 0) {
                        ++i;
                        continue;
                    }
                    if (const int32_t rc = im.store(w + i, replace, length, Writer{}, {}, nullptr);
                        rc < 0)
                        return rc;
                    ++found;
                    i += length;
                    next = w + i;
                }
            }
        }
        if (count)
            *count = found;
        return int32_t(ResultOk);
    });
}
