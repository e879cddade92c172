// What Intel HEX text means, written from the record rules alone and
// byte by byte, for the harnesses to judge the library by: a record is a
// colon, exactly its length byte + 5 digit pairs of either case, and a line
// end; only line ends stand between records; an accepted data record puts
// exactly the bytes its digits spell at its address.
#ifndef KESTRUN_FUZZ_HEX_RULES_H
#define KESTRUN_FUZZ_HEX_RULES_H

#include "exports.h"

#include <cstdint>
#include <map>
#include <vector>

namespace kestrun_fuzz {

enum class PositionRule { Untouched, Written };

struct RecordMeaning {
    int32_t result = ResultNotIntelHex;
    PositionRule rule = PositionRule::Untouched;
    uint32_t position = 0;
    uint32_t address = 0;
    std::vector<uint8_t> data;
    const unsigned char *stop = nullptr; // the line end after the record
};

inline int digitOf(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

inline bool isLineStop(unsigned char c)
{
    return c == '\0' || c == '\r' || c == '\n';
}

inline RecordMeaning recordMeaning(const unsigned char *record)
{
    RecordMeaning m;
    if (record[0] != ':')
        return m;
    std::vector<uint8_t> bytes;
    const unsigned char *p = record + 1;
    for (; digitOf(p[0]) >= 0; p += 2) {
        if (digitOf(p[1]) < 0)
            return m;
        bytes.push_back(uint8_t(digitOf(p[0]) * 16 + digitOf(p[1])));
    }
    if (!isLineStop(p[0]) || bytes.empty() || bytes.size() != bytes[0] + 5u)
        return m;
    m.stop = p;
    uint32_t sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    if (sum & 0xFF) {
        m.result = ResultChecksumError;
        return m;
    }
    m.rule = PositionRule::Written;
    const uint8_t length = bytes[0];
    const uint32_t address = bytes[1] * 256u + bytes[2];
    const uint8_t type = bytes[3];
    m.result = type;
    switch (type) {
    case 0:
        m.address = address;
        m.data.assign(bytes.begin() + 4, bytes.begin() + 4 + length);
        m.position = address + length;
        break;
    case 1:
        if (bytes.back() != 0xFF)
            m.result = ResultEndRecordError;
        break;
    case 2:
    case 4:
        if (length != 2 || address != 0)
            m.result = ResultNotIntelHex;
        else
            m.position = (bytes[4] * 256u + bytes[5]) * (type == 2 ? 16u : 65536u);
        break;
    case 3:
    case 5:
        if (length != 4 || address != 0)
            m.result = ResultNotIntelHex;
        break;
    default:
        m.result = ResultNotIntelHex;
        break;
    }
    return m;
}

struct TextMeaning {
    int32_t result = ResultOk;
    std::map<uint64_t, uint8_t> bytes; // every byte written, by address
};

// The whole text, with a progress callback that stops the reading before
// record number `stopAt` (from 1; 0 or above 200: never).
inline TextMeaning textMeaning(const unsigned char *text, unsigned stopAt)
{
    constexpr uint64_t kSpace = uint64_t(1) << 32;
    TextMeaning t;
    uint64_t segment = 0;
    uint64_t linear = 0;
    const unsigned char *p = text;
    for (unsigned pass = 1;; ++pass) {
        if (pass == stopAt && stopAt <= 200) {
            t.result = ResultCancelled;
            return t;
        }
        const RecordMeaning m = recordMeaning(p);
        if (m.result < 0 || m.result == 1) {
            t.result = m.result < 0 ? m.result : ResultOk;
            return t;
        }
        if (m.result == 0) {
            const uint64_t at = linear + segment + m.address;
            if (at + m.data.size() > kSpace) {
                t.result = ResultAddressFault;
                return t;
            }
            for (size_t i = 0; i < m.data.size(); ++i)
                t.bytes[at + i] = m.data[i];
        } else if (m.result == 2) {
            segment = m.position;
            if (linear + segment >= kSpace) {
                t.result = ResultAddressFault;
                return t;
            }
        } else if (m.result == 4) {
            linear = m.position;
            segment = 0;
        }
        for (p = m.stop; *p == '\r' || *p == '\n'; ++p) {
        }
    }
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_HEX_RULES_H
