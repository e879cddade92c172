// HexToBinary on arbitrary text with an arbitrary window, capacity and
// fill. What must hold: the result is one of the codes; a record error
// writes neither the size nor the image; the size is the window's; nothing
// lands past the window or the capacity; and any image that loads is
// written back by BinaryToHex and loads again as the same bytes.
#ifndef KESTRUN_FUZZ_HEX_TO_BINARY_H
#define KESTRUN_FUZZ_HEX_TO_BINARY_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "hex_layout.h"
#include "progress_probe.h"
#include "tail_buffer.h"

#include <algorithm>
#include <cstring>

namespace kestrun_fuzz {

namespace hex_to_binary_detail {

constexpr uint8_t kSentinel = 0xA5;
constexpr uint32_t kUnwritten = 0xDEADBEEF;

// Compared with memcmp against a block of sentinels: a byte-wise loop under
// the sanitizers would dominate the fuzzer's time.
inline bool allSentinel(const uint8_t *bytes, size_t count)
{
    static const std::vector<uint8_t> sentinels(0x10000, kSentinel);
    return std::memcmp(bytes, sentinels.data(), count) == 0;
}

inline void checkRoundTrip(const uint8_t *image, uint32_t size, int32_t recordLength, uint32_t newLine)
{
    std::string text;
    FUZZ_CHECK(writeHex(image, size, recordLength, newLine, text) == ResultOk);
    const uint8_t *again = nullptr;
    uint32_t againSize = 0;
    uint32_t end = 0;
    FUZZ_CHECK(readHex(text, size, again, againSize, end) == ResultOk);
    FUZZ_CHECK(end == size - 1);
    FUZZ_CHECK(againSize == size && std::memcmp(again, image, size) == 0);
}

} // namespace hex_to_binary_detail

// Header: capacity (2), start (5), automatic end (1), end (5), fill (4),
// progress stop (1), record length and line end of the round trip (2).
inline int hexToBinaryOne(const uint8_t *data, size_t size)
{
    using namespace hex_to_binary_detail;
    FuzzInput in(data, size);
    const uint32_t capacity = smallMostly(in.word16());
    const uint32_t start = in.position();
    // An end of 0 asks for the automatic end, whichever way it came.
    const bool askedAutomatic = in.byte() & 1;
    const uint32_t endField = in.position();
    const uint32_t manualEnd = askedAutomatic ? 0 : endField;
    const bool automatic = manualEnd == 0;
    const uint32_t fill = in.word32();
    ProgressProbe probe;
    probe.stopAt = in.stopAt();
    const int32_t recordLength = 1 + in.byte() % 255;
    static constexpr uint32_t kLineEnds[] = {KESTRUN_NEWLINE_CRLF, KESTRUN_NEWLINE_LF, KESTRUN_NEWLINE_CR};
    const uint32_t newLine = kLineEnds[in.byte() % 3];

    std::unique_ptr<uint8_t[]> text = in.exactRest(true);
    const size_t textEnd = std::strlen(reinterpret_cast<const char *>(text.get()));
    static TailBuffer<uint8_t> imageBuffer(0x10000);
    uint8_t *const image = imageBuffer.take(capacity, kSentinel);
    probe.total = int32_t(in.restSize());

    uint32_t imageSize = kUnwritten;
    uint32_t end = manualEnd;
    const int32_t result =
        HexToBinary(reinterpret_cast<const char *>(text.get()), image, probe.total, capacity,
                    &imageSize, &start, &end, fill, probe.userValue(), probe.callback());

    FUZZ_CHECK(result <= ResultOk && result >= ResultAddressFault);
    FUZZ_CHECK(probe.ordered && probe.totalsRight);
    FUZZ_CHECK(probe.calls == 0 || probe.lastDone <= textEnd);
    FUZZ_CHECK(result != ResultCancelled || probe.stopped());
    FUZZ_CHECK(!probe.stopped() || result == ResultCancelled || result == ResultOverflow);
    if (result != ResultOk && result != ResultCancelled && result != ResultOverflow) {
        FUZZ_CHECK(imageSize == kUnwritten);
        FUZZ_CHECK(allSentinel(image, capacity));
        return 0;
    }
    FUZZ_CHECK(automatic || end == manualEnd);
    const bool emptyWindow = result == ResultOk && automatic && end == 0xFFFFFFFF && imageSize == 0;
    const int64_t window = emptyWindow ? 0 : int64_t(end) - int64_t(start) + 1;
    if (window < 0) {
        FUZZ_CHECK(result == ResultOverflow && imageSize == uint32_t(window));
        FUZZ_CHECK(allSentinel(image, capacity));
        return 0;
    }
    FUZZ_CHECK(imageSize == std::min<int64_t>(window, UINT32_MAX));
    if (window > int64_t(capacity)) {
        FUZZ_CHECK(result == ResultOverflow);
        FUZZ_CHECK(allSentinel(image, capacity));
        return 0;
    }
    FUZZ_CHECK(result != ResultOverflow);
    FUZZ_CHECK(allSentinel(image + window, capacity - window));
    if (result == ResultOk && window > 0)
        checkRoundTrip(image, uint32_t(window), recordLength, newLine);
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_HEX_TO_BINARY_H
