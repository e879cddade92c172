// The bytes that the records of a HEX text wrote, and nothing else: runs
// of consecutive addresses, each in memory of its own size. Memory follows
// the data, not the address space, so records scattered over 4 GiB cost
// what they carry.
#ifndef KESTRUN_WRITTEN_IMAGE_H
#define KESTRUN_WRITTEN_IMAGE_H

#include "work_memory.h"

#include <cstdint>
#include <map>
#include <memory>

namespace kestrun {

// The bytes of one run. Small runs live on the heap; a run that grows past
// a few MiB moves into work memory, whose pages cost memory only once they
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

class WrittenImage {
public:
    // Stores `count` bytes at `address`, over whatever was written there
    // before. False when memory runs out.
    bool store(uint64_t address, const uint8_t *bytes, uint64_t count);

    bool empty() const { return m_runs.empty(); }
    // One past the highest address written.
    uint64_t highest() const { return m_highest; }

    // Copies the window [start, start + size) to `out`, with `fill`
    // wherever no record wrote.
    void copyWindow(uint64_t start, uint64_t size, uint8_t fill, uint8_t *out) const;

private:
    struct Run {
        uint64_t size = 0;
        RunBytes bytes;
    };
    using Runs = std::map<uint64_t, Run>; // by first address
    static constexpr uint64_t kNoLimit = UINT64_MAX;

    bool storeInRun(Runs::iterator run, uint64_t limit, uint64_t address, const uint8_t *bytes,
                    uint64_t count);
    bool storeAnywhere(uint64_t address, const uint8_t *bytes, uint64_t count);

    Runs m_runs;
    // The run written last and the first address of the run after it:
    // records in address order extend it without a search.
    Runs::iterator m_last = m_runs.end();
    uint64_t m_lastLimit = 0;
    uint64_t m_highest = 0;
};

} // namespace kestrun

#endif
