// Work memory: one growable block that reports its size. It is reserved
// from the system as address space; pages cost memory only once they are
// written, so a block may be reserved well ahead of the data written into
// it, and it grows without being copied.
#ifndef KESTRUN_WORK_MEMORY_H
#define KESTRUN_WORK_MEMORY_H

#include <cstdint>

namespace kestrun {

class WorkMemory {
public:
    WorkMemory() = default;
    ~WorkMemory();
    WorkMemory(const WorkMemory &) = delete;
    WorkMemory &operator=(const WorkMemory &) = delete;

    // Makes the block at least `bytes` long, keeping its contents. Returns
    // false when the memory cannot be had; the block then stays as it was.
    bool reserve(uint64_t bytes);

    uint8_t *data() const { return m_data; }
    uint64_t size() const { return m_size; }

private:
    uint8_t *m_data = nullptr;
    uint64_t m_size = 0;
};

} // namespace kestrun

#endif
