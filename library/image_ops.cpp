// Operations on a whole image: crop, exclude, fill and offset, and raw
// bytes stored under the overlap rules. Runs are cut and moved where they
// lie, so an operation costs no second copy of the image.
#include "guard.h"
#include "image.h"

#include <algorithm>
#include <cstring>

namespace kestrun {

// The counts and the index of writers after runs were cut or moved.
void Image::settle()
{
    m_last = m_runs.end();
    m_lastLimit = 0;
    m_dataBytes = 0;
    m_highest = 0;
    m_lines.clear();
    for (const auto &[address, run] : m_runs) {
        m_dataBytes += run.size;
        m_highest = address + run.size;
        m_lines.assign(address, run.size, Writer{});
    }
}

bool Image::drop(uint64_t address, uint64_t stop)
{
    auto run = m_runs.upper_bound(address);
    if (run != m_runs.begin() && std::prev(run)->first + std::prev(run)->second.size > address)
        --run;
    bool done = true;
    while (run != m_runs.end() && run->first < stop) {
        const uint64_t begin = run->first;
        Run &r = run->second;
        const uint64_t runStop = begin + r.size;
        if (begin < address && runStop > stop) {
            // A hole in the middle: the tail becomes a run of its own.
            Run tail;
            if (!tail.bytes.reserve(runStop - stop)) {
                done = false;
                break;
            }
            std::memcpy(tail.bytes.data(), r.bytes.data() + (stop - begin), runStop - stop);
            tail.size = runStop - stop;
            r.size = address - begin;
            m_runs.emplace(stop, std::move(tail));
            break;
        }
        if (begin < address) {
            r.size = address - begin;
            ++run;
            continue;
        }
        if (runStop > stop) {
            const uint64_t kept = runStop - stop;
            std::memmove(r.bytes.data(), r.bytes.data() + (stop - begin), kept);
            auto node = m_runs.extract(run);
            node.key() = stop;
            node.mapped().size = kept;
            m_runs.insert(std::move(node));
            break;
        }
        run = m_runs.erase(run);
    }
    settle();
    return done;
}

void Image::shift(int64_t delta)
{
    Runs moved;
    while (!m_runs.empty()) {
        auto node = m_runs.extract(m_runs.begin());
        node.key() = uint64_t(int64_t(node.key()) + delta);
        moved.insert(moved.end(), std::move(node));
    }
    m_runs.swap(moved);
    settle();
}

} // namespace kestrun

using namespace kestrun;

namespace {

constexpr uint64_t kFillPiece = 64 * 1024;

} // namespace

extern "C" {

KESTRUN_API int32_t kestrun_image_store(kestrun_image *image, uint32_t address,
                                        const uint8_t *bytes, uint64_t count, int32_t policy,
                                        uint32_t source, kestrun_conflict_fn fn,
                                        intptr_t userValue)
{
    if (!image || (!bytes && count > 0) || policy < KESTRUN_OVERLAP_LAST
        || policy > KESTRUN_OVERLAP_REFUSE)
        return ResultBadArgument;
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    const OverlapRule rule{policy, fn, userValue};
    return guarded(
        [&] { return image->image.store(address, bytes, count, Writer{0, source}, rule, nullptr); });
}

KESTRUN_API int32_t kestrun_image_crop(kestrun_image *image, uint32_t low, uint32_t high)
{
    if (!image || low > high)
        return ResultBadArgument;
    return guarded([&] {
        const bool done = image->image.drop(0, low) && image->image.drop(uint64_t(high) + 1, kAddressSpace);
        return done ? ResultOk : ResultNoMemory;
    });
}

KESTRUN_API int32_t kestrun_image_exclude(kestrun_image *image, uint32_t low, uint32_t high)
{
    if (!image || low > high)
        return ResultBadArgument;
    return guarded([&] {
        return image->image.drop(low, uint64_t(high) + 1) ? ResultOk : ResultNoMemory;
    });
}

KESTRUN_API int32_t kestrun_image_fill(kestrun_image *image, uint32_t low, uint32_t high,
                                       const uint8_t *pattern, uint32_t length)
{
    if (!image || low > high || !pattern || length < 1 || length > 256)
        return ResultBadArgument;
    return guarded([&] {
        Image &im = image->image;
        const uint64_t stop = uint64_t(high) + 1;
        uint8_t piece[kFillPiece];
        kestrun_segment held;
        for (uint64_t at = low; at < stop;) {
            const bool found = im.piece(at, held);
            if (found && held.address <= at) {
                at = held.address + held.length;
                continue;
            }
            const uint64_t gapStop = found ? std::min<uint64_t>(held.address, stop) : stop;
            while (at < gapStop) {
                const uint64_t n = std::min(gapStop - at, kFillPiece);
                for (uint64_t i = 0, phase = (at - low) % length; i < n; ++i) {
                    piece[i] = pattern[phase];
                    phase = phase + 1 == length ? 0 : phase + 1;
                }
                if (const int32_t rc = im.store(at, piece, n, Writer{}, {}, nullptr); rc < 0)
                    return rc;
                at += n;
            }
        }
        return int32_t(ResultOk);
    });
}

KESTRUN_API int32_t kestrun_image_offset(kestrun_image *image, int64_t delta)
{
    if (!image)
        return ResultBadArgument;
    Image &im = image->image;
    auto inside = [&](int64_t address) { return address >= 0 && uint64_t(address) < kAddressSpace; };
    if (!im.empty()
        && (!inside(int64_t(im.lowest()) + delta) || !inside(int64_t(im.highest()) - 1 + delta)))
        return ResultAddressFault;
    const int64_t start = int64_t(linearStart(im.startType, im.startValue)) + delta;
    if (im.startType != KESTRUN_START_NONE && delta != 0 && !inside(start))
        return ResultAddressFault;
    return guarded([&] {
        im.shift(delta);
        if (im.startType == KESTRUN_START_LINEAR) {
            im.startValue = uint32_t(start);
        } else if (im.startType == KESTRUN_START_SEGMENT && delta != 0) {
            // The moved start as objcopy writes it: a CS:IP while the 8086
            // reaches it (CS from its top four bits), else a 05 record.
            if (start <= 0xFFFFF) {
                im.startValue = uint32_t((start & 0xF0000) << 12 | (start & 0xFFFF));
            } else {
                im.startType = KESTRUN_START_LINEAR;
                im.startValue = uint32_t(start);
            }
        }
        return int32_t(ResultOk);
    });
}

} // extern "C"
