// An output buffer kept from run to run whose usable part ends exactly at
// the end of its heap block: the sanitizer still sees any write past the
// capacity, while the pages stay mapped instead of being faulted in afresh
// for every input (which took most of the fuzzers' time).
#ifndef KESTRUN_FUZZ_TAIL_BUFFER_H
#define KESTRUN_FUZZ_TAIL_BUFFER_H

#include <cstddef>
#include <cstring>
#include <memory>

namespace kestrun_fuzz {

template <typename T> class TailBuffer {
public:
    explicit TailBuffer(size_t maximum) : m_maximum(maximum), m_block(new T[maximum]) {}

    // `capacity` elements (at most the maximum) set to `fill`; an empty
    // buffer still gets a valid pointer, one element before the end.
    T *take(size_t capacity, T fill)
    {
        const size_t size = capacity == 0 ? 1 : capacity;
        T *part = m_block.get() + (m_maximum - size);
        std::memset(part, int(fill), size * sizeof(T));
        return part;
    }

private:
    size_t m_maximum;
    std::unique_ptr<T[]> m_block;
};

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_TAIL_BUFFER_H
