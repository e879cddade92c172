// A large, page-aligned block for whole-file buffers. Fresh anonymous pages
// cost about 3 ns a byte on first touch here unless they are transparent huge
// pages, so the block is 2 MiB aligned and advised as such; pages that are
// never touched cost nothing, which lets a buffer be sized generously.
#ifndef KESTRUN_BENCH_MAPPED_BUFFER_H
#define KESTRUN_BENCH_MAPPED_BUFFER_H

#include <cstddef>
#include <cstdint>

class MappedBuffer
{
public:
    explicit MappedBuffer(size_t size);
    ~MappedBuffer();
    MappedBuffer(const MappedBuffer &) = delete;
    MappedBuffer &operator=(const MappedBuffer &) = delete;

    bool isValid() const { return m_data != nullptr; }
    uint8_t *data() const { return m_data; }
    char *chars() const { return reinterpret_cast<char *>(m_data); }
    size_t size() const { return m_size; }

private:
    uint8_t *m_data = nullptr;
    size_t m_size = 0;
    size_t m_mappedSize = 0;
};

#endif
