// LineHexToBin on an arbitrary record, against a decoder written from the
// record rules alone: the result, the position value and the stored bytes
// must agree, and no byte of the decode buffer outside the record's data
// may change. The buffer is exactly the documented 65535 + 255 bytes, so
// the sanitizer sees any store beyond it.
#ifndef KESTRUN_FUZZ_LINE_HEX_TO_BIN_H
#define KESTRUN_FUZZ_LINE_HEX_TO_BIN_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace kestrun_fuzz {

namespace line_hex_to_bin_detail {

constexpr size_t kRoom = 65535 + 255;
constexpr size_t kMaxPairs = 300;
constexpr uint8_t kSentinel = 0xA5;
constexpr uint32_t kUntouched = 0xDEADBEEF;

enum class PositionRule { Untouched, Written, Unsettled };

struct Decoded
{
    int32_t result = ResultNotIntelHex;
    PositionRule rule = PositionRule::Untouched;
    uint32_t position = 0;
    uint32_t address = 0;
    std::vector<uint8_t> data;
};

inline uint8_t digitValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return uint8_t(c - '0');
    if (c >= 'A' && c <= 'F')
        return uint8_t(c - 'A' + 10);
    return 0;
}

inline bool endsRecord(unsigned char c)
{
    return c == '\0' || c == '\r' || c == '\n';
}

inline Decoded decodeByTheRules(const unsigned char *record)
{
    Decoded d;
    if (record[0] != ':')
        return d;
    std::vector<uint8_t> bytes;
    for (const unsigned char *p = record + 1; !endsRecord(p[0]); p += 2) {
        if (bytes.size() == kMaxPairs)
            return d;
        bytes.push_back(uint8_t(digitValue(p[0]) << 4 | digitValue(p[1])));
        if (endsRecord(p[1]))
            break;
    }
    if (bytes.empty()) {
        d.rule = PositionRule::Unsettled;
        return d;
    }
    uint32_t sum = 0;
    for (uint8_t b : bytes)
        sum += b;
    if (sum & 0xFF) {
        d.result = ResultChecksumError;
        return d;
    }
    const uint8_t checksum = bytes.back();
    bytes.resize(std::max<size_t>({bytes.size(), 6, size_t(4) + bytes[0]}), 0);
    d.rule = PositionRule::Written;
    d.result = bytes[3];
    switch (bytes[3]) {
    case 0:
        d.address = bytes[1] * 256u + bytes[2];
        d.data.assign(bytes.begin() + 4, bytes.begin() + 4 + bytes[0]);
        d.position = d.address + bytes[0];
        break;
    case 1:
        if (checksum != 0xFF)
            d.result = ResultEndRecordError;
        break;
    case 2:
        d.position = (bytes[4] * 256u + bytes[5]) * 16u;
        break;
    case 4:
        d.position = (bytes[4] * 256u + bytes[5]) * 65536u + bytes[1] + bytes[2];
        break;
    case 3:
    case 5:
        break;
    default:
        d.result = ResultNotIntelHex;
        break;
    }
    return d;
}

inline uint8_t *decodeBuffer()
{
    static const std::unique_ptr<uint8_t[]> buffer = [] {
        std::unique_ptr<uint8_t[]> block(new uint8_t[kRoom]);
        std::memset(block.get(), kSentinel, kRoom);
        return block;
    }();
    return buffer.get();
}

// Compared with memcmp against a block of sentinels: a byte-wise loop
// under the sanitizers would dominate the fuzzer's time.
inline bool allSentinel(const uint8_t *from, const uint8_t *to)
{
    static const std::vector<uint8_t> sentinels(kRoom, kSentinel);
    return std::memcmp(from, sentinels.data(), size_t(to - from)) == 0;
}

} // namespace line_hex_to_bin_detail

// The whole input is the record.
inline int lineHexToBinOne(const uint8_t *input, size_t size)
{
    using namespace line_hex_to_bin_detail;
    FuzzInput in(input, size);
    std::unique_ptr<uint8_t[]> record = in.exactRest(true);
    uint8_t *buffer = decodeBuffer();
    uint32_t position = kUntouched;
    const int32_t result = LineHexToBin(reinterpret_cast<const char *>(record.get()), int32_t(size), buffer,
                                        &position);

    const Decoded d = decodeByTheRules(record.get());
    FUZZ_CHECK(result == d.result);
    if (d.rule == PositionRule::Untouched)
        FUZZ_CHECK(position == kUntouched);
    else if (d.rule == PositionRule::Written)
        FUZZ_CHECK(position == d.position);
    const size_t from = result == 0 ? d.address : 0;
    const size_t to = result == 0 ? from + d.data.size() : 0;
    FUZZ_CHECK(std::equal(d.data.begin(), d.data.end(), buffer + from) || result != 0);
    FUZZ_CHECK(allSentinel(buffer, buffer + from) && allSentinel(buffer + to, buffer + kRoom));
    std::memset(buffer + from, kSentinel, to - from);
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_LINE_HEX_TO_BIN_H
