#include "mapped_buffer.h"

#include <sys/mman.h>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t roundUp(size_t value, size_t step)
{
    return (value + step - 1) / step * step;
}

} // namespace

MappedBuffer::MappedBuffer(size_t size) : m_size(size)
{
    m_mappedSize = roundUp(size == 0 ? 1 : size, kHugePage);
    // Over-map by one huge page and trim, since mmap only promises 4 KiB
    // alignment and a huge page needs its 2 MiB slot.
    const size_t span = m_mappedSize + kHugePage;
    void *raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return;
    auto *base = static_cast<uint8_t *>(raw);
    const auto address = reinterpret_cast<uintptr_t>(base);
    auto *aligned = reinterpret_cast<uint8_t *>(roundUp(address, kHugePage));
    if (aligned > base)
        munmap(base, static_cast<size_t>(aligned - base));
    const uint8_t *tail = aligned + m_mappedSize;
    const uint8_t *spanEnd = base + span;
    if (spanEnd > tail)
        munmap(const_cast<uint8_t *>(tail), static_cast<size_t>(spanEnd - tail));
    madvise(aligned, m_mappedSize, MADV_HUGEPAGE);
    m_data = aligned;
}

MappedBuffer::~MappedBuffer()
{
    if (m_data)
        munmap(m_data, m_mappedSize);
}
