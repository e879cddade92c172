#include "srec_lines.h"

namespace kestrun {

char *putSrecRecord(char *p, uint32_t type, uint32_t addressBytes, uint32_t address,
                    const uint8_t *data, uint32_t count, const LineEnd &lineEnd)
{
    *p++ = 'S';
    *p++ = static_cast<char>('0' + type);
    const uint32_t length = addressBytes + count + 1;
    p = putHexByte(p, length);
    uint32_t sum = length;
    for (uint32_t i = addressBytes; i-- > 0;) {
        const uint32_t byte = (address >> (8 * i)) & 0xFF;
        p = putHexByte(p, byte);
        sum += byte;
    }
    for (uint32_t i = 0; i < count; ++i) {
        p = putHexByte(p, data[i]);
        sum += data[i];
    }
    p = putHexByte(p, ~sum & 0xFF);
    return lineEnd.put(p);
}

} // namespace kestrun
