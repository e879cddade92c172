// A sparse image: the bytes written at 32-bit addresses and nothing else,
// as runs of consecutive addresses each in memory of its own size, so
// records scattered over 4 GiB cost what they carry. Beside the bytes it
// keeps which record wrote them (as extents of records of one length on
// consecutive lines, a handful per 64 KiB for a file written in order), so
// that a second write can name the first.
#ifndef KESTRUN_IMAGE_H
#define KESTRUN_IMAGE_H

#include "exports.h"
#include "work_memory.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>

namespace kestrun {

constexpr uint64_t kAddressSpace = uint64_t(1) << 32;

// The address a start record names: a 03 record's CS:IP (value CS * 65536
// + IP) is the 8086's CS * 16 + IP, as objcopy and srec_cat read it.
constexpr uint32_t linearStart(uint32_t type, uint32_t value)
{
    return type == KESTRUN_START_SEGMENT ? (value >> 16) * 16 + (value & 0xFFFF) : value;
}

// The bytes of one run. Small runs live on the heap; a run that grows past
// 64 KiB moves into work memory, whose pages cost memory only once they
// are written and which grows without copying.
class RunBytes {
public:
    RunBytes() = default;
    RunBytes(RunBytes &&) = default;
    RunBytes &operator=(RunBytes &&) = default;

    // Makes room for at least `size` bytes, keeping the contents. False
    // when the memory cannot be had; the bytes then stay as they were.
    bool reserve(uint64_t size);
    uint8_t *data() const { return m_work ? m_work->data() : m_heap.get(); }

private:
    std::unique_ptr<uint8_t[]> m_heap;
    std::unique_ptr<WorkMemory> m_work;
    uint64_t m_capacity = 0;
};

// Who wrote a byte: a line of a source.
struct Writer {
    uint64_t line = 0;
    uint32_t source = 0;
};

// Which record wrote each held address: extents of records of `step`
// bytes on consecutive lines (step 0: one record), never overlapping.
class LineIndex {
public:
    // [address, address + count) is now held as written by `who`.
    void assign(uint64_t address, uint64_t count, Writer who);
    // Forgets every extent.
    void clear()
    {
        m_extents.clear();
        m_last = m_extents.end();
        m_lastRecord = 0;
    }
    // Calls found(from, to, writer) for each stretch of [address, stop)
    // held, in address order, one writer a stretch.
    template <typename Found> void each(uint64_t address, uint64_t stop, Found &&found) const;

private:
    struct Extent {
        uint64_t stop;
        uint64_t firstLine;
        uint64_t step;
        uint32_t source;
        uint64_t lineAt(uint64_t begin, uint64_t address) const
        {
            return step ? firstLine + (address - begin) / step : firstLine;
        }
    };
    using Extents = std::map<uint64_t, Extent>;
    void cut(uint64_t address, uint64_t stop);

    Extents m_extents;
    Extents::iterator m_last = m_extents.end();
    uint64_t m_lastRecord = 0; // length of the last record in m_last
    uint64_t m_nextBegin = 0;  // where the extent after m_last begins
    uint64_t m_lastLine = 0;   // the line of the last record in m_last
};

// What a store does where bytes are held already.
struct OverlapRule {
    int32_t policy = KESTRUN_OVERLAP_LAST;
    kestrun_conflict_fn report = nullptr;
    intptr_t userValue = 0;
};

// The addresses whose bytes a reader stores: [low, stop). Bytes outside
// are read and checked as any others and stored nowhere.
struct StoredWindow {
    uint64_t low = 0;
    uint64_t stop = kAddressSpace;

    // low..high, or none when low > high.
    static StoredWindow between(uint32_t low, uint32_t high)
    {
        return low <= high ? StoredWindow{low, uint64_t(high) + 1} : StoredWindow{0, 0};
    }

    // The part of [address, address + count) within, as its offset into
    // those bytes and its length (0: none).
    uint64_t clip(uint64_t address, uint64_t count, uint64_t &skip) const
    {
        const uint64_t from = std::max(address, low);
        const uint64_t to = std::min(address + count, stop);
        skip = from - address;
        return from < to ? to - from : 0;
    }
};

class Image {
public:
    // Stores `count` bytes at `address` (within the 32-bit space) as the
    // record of `who`, the rule deciding where bytes are held already.
    // ResultOk, ResultNoMemory, ResultOverlap or what the report returned.
    int32_t store(uint64_t address, const uint8_t *bytes, uint64_t count, Writer who,
                  const OverlapRule &rule, kestrun_hex_stats *stats);

    bool empty() const { return m_runs.empty(); }
    uint64_t dataBytes() const { return m_dataBytes; }
    uint64_t lowest() const { return m_runs.begin()->first; }
    // One past the highest address held.
    uint64_t highest() const { return m_highest; }
    // The first stored piece that holds `from` or lies above it.
    bool piece(uint64_t from, kestrun_segment &out) const;
    // The first maximal run of held addresses that holds `from` or lies
    // above it.
    bool segment(uint64_t from, kestrun_segment &out) const;
    // Copies [start, start + size) to `out`, `fill` where nothing is held.
    void copyWindow(uint64_t start, uint64_t size, uint8_t fill, uint8_t *out) const;
    // Calls each(address, bytes, count) for the held pieces within
    // [start, stop), in address order.
    template <typename Each> void eachPiece(uint64_t start, uint64_t stop, Each &&each) const
    {
        kestrun_segment p;
        for (uint64_t at = start; at < stop && piece(at, p) && p.address < stop;) {
            const uint64_t from = std::max<uint64_t>(p.address, at);
            const uint64_t to = std::min<uint64_t>(p.address + p.length, stop);
            each(from, p.bytes + (from - p.address), to - from);
            at = to;
        }
    }

    // eachPiece for a step that may fail: stops at the first result that
    // is not ResultOk and returns it.
    template <typename Step> int32_t eachPieceWhileOk(uint64_t start, uint64_t stop, Step &&step) const
    {
        int32_t rc = ResultOk;
        eachPiece(start, stop, [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
            if (rc == ResultOk)
                rc = step(address, bytes, count);
        });
        return rc;
    }

    // The image operations (image_ops.cpp). Afterwards every byte counts as
    // written by line 0 of source 0. drop removes [address, stop) and is
    // false when the memory for a run cut in two cannot be had; shift
    // moves every byte by `delta`, which the caller has found to keep them
    // within the 32-bit space.
    bool drop(uint64_t address, uint64_t stop);
    void shift(int64_t delta);
    // Takes the runs of `from` in place of this image's, which `from` gets
    // (image_layout.cpp); the start address stays.
    void adoptRuns(Image &from);

    // Which record wrote each held address.
    const LineIndex &lines() const { return m_lines; }

    uint32_t startType = KESTRUN_START_NONE;
    uint32_t startValue = 0;

private:
    void settle();

    struct Run {
        uint64_t size = 0;
        RunBytes bytes;
    };
    using Runs = std::map<uint64_t, Run>; // by first address
    static constexpr uint64_t kNoLimit = UINT64_MAX;

    bool put(uint64_t address, const uint8_t *bytes, uint64_t count);
    bool storeInRun(Runs::iterator run, uint64_t limit, uint64_t address, const uint8_t *bytes,
                    uint64_t count);
    bool storeAnywhere(uint64_t address, const uint8_t *bytes, uint64_t count);
    bool heldWithin(uint64_t address, uint64_t stop) const;
    int32_t storeOverlapping(uint64_t address, const uint8_t *bytes, uint64_t count, Writer who,
                             const OverlapRule &rule, kestrun_hex_stats *stats);

    Runs m_runs;
    // The run written last and the first address of the run after it:
    // records in address order extend it without a search.
    Runs::iterator m_last = m_runs.end();
    uint64_t m_lastLimit = 0;
    uint64_t m_highest = 0;
    uint64_t m_dataBytes = 0;
    LineIndex m_lines;
};

template <typename Found>
void LineIndex::each(uint64_t address, uint64_t stop, Found &&found) const
{
    auto e = m_extents.upper_bound(address);
    if (e != m_extents.begin() && std::prev(e)->second.stop > address)
        --e;
    for (; e != m_extents.end() && e->first < stop; ++e) {
        uint64_t at = std::max(address, e->first);
        const uint64_t to = std::min(stop, e->second.stop);
        while (at < to) {
            // One record of the extent at a time.
            const uint64_t line = e->second.lineAt(e->first, at);
            const uint64_t recordStop =
                e->second.step ? std::min(to, e->first + (line - e->second.firstLine + 1) * e->second.step)
                               : to;
            found(at, recordStop, Writer{line, e->second.source});
            at = recordStop;
        }
    }
}

} // namespace kestrun

// The handle the C interface hands out.
struct kestrun_image {
    kestrun::Image image;
};

#endif
