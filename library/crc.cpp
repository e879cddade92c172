#include "crc.h"

#include <boost/crc.hpp>

#include <array>
#include <cstring>
#include <utility>

namespace kestrun {

namespace {

uint64_t mask(uint32_t width)
{
    return width == 64 ? UINT64_MAX : (uint64_t(1) << width) - 1;
}

uint64_t reflect(uint64_t value, uint32_t width)
{
    uint64_t out = 0;
    for (uint32_t i = 0; i < width; ++i, value >>= 1)
        out = (out << 1) | (value & 1);
    return out;
}

// The remainder of one byte from a zero register, without final XOR, in the
// register's own order: what the byte table holds.
template <std::size_t Bits> uint64_t byteRemainder(const CrcModel &m, uint8_t byte)
{
    using Value = typename boost::crc_basic<Bits>::value_type;
    boost::crc_basic<Bits> crc(static_cast<Value>(m.poly), 0, 0, m.refin, m.refin);
    crc.process_byte(byte);
    return crc.checksum();
}

using RemainderFn = uint64_t (*)(const CrcModel &, uint8_t);

template <std::size_t... Width>
constexpr auto remainderTable(std::index_sequence<Width...>)
{
    return std::array<RemainderFn, sizeof...(Width)>{&byteRemainder<Width + 8>...};
}

// boost::crc_basic for each width from 8 to 64, by width - 8.
constexpr auto kRemainders = remainderTable(std::make_index_sequence<57>());

uint64_t loadLittle(const uint8_t *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

uint64_t loadBig(const uint8_t *p)
{
    return __builtin_bswap64(loadLittle(p));
}

} // namespace

bool validModel(const CrcModel &m)
{
    return m.width >= 8 && m.width <= 64 && (m.poly & ~mask(m.width)) == 0
           && (m.init & ~mask(m.width)) == 0 && (m.xorout & ~mask(m.width)) == 0;
}

Crc::Crc(const CrcModel &model) : m_model(model), m_tables(new uint64_t[8 * 256])
{
    const uint32_t shift = model.refin ? 0 : 64 - model.width;
    uint64_t *t = m_tables.get();
    for (unsigned b = 0; b < 256; ++b)
        t[b] = kRemainders[model.width - 8](model, static_cast<uint8_t>(b)) << shift;
    // Table k: a byte followed by k zero bytes.
    for (unsigned k = 1; k < 8; ++k) {
        for (unsigned b = 0; b < 256; ++b) {
            const uint64_t prev = t[(k - 1) * 256 + b];
            t[k * 256 + b] = model.refin ? (prev >> 8) ^ t[prev & 0xFF] : (prev << 8) ^ t[prev >> 56];
        }
    }
    reset();
}

void Crc::reset()
{
    m_register = m_model.refin ? reflect(m_model.init, m_model.width)
                               : m_model.init << (64 - m_model.width);
}

void Crc::update(const uint8_t *p, size_t count)
{
    const uint64_t *t = m_tables.get();
    uint64_t r = m_register;
    if (m_model.refin) {
        for (; count >= 8; p += 8, count -= 8) {
            r ^= loadLittle(p);
            r = t[7 * 256 + (r & 0xFF)] ^ t[6 * 256 + ((r >> 8) & 0xFF)]
                ^ t[5 * 256 + ((r >> 16) & 0xFF)] ^ t[4 * 256 + ((r >> 24) & 0xFF)]
                ^ t[3 * 256 + ((r >> 32) & 0xFF)] ^ t[2 * 256 + ((r >> 40) & 0xFF)]
                ^ t[1 * 256 + ((r >> 48) & 0xFF)] ^ t[r >> 56];
        }
        for (; count > 0; ++p, --count)
            r = (r >> 8) ^ t[(r ^ *p) & 0xFF];
    } else {
        for (; count >= 8; p += 8, count -= 8) {
            r ^= loadBig(p);
            r = t[7 * 256 + (r >> 56)] ^ t[6 * 256 + ((r >> 48) & 0xFF)]
                ^ t[5 * 256 + ((r >> 40) & 0xFF)] ^ t[4 * 256 + ((r >> 32) & 0xFF)]
                ^ t[3 * 256 + ((r >> 24) & 0xFF)] ^ t[2 * 256 + ((r >> 16) & 0xFF)]
                ^ t[1 * 256 + ((r >> 8) & 0xFF)] ^ t[r & 0xFF];
        }
        for (; count > 0; ++p, --count)
            r = (r << 8) ^ t[(r >> 56) ^ *p];
    }
    m_register = r;
}

uint64_t Crc::value() const
{
    return finalValue(m_register);
}

uint64_t Crc::valueWith(const uint8_t *p, size_t count) const
{
    const uint64_t *t = m_tables.get();
    uint64_t r = m_register;
    for (; count > 0; ++p, --count)
        r = m_model.refin ? (r >> 8) ^ t[(r ^ *p) & 0xFF] : (r << 8) ^ t[(r >> 56) ^ *p];
    return finalValue(r);
}

uint64_t Crc::finalValue(uint64_t reg) const
{
    const uint32_t w = m_model.width;
    uint64_t v = m_model.refin ? reg : reg >> (64 - w);
    if (m_model.refin != m_model.refout)
        v = reflect(v, w);
    return (v ^ m_model.xorout) & mask(w);
}

} // namespace kestrun
