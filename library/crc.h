// A CRC of any Rocksoft model of 8 to 64 bits, at run time. The model's
// meaning is Boost.CRC's: the byte table comes from boost::crc_basic of
// the model's width, so a model computes here exactly what Boost computes.
// The loop is ours because Boost's takes a byte a step; eight tables taking
// eight bytes a step bring crc-32 of a large image to the speed of zlib's.
#ifndef KESTRUN_CRC_H
#define KESTRUN_CRC_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestrun {

struct CrcModel {
    uint32_t width = 32; // 8..64
    uint64_t poly = 0;   // without its top bit, unreflected
    uint64_t init = 0;   // unreflected
    bool refin = false;
    bool refout = false;
    uint64_t xorout = 0;
};

// Whether a model can be computed: width 8..64, every value within it.
bool validModel(const CrcModel &model);

class Crc {
public:
    // `model` must be valid.
    explicit Crc(const CrcModel &model);

    void reset();
    void update(const uint8_t *bytes, size_t count);
    uint64_t value() const;
    // The value the CRC would have after `count` more bytes, which it does
    // not take.
    uint64_t valueWith(const uint8_t *bytes, size_t count) const;

private:
    uint64_t finalValue(uint64_t reg) const;

    // The register: reflected models keep it in the low bits, the others
    // in the high bits of 64, so that both shift whole bytes out at one end.
    CrcModel m_model;
    uint64_t m_register = 0;
    std::unique_ptr<uint64_t[]> m_tables; // 8 x 256: a byte, then k zero bytes
};

} // namespace kestrun

#endif
