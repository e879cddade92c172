// LineHexToBin on an arbitrary record, against the record rules of
// hex_rules.h: the result, the position value and the stored bytes must
// agree, an accepted data record must store exactly the bytes its digits
// spell, and no byte of the decode buffer outside the record's data may
// change. The buffer is exactly the documented 65535 + 255 bytes, so the
// sanitizer sees any store beyond it.
#ifndef KESTRUN_FUZZ_LINE_HEX_TO_BIN_H
#define KESTRUN_FUZZ_LINE_HEX_TO_BIN_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "hex_rules.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace kestrun_fuzz {

namespace line_hex_to_bin_detail {

constexpr size_t kRoom = 65535 + 255;
constexpr uint8_t kSentinel = 0xA5;
constexpr uint32_t kUntouched = 0xDEADBEEF;

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
    const int32_t result = LineHexToBin(reinterpret_cast<const char *>(record.get()), int32_t(size),
                                        buffer, &position);

    const RecordMeaning d = recordMeaning(record.get());
    FUZZ_CHECK(result == d.result);
    FUZZ_CHECK(position == (d.rule == PositionRule::Untouched ? kUntouched : d.position));
    const size_t from = result == 0 ? d.address : 0;
    const size_t to = result == 0 ? from + d.data.size() : 0;
    FUZZ_CHECK(std::equal(d.data.begin(), d.data.end(), buffer + from) || result != 0);
    FUZZ_CHECK(allSentinel(buffer, buffer + from) && allSentinel(buffer + to, buffer + kRoom));
    std::memset(buffer + from, kSentinel, to - from);
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_LINE_HEX_TO_BIN_H
