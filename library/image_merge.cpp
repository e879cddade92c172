// Several images into one: each input's bytes keep the lines that wrote
// them and take the input's tag, so that an overlap between two inputs
// names both files and both lines, as one reader names two records.
#include "exports.h"
#include "guard.h"
#include "image.h"

using namespace kestrun;

extern "C" KESTRUN_API int32_t kestrun_image_merge(kestrun_image *into, const kestrun_image *from,
                                                   uint32_t source, int32_t policy,
                                                   kestrun_conflict_fn fn, intptr_t userValue,
                                                   kestrun_hex_stats *stats)
{
    if (!into || !from || into == from || policy < KESTRUN_OVERLAP_LAST
        || policy > KESTRUN_OVERLAP_REFUSE)
        return ResultBadArgument;
    const OverlapRule rule{policy, fn, userValue};
    const Image &source_image = from->image;
    return guarded([&] {
        // One store a record of the input, so that each keeps its line.
        return source_image.eachPieceWhileOk(0, kAddressSpace, [&](uint64_t at, const uint8_t *bytes,
                                                                  uint64_t count) {
            int32_t rc = ResultOk;
            source_image.lines().each(at, at + count, [&](uint64_t a, uint64_t b, Writer w) {
                if (rc == ResultOk)
                    rc = into->image.store(a, bytes + (a - at), b - a, Writer{w.line, source},
                                           rule, stats);
            });
            return rc;
        });
    });
}
