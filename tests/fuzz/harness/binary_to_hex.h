// BinaryToHex on arbitrary data with an arbitrary window, capacity, record
// length, blank and line end. What must hold: the result is one of the
// codes; nothing is written past the capacity; the text has exactly the
// length the layout gives, whenever it fits with the margin it must be
// written, and it reads back as the window, blanks past the data included.
#ifndef KESTRUN_FUZZ_BINARY_TO_HEX_H
#define KESTRUN_FUZZ_BINARY_TO_HEX_H

#include "exports.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "hex_layout.h"
#include "progress_probe.h"
#include "tail_buffer.h"

#include <algorithm>
#include <cstring>

namespace kestrun_fuzz {

namespace binary_to_hex_detail {

constexpr char kSentinel = char(0xA5);
constexpr uint32_t kUnwritten = 0xDEADBEEF;
constexpr uint64_t kTableLimit = 0xFFFFFFFF;
constexpr uint32_t kLargestCapacity = 0x40000;

struct Window {
    uint64_t start;
    uint64_t last;
    uint64_t size;
};

inline void checkRecordLengths(const std::string &text, uint32_t perRecord)
{
    for (size_t colon = text.find(':'); colon != std::string::npos;
         colon = text.find(':', colon + 1)) {
        FUZZ_CHECK(colon + 9 <= text.size());
        const uint32_t length = uint32_t(std::stoul(text.substr(colon + 1, 2), nullptr, 16));
        if (text.compare(colon + 7, 2, "00") == 0)
            FUZZ_CHECK(length >= 1 && length <= perRecord);
    }
}

inline void checkReadsBack(const std::string &text, const uint8_t *data, uint32_t dataLength,
                           const Window &w, uint8_t blank)
{
    const uint8_t *image = nullptr;
    uint32_t size = 0;
    uint32_t end = 0;
    FUZZ_CHECK(w.size <= kLargestReadBack);
    FUZZ_CHECK(readHex(text, uint32_t(w.size), image, size, end) == ResultOk);
    FUZZ_CHECK(size == w.size);
    for (uint64_t i = 0; i < size; ++i) {
        const uint64_t p = w.start + i;
        FUZZ_CHECK(image[i] == (p < dataLength ? data[p] : blank));
    }
}

} // namespace binary_to_hex_detail

// The arguments of one call. Header: capacity (3), record length (5),
// start (5), automatic end (1), end (5), blank (4), line end (5), progress
// stop (1).
struct BinaryToHexCall {
    uint32_t capacity;
    int32_t recordLength;
    uint32_t start;
    uint32_t end; // 0: automatic, whichever way it came
    uint32_t blank;
    uint32_t newLine;
    bool plainLines; // one of the line ends a reader takes
    uint8_t stopAt;

    static BinaryToHexCall read(FuzzInput &in)
    {
        BinaryToHexCall c{};
        const uint32_t smallPart = smallMostly(in.word16());
        c.capacity = smallPart + (in.byte() >= 0xF0 ? 0x30000 : 0);
        const uint8_t lengthSelector = in.byte();
        const uint32_t rawLength = in.word32();
        c.recordLength = lengthSelector < 240 ? int32_t(1 + rawLength % 255) : int32_t(rawLength);
        c.start = in.position();
        const bool automatic = in.byte() & 1;
        const uint32_t end = in.position();
        c.end = automatic ? 0 : end;
        c.blank = in.word32();
        static constexpr uint32_t kLineEnds[] = {KESTRUN_NEWLINE_CRLF, KESTRUN_NEWLINE_LF,
                                                 KESTRUN_NEWLINE_CR, 0x0D0A};
        const uint8_t lineSelector = in.byte();
        const uint32_t rawLine = in.word32();
        c.plainLines = lineSelector % 5 < 4;
        c.newLine = c.plainLines ? kLineEnds[lineSelector % 5] : rawLine;
        c.stopAt = in.stopAt();
        return c;
    }
};

struct BinaryToHexOutcome {
    int32_t result;
    const char *text;
    uint32_t written;
    uint32_t end;
    const ProgressProbe &probe;
};

inline void checkBinaryToHex(const BinaryToHexCall &c, const uint8_t *data, uint32_t dataLength,
                             const BinaryToHexOutcome &o)
{
    using namespace binary_to_hex_detail;
    const bool emptyData = c.end == 0 && dataLength == 0;
    const uint32_t last = c.end == 0 ? dataLength - 1 : c.end;
    FUZZ_CHECK(o.result == ResultOk || o.result == ResultCancelled || o.result == ResultOverflow
               || o.result == ResultNoMemory);
    FUZZ_CHECK(o.probe.ordered && o.probe.totalsRight);
    FUZZ_CHECK((o.result == ResultCancelled) == (o.probe.stopped() && o.result != ResultNoMemory));
    const bool tableTooLarge = !emptyData && 2 * uint64_t(last) + 1024 > kTableLimit;
    FUZZ_CHECK((o.result == ResultNoMemory) == tableTooLarge);

    const Window w{c.start, last, emptyData || c.start > last ? 0 : uint64_t(last) - c.start + 1};
    const uint32_t perRecord = uint32_t(std::clamp(c.recordLength, 1, 255));
    const uint64_t expected = hexTextLength(w.size, perRecord, lineEndLength(c.newLine));
    if (o.result != ResultOk) {
        FUZZ_CHECK(o.written == kUnwritten && o.end == last);
        const bool anyLine = c.capacity > 0 && o.text[0] != kSentinel;
        FUZZ_CHECK(!anyLine || std::memchr(o.text, 0, c.capacity) != nullptr);
        if (tableTooLarge || c.recordLength < 1)
            FUZZ_CHECK(!anyLine && o.result != ResultCancelled);
        else if (o.result == ResultOverflow)
            FUZZ_CHECK(c.capacity < expected + kOutputMargin + 1);
        return;
    }

    FUZZ_CHECK(c.recordLength >= 1);
    FUZZ_CHECK(o.written == expected && o.written < c.capacity);
    FUZZ_CHECK(o.text[o.written] == '\0');
    FUZZ_CHECK(o.end == uint32_t(w.size == 0 ? c.start : uint64_t(last) + 1));
    if (c.plainLines) {
        FUZZ_CHECK(std::strlen(o.text) == o.written);
        const std::string hex(o.text, o.written);
        checkRecordLengths(hex, perRecord);
        checkReadsBack(hex, data, dataLength, w, uint8_t(c.blank));
    }
}

inline int binaryToHexOne(const uint8_t *input, size_t size)
{
    using namespace binary_to_hex_detail;
    FuzzInput in(input, size);
    const BinaryToHexCall c = BinaryToHexCall::read(in);
    const uint32_t dataLength = uint32_t(in.restSize());
    std::unique_ptr<uint8_t[]> data = in.exactRest();
    static TailBuffer<char> textBuffer(kLargestCapacity);
    char *const text = textBuffer.take(c.capacity, kSentinel);
    ProgressProbe probe;
    probe.stopAt = c.stopAt;
    probe.total = int32_t(c.end == 0 ? dataLength - 1 : c.end);

    uint32_t written = kUnwritten;
    uint32_t end = c.end;
    const int32_t result =
        BinaryToHex(data.get(), text, dataLength, c.capacity, c.recordLength, &written, &c.start,
                    &end, c.blank, c.newLine, probe.userValue(), probe.callback());
    checkBinaryToHex(c, data.get(), dataLength, {result, text, written, end, probe});
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_BINARY_TO_HEX_H
