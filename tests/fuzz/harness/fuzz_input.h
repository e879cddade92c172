// The arguments of one fuzzed call, taken from the front of the input in
// fixed-size fields (so that a seed file is a fixed header and a payload),
// and the payload that remains. Fields past the end of the input read as 0.
#ifndef KESTRUN_FUZZ_INPUT_H
#define KESTRUN_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestrun_fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    uint8_t byte()
    {
        if (m_used >= m_size) {
            m_used = m_size;
            return 0;
        }
        return m_data[m_used++];
    }

    // Operands of | are unsequenced: the fields are read in statements of
    // their own, so that clang and g++ take the same bytes for them.
    uint32_t word16()
    {
        const uint32_t high = byte();
        return high << 8 | byte();
    }

    uint32_t word32()
    {
        const uint32_t high = word16();
        return high << 16 | word16();
    }

    // Five bytes: a selector and a raw value. Sizes wrap at the edges of
    // the 32-bit space, so positions come tiny, small, near the top, or raw.
    uint32_t position()
    {
        const uint8_t selector = byte();
        const uint32_t raw = word32();
        switch (selector % 4) {
        case 0:
            return raw & 0xFF;
        case 1:
            return raw & 0xFFFF;
        case 2:
            return 0xFFFFFFFFu - (raw & 0xFFFF);
        default:
            return raw;
        }
    }

    // A progress callback that stops at report `stopAt` (1-255), or none
    // when 0.
    uint8_t stopAt() { return byte(); }

    const uint8_t *rest() const { return m_data + m_used; }
    size_t restSize() const { return m_size - m_used; }

    // The rest in a heap block of exactly its size, so that the sanitizer
    // sees any access past it; one more zero byte when `terminated`.
    std::unique_ptr<uint8_t[]> exactRest(bool terminated = false) const
    {
        const size_t size = restSize() + (terminated ? 1 : 0);
        std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
        for (size_t i = 0; i < restSize(); ++i)
            copy[i] = rest()[i];
        if (terminated)
            copy[restSize()] = 0;
        return copy;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_used = 0;
};

// A buffer size that is mostly below 4 KiB, where the edges of the margins
// lie, and up to 64 KiB now and then: large buffers make every run slow.
inline uint32_t smallMostly(uint32_t field)
{
    return field < 0xE000 ? field % 4096 : (field & 0x1FFF) << 3;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_INPUT_H
