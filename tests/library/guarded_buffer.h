#ifndef KESTRUN_GUARDED_BUFFER_H
#define KESTRUN_GUARDED_BUFFER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrun_test {

// An output buffer whose declared capacity is followed by guard bytes: a
// write past the capacity shows up as a changed guard.
template <typename T> class GuardedBuffer {
public:
    static constexpr uint8_t sentinel = 0xA5;
    static constexpr size_t guardSize = 64;

    explicit GuardedBuffer(size_t capacity)
        : m_capacity(capacity), m_bytes(capacity + guardSize, T(sentinel))
    {
    }

    T *data() { return m_bytes.data(); }
    uint32_t capacity() const { return uint32_t(m_capacity); }
    const T &operator[](size_t index) const { return m_bytes[index]; }

    bool guardIntact() const
    {
        return std::all_of(m_bytes.begin() + m_capacity, m_bytes.end(),
                           [](T byte) { return byte == T(sentinel); });
    }

    bool untouched() const
    {
        return std::all_of(m_bytes.begin(), m_bytes.end(),
                           [](T byte) { return byte == T(sentinel); });
    }

    // The text written: up to its NUL, or up to the first byte not written
    // when there is no NUL (the sentinel never occurs in our output text).
    std::string writtenText() const
    {
        auto end = std::find_if(m_bytes.begin(), m_bytes.begin() + m_capacity,
                                [](T byte) { return byte == T(0) || byte == T(sentinel); });
        return std::string(m_bytes.begin(), end);
    }

private:
    size_t m_capacity;
    std::vector<T> m_bytes;
};

} // namespace kestrun_test

#endif // KESTRUN_GUARDED_BUFFER_H
