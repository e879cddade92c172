// A check value over a stream of bytes: a CRC (over bytes, or over 32-bit
// little-endian words as the STM32 CRC unit reads flash), a byte sum, a
// Fletcher or Adler sum as srec_cat computes them, or a message digest.
#ifndef KESTRUN_CHECK_H
#define KESTRUN_CHECK_H

#include "crc.h"
#include "digest.h"

#include <cstdint>
#include <optional>

namespace kestrun {

enum class CheckKind { Crc, CrcWords, Sum, NegatedSum, Fletcher16, Fletcher32, Adler16, Adler32,
                       Digest };

class Check {
public:
    // A CRC (`model` valid) over bytes or words.
    Check(CheckKind kind, const CrcModel &model);
    // A sum of `width` bits (NegatedSum: its two's complement), or a
    // Fletcher or Adler sum (its width is its kind's).
    Check(CheckKind kind, uint32_t width);
    explicit Check(Digest digest);

    uint32_t width() const { return m_width; }
    void reset();
    void update(const uint8_t *bytes, uint64_t count);
    // A last partial word is completed with `pad`. A digest has no value
    // of 64 bits: 0.
    uint64_t value(uint8_t pad) const;
    // The value as stored, its (width + 7) / 8 bytes in `endian` order (a
    // digest in its own); false when memory is short.
    bool bytes(uint8_t pad, int32_t endian, uint8_t *out) const;

private:
    void updateWords(const uint8_t *bytes, uint64_t count);
    void updatePairs(const uint8_t *bytes, uint64_t count);

    CheckKind m_kind;
    uint32_t m_width;
    std::optional<Crc> m_crc;
    std::optional<Digest> m_digest;
    uint64_t m_sum = 0;
    // The second sum of a Fletcher or Adler pair.
    uint64_t m_sum2 = 0;
    uint8_t m_pending[4] = {};
    uint32_t m_pendingCount = 0;
};

// The check a preset names; none for an unknown name.
std::optional<Check> presetCheck(const char *name);

} // namespace kestrun

struct kestrun_check {
    kestrun::Check check;
};

#endif
