// HexToBinary on arbitrary text with an arbitrary window, capacity and
// fill. What must hold: the result is the one the rules of hex_rules.h
// give; a record error writes neither the size nor the image; the size is
// the window's; the window holds exactly the bytes the records spell, fill
// elsewhere; nothing lands past the window or the capacity; and any image
// that loads is written back by BinaryToHex and loads again as the same
// bytes.
#ifndef KESTRUN_FUZZ_HEX_TO_BINARY_H
#define KESTRUN_FUZZ_HEX_TO_BINARY_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "hex_layout.h"
#include "hex_rules.h"
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

inline void checkRoundTrip(const uint8_t *image, uint32_t size, int32_t recordLength,
                           uint32_t newLine)
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

// The arguments of one call. Header: capacity (2), start (5), automatic
// end (1), end (5), fill (4), progress stop (1), record length and line end
// of the round trip (2).
struct HexToBinaryCall {
    uint32_t capacity;
    uint32_t start;
    uint32_t end; // 0: automatic, whichever way it came
    uint32_t fill;
    uint8_t stopAt;
    int32_t recordLength;
    uint32_t newLine;

    static HexToBinaryCall read(FuzzInput &in)
    {
        HexToBinaryCall c{};
        c.capacity = smallMostly(in.word16());
        c.start = in.position();
        const bool automatic = in.byte() & 1;
        const uint32_t end = in.position();
        c.end = automatic ? 0 : end;
        c.fill = in.word32();
        c.stopAt = in.stopAt();
        c.recordLength = 1 + in.byte() % 255;
        static constexpr uint32_t kLineEnds[] = {KESTRUN_NEWLINE_CRLF, KESTRUN_NEWLINE_LF,
                                                 KESTRUN_NEWLINE_CR};
        c.newLine = kLineEnds[in.byte() % 3];
        return c;
    }
};

struct HexToBinaryOutcome {
    int32_t result;
    const uint8_t *image;
    uint32_t imageSize;
    uint32_t end;
    size_t textEnd; // where the text's NUL stands
    const ProgressProbe &probe;
    const TextMeaning &meaning;
};

namespace hex_to_binary_detail {

inline bool resultAsMeant(int32_t result, int32_t meant)
{
    if (meant == ResultOk)
        return result == meant || result == ResultOverflow;
    return result == meant;
}

// The window as the records spell it: their bytes where they wrote, the
// fill elsewhere.
inline bool windowAsMeant(const HexToBinaryCall &c, const HexToBinaryOutcome &o, int64_t window)
{
    std::vector<uint8_t> meant(size_t(window), uint8_t(c.fill));
    const uint64_t stop = uint64_t(c.start) + uint64_t(window);
    for (auto at = o.meaning.bytes.lower_bound(c.start);
         at != o.meaning.bytes.end() && at->first < stop; ++at)
        meant[at->first - c.start] = at->second;
    return window == 0 || std::memcmp(meant.data(), o.image, size_t(window)) == 0;
}

inline uint32_t automaticEnd(const TextMeaning &meaning)
{
    return meaning.bytes.empty() ? 0xFFFFFFFF : uint32_t(meaning.bytes.rbegin()->first);
}

} // namespace hex_to_binary_detail

inline void checkHexToBinary(const HexToBinaryCall &c, const HexToBinaryOutcome &o)
{
    using namespace hex_to_binary_detail;
    FUZZ_CHECK(o.result <= ResultOk && o.result >= ResultAddressFault);
    FUZZ_CHECK(resultAsMeant(o.result, o.meaning.result));
    FUZZ_CHECK(o.probe.ordered && o.probe.totalsRight);
    FUZZ_CHECK(o.probe.calls == 0 || o.probe.lastDone <= o.textEnd);
    FUZZ_CHECK(o.result != ResultCancelled || o.probe.stopped());
    FUZZ_CHECK(!o.probe.stopped() || o.result == ResultCancelled);
    if (o.result != ResultOk && o.result != ResultCancelled && o.result != ResultOverflow) {
        FUZZ_CHECK(o.imageSize == kUnwritten);
        FUZZ_CHECK(allSentinel(o.image, c.capacity));
        return;
    }
    if (o.result == ResultCancelled) {
        // The window read so far: an automatic end at the highest byte
        // read, nothing below the start.
        FUZZ_CHECK(o.end == c.end);
        const int64_t last = c.end != 0           ? int64_t(c.end)
                             : o.meaning.bytes.empty() ? int64_t(c.start) - 1
                                                       : int64_t(o.meaning.bytes.rbegin()->first);
        const int64_t window = std::max<int64_t>(last - int64_t(c.start) + 1, 0);
        FUZZ_CHECK(o.imageSize == std::min<int64_t>(window, UINT32_MAX));
        if (window > int64_t(c.capacity)) {
            FUZZ_CHECK(allSentinel(o.image, c.capacity));
            return;
        }
        FUZZ_CHECK(allSentinel(o.image + window, c.capacity - window));
        FUZZ_CHECK(windowAsMeant(c, o, window));
        return;
    }
    FUZZ_CHECK(c.end == 0 || o.end == c.end);
    FUZZ_CHECK(c.end != 0 || o.meaning.result != ResultOk || o.end == automaticEnd(o.meaning));
    const bool emptyWindow =
        o.result == ResultOk && c.end == 0 && o.end == 0xFFFFFFFF && o.imageSize == 0;
    const int64_t window = emptyWindow ? 0 : int64_t(o.end) - int64_t(c.start) + 1;
    if (window < 0) {
        FUZZ_CHECK(o.result == ResultOverflow && o.imageSize == uint32_t(window));
        FUZZ_CHECK(allSentinel(o.image, c.capacity));
        return;
    }
    FUZZ_CHECK(o.imageSize == std::min<int64_t>(window, UINT32_MAX));
    if (window > int64_t(c.capacity)) {
        FUZZ_CHECK(o.result == ResultOverflow);
        FUZZ_CHECK(allSentinel(o.image, c.capacity));
        return;
    }
    FUZZ_CHECK(o.result != ResultOverflow);
    FUZZ_CHECK(allSentinel(o.image + window, c.capacity - window));
    FUZZ_CHECK(windowAsMeant(c, o, window));
    if (o.result == ResultOk && window > 0)
        checkRoundTrip(o.image, uint32_t(window), c.recordLength, c.newLine);
}

inline int hexToBinaryOne(const uint8_t *data, size_t size)
{
    using namespace hex_to_binary_detail;
    FuzzInput in(data, size);
    const HexToBinaryCall c = HexToBinaryCall::read(in);
    std::unique_ptr<uint8_t[]> text = in.exactRest(true);
    const char *const record = reinterpret_cast<const char *>(text.get());
    static TailBuffer<uint8_t> imageBuffer(0x10000);
    uint8_t *const image = imageBuffer.take(c.capacity, kSentinel);
    ProgressProbe probe;
    probe.stopAt = c.stopAt;
    probe.total = int32_t(in.restSize());

    uint32_t imageSize = kUnwritten;
    uint32_t end = c.end;
    const int32_t result = HexToBinary(record, image, probe.total, c.capacity, &imageSize, &c.start,
                                       &end, c.fill, probe.userValue(), probe.callback());
    const TextMeaning meaning = textMeaning(text.get(), c.stopAt);
    checkHexToBinary(c, {result, image, imageSize, end, std::strlen(record), probe, meaning});
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_HEX_TO_BINARY_H
