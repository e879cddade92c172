// A block of memory for a whole source or a library output: page-aligned,
// left uncleared and, from a few megabytes on, advised as transparent huge
// pages. The library's
// outputs are sized generously from the settings and mostly left
// untouched, which costs nothing; the pages that are written cost far less
// as huge pages than as 4 KiB ones, whose first touch each takes a fault.
#ifndef PELCOR_LARGE_BUFFER_H
#define PELCOR_LARGE_BUFFER_H

#include <cstddef>
#include <cstdint>

// Advises the whole 2 MiB pages inside an untouched block from the general
// allocator (a large QByteArray or QString) as transparent huge pages, so
// that filling it takes one fault per 2 MiB instead of one per 4 KiB.
// Blocks below a few huge pages are left alone.
void adviseHugePages(void *data, std::size_t size);

class LargeBuffer {
public:
    LargeBuffer() = default;
    // A block of `size` bytes, or an invalid one when there is no memory.
    explicit LargeBuffer(std::size_t size);
    ~LargeBuffer();
    LargeBuffer(LargeBuffer &&other) noexcept;
    LargeBuffer &operator=(LargeBuffer &&other) noexcept;
    LargeBuffer(const LargeBuffer &) = delete;
    LargeBuffer &operator=(const LargeBuffer &) = delete;

    bool isValid() const { return m_data != nullptr; }
    std::uint8_t *data() const { return m_data; }
    char *chars() const { return reinterpret_cast<char *>(m_data); }
    std::size_t size() const { return m_size; }

private:
    void release();

    std::uint8_t *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mappedSize = 0;
};

#endif
