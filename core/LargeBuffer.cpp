#include "core/LargeBuffer.h"

#include <sys/mman.h>

#include <utility>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kSmallPage = 4096;

std::size_t roundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

} // namespace

void adviseHugePages(void *data, std::size_t size)
{
    if (size < 4 * kHugePage)
        return;
    const auto begin = roundUp(reinterpret_cast<std::uintptr_t>(data), kHugePage);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) / kHugePage * kHugePage;
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

LargeBuffer::LargeBuffer(std::size_t size) : m_size(size)
{
    // A huge page's first touch may wait for the kernel to compact memory
    // for it (milliseconds), which only a block of several of them repays.
    if (size < 4 * kHugePage) {
        m_mappedSize = roundUp(size == 0 ? 1 : size, kSmallPage);
        void *raw = mmap(nullptr, m_mappedSize, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            m_size = m_mappedSize = 0;
        else
            m_data = static_cast<std::uint8_t *>(raw);
        return;
    }
    m_mappedSize = roundUp(size, kHugePage);
    // mmap promises only 4 KiB alignment and a huge page needs a 2 MiB
    // slot: map one huge page more and trim both ends.
    const std::size_t span = m_mappedSize + kHugePage;
    void *raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) {
        m_size = m_mappedSize = 0;
        return;
    }
    auto *base = static_cast<std::uint8_t *>(raw);
    auto *aligned = reinterpret_cast<std::uint8_t *>(
        roundUp(reinterpret_cast<std::uintptr_t>(base), kHugePage));
    if (aligned > base)
        munmap(base, static_cast<std::size_t>(aligned - base));
    std::uint8_t *tail = aligned + m_mappedSize;
    if (base + span > tail)
        munmap(tail, static_cast<std::size_t>(base + span - tail));
    madvise(aligned, m_mappedSize, MADV_HUGEPAGE);
    m_data = aligned;
}

LargeBuffer::~LargeBuffer()
{
    release();
}

LargeBuffer::LargeBuffer(LargeBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mappedSize(std::exchange(other.m_mappedSize, 0))
{
}

LargeBuffer &LargeBuffer::operator=(LargeBuffer &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mappedSize = std::exchange(other.m_mappedSize, 0);
    }
    return *this;
}

void LargeBuffer::release()
{
    if (m_data)
        munmap(m_data, m_mappedSize);
    m_data = nullptr;
}
