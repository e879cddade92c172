#include "hex_lines.h"

#include "hex_vector.h"

#include <cstring>

namespace kestrun {

char *putAddressRecord(char *p, uint32_t type, uint32_t value, const LineEnd &lineEnd)
{
    *p++ = ':';
    p = putHexByte(p, 0x02);
    p = putHexWord(p, 0x0000);
    p = putHexByte(p, type);
    p = putHexWord(p, value);
    const uint32_t sum = 0x02 + type + (value >> 8) + (value & 0xFF);
    p = putHexByte(p, 0x100 - (sum & 0xFF));
    return lineEnd.put(p);
}

char *putDataRecord(char *p, uint32_t offset, const uint8_t *data, uint32_t fromData,
                    uint32_t count, uint8_t blank, const LineEnd &lineEnd)
{
    *p++ = ':';
    p = putHexByte(p, count);
    p = putHexWord(p, offset);
    p = putHexByte(p, 0x00);
    uint32_t sum = count + (offset >> 8) + (offset & 0xFF);
    uint32_t i = 0;
#if KESTRUN_HEX_VECTOR
    i = fromData & ~uint32_t(15);
    p = putHexBytes16(p, data, i, sum);
#endif
    for (; i < fromData; ++i) {
        p = putHexByte(p, data[i]);
        sum += data[i];
    }
    for (uint32_t i = fromData; i < count; ++i) {
        p = putHexByte(p, blank);
        sum += blank;
    }
    p = putHexByte(p, 0x100 - (sum & 0xFF));
    return lineEnd.put(p);
}

char *putStartRecord(char *p, uint32_t type, uint32_t value, const LineEnd &lineEnd)
{
    *p++ = ':';
    p = putHexByte(p, 0x04);
    p = putHexWord(p, 0x0000);
    p = putHexByte(p, type);
    p = putHexWord(p, value >> 16);
    p = putHexWord(p, value & 0xFFFF);
    const uint32_t sum = 0x04 + type + (value >> 24) + ((value >> 16) & 0xFF)
                         + ((value >> 8) & 0xFF) + (value & 0xFF);
    p = putHexByte(p, 0x100 - (sum & 0xFF));
    return lineEnd.put(p);
}

char *putEndRecord(char *p, const LineEnd &lineEnd)
{
    static constexpr char kEnd[] = ":00000001FF";
    std::memcpy(p, kEnd, sizeof kEnd - 1);
    return lineEnd.put(p + sizeof kEnd - 1);
}

bool AddressRecords::reaches(uint64_t block) const
{
    switch (m_mode) {
    case KESTRUN_ADDRESS_NONE:
        return block == 0;
    case KESTRUN_ADDRESS_SEGMENT:
        return block < 16;
    default:
        return block < 0x10000;
    }
}

int AddressRecords::before(uint64_t block, AddressRecord out[2])
{
    if (!reaches(block))
        return -1;
    int n = 0;
    const bool segmented =
        m_mode == KESTRUN_ADDRESS_SEGMENT || (m_mode == KESTRUN_ADDRESS_AUTO && block < 16);
    if (m_mode == KESTRUN_ADDRESS_NONE)
        return 0;
    if (segmented) {
        if (m_linear != 0) {
            out[n++] = {0x04, 0x0000};
            m_linear = 0;
        }
        if (m_segment != block) {
            out[n++] = {0x02, static_cast<uint32_t>(block * 0x1000)};
            m_segment = block;
        }
        return n;
    }
    if (m_segment != 0) {
        out[n++] = {0x02, 0x0000};
        m_segment = 0;
    }
    if (m_linear != block) {
        out[n++] = {0x04, static_cast<uint32_t>(block)};
        m_linear = block;
    }
    return n;
}

} // namespace kestrun
