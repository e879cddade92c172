// A check value over a stream of bytes: a CRC (over bytes, or over 32-bit
// little-endian words as the STM32 CRC unit reads flash) or a byte sum.
#ifndef KESTRUN_CHECK_H
#define KESTRUN_CHECK_H

#include "crc.h"

#include <cstdint>
#include <optional>

namespace kestrun {

enum class CheckKind { Crc, CrcWords, Sum, NegatedSum };

class Check {
public:
    // A CRC (`model` valid) over bytes or words.
    Check(CheckKind kind, const CrcModel &model);
    // A sum of `width` bits (NegatedSum: its two's complement).
    Check(CheckKind kind, uint32_t width);

    uint32_t width() const { return m_width; }
    void reset();
    void update(const uint8_t *bytes, uint64_t count);
    // A last partial word is completed with `pad`.
    uint64_t value(uint8_t pad) const;

private:
    void updateWords(const uint8_t *bytes, uint64_t count);

    CheckKind m_kind;
    uint32_t m_width;
    std::optional<Crc> m_crc;
    uint64_t m_sum = 0;
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
