#include "work_memory.h"

#include <initializer_list>

#include <sys/mman.h>

namespace kestrun {

namespace {

constexpr uint64_t kGranule = 64 * 1024;

uint64_t roundUp(uint64_t bytes)
{
    return (bytes + kGranule - 1) / kGranule * kGranule;
}

// Huge pages make the first touch of a large image about thirty times
// cheaper; the advice is only a hint, so its failure changes nothing.
void adviseHugePages(void *block, uint64_t bytes)
{
#ifdef MADV_HUGEPAGE
    madvise(block, bytes, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

void *mapBlock(uint64_t bytes)
{
    void *block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

// Moves the pages to a larger range without copying them.
void *remapBlock(void *block, uint64_t oldBytes, uint64_t newBytes)
{
    void *moved = mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
    return moved == MAP_FAILED ? nullptr : moved;
}

} // namespace

WorkMemory::~WorkMemory()
{
    if (m_data)
        munmap(m_data, m_size);
}

bool WorkMemory::reserve(uint64_t bytes)
{
    if (bytes <= m_size)
        return true;
    // Grow geometrically so that a file read front to back remaps its image
    // a logarithmic number of times; fall back to the exact need when the
    // larger block cannot be had.
    const uint64_t wanted = roundUp(bytes);
    const uint64_t generous = m_size * 2 > wanted ? roundUp(m_size * 2) : wanted;
    for (uint64_t attempt : {generous, wanted}) {
        void *block = m_data ? remapBlock(m_data, m_size, attempt) : mapBlock(attempt);
        if (block) {
            adviseHugePages(block, attempt);
            m_data = static_cast<uint8_t *>(block);
            m_size = attempt;
            return true;
        }
        if (attempt == wanted)
            break;
    }
    return false;
}

} // namespace kestrun
