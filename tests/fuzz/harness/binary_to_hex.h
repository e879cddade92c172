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

struct Window
{
    uint64_t start;
    uint64_t last;
    uint64_t size;
};

inline void checkRecordLengths(const std::string &text, uint32_t perRecord)
{
    for (size_t colon = text.find(':'); colon != std::string::npos; colon = text.find(':', colon + 1)) {
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

// Header: capacity (3), record length (5), start (5), automatic end (1),
// end (5), blank (4), line end (5), progress stop (1).
inline int binaryToHexOne(const uint8_t *input, size_t size)
{
    using namespace binary_to_hex_detail;
    FuzzInput in(input, size);
    const uint32_t smallPart = smallMostly(in.word16());
    const uint32_t capacity = smallPart + (in.byte() >= 0xF0 ? 0x30000 : 0);
    const uint8_t lengthSelector = in.byte();
    const uint32_t rawLength = in.word32();
    const int32_t recordLength = lengthSelector < 240 ? int32_t(1 + rawLength % 255) : int32_t(rawLength);
    const uint32_t start = in.position();
    // An end of 0 asks for the automatic end, whichever way it came.
    const bool askedAutomatic = in.byte() & 1;
    const uint32_t endField = in.position();
    const uint32_t manualEnd = askedAutomatic ? 0 : endField;
    const bool automatic = manualEnd == 0;
    const uint32_t blank = in.word32();
    static constexpr uint32_t kLineEnds[] = {KESTRUN_NEWLINE_CRLF, KESTRUN_NEWLINE_LF, KESTRUN_NEWLINE_CR,
                                             0x0D0A};
    const uint8_t lineSelector = in.byte();
    const uint32_t rawLine = in.word32();
    const bool plainLines = lineSelector % 5 < 4;
    const uint32_t newLine = plainLines ? kLineEnds[lineSelector % 5] : rawLine;
    ProgressProbe probe;
    probe.stopAt = in.stopAt();

    const uint32_t dataLength = uint32_t(in.restSize());
    std::unique_ptr<uint8_t[]> data = in.exactRest();
    static TailBuffer<char> textBuffer(kLargestCapacity);
    char *const text = textBuffer.take(capacity, kSentinel);
    const bool emptyData = automatic && dataLength == 0;
    const uint32_t last = automatic ? dataLength - 1 : manualEnd;
    probe.total = int32_t(last);

    uint32_t written = kUnwritten;
    uint32_t end = manualEnd;
    const int32_t result = BinaryToHex(data.get(), text, dataLength, capacity, recordLength, &written,
                                       &start, &end, blank, newLine, probe.userValue(), probe.callback());

    FUZZ_CHECK(result == ResultOk || result == ResultCancelled || result == ResultOverflow ||
               result == ResultNoMemory);
    FUZZ_CHECK(probe.ordered && probe.totalsRight);
    FUZZ_CHECK((result == ResultCancelled) == (probe.stopped() && result != ResultNoMemory));
    const bool tableTooLarge = !emptyData && 2 * uint64_t(last) + 1024 > kTableLimit;
    FUZZ_CHECK((result == ResultNoMemory) == tableTooLarge);
    const Window w{start, last, emptyData || start > last ? 0 : uint64_t(last) - start + 1};
    const uint32_t perRecord = uint32_t(std::clamp(recordLength, 1, 255));
    const uint64_t expected = hexTextLength(w.size, perRecord, lineEndLength(newLine));
    if (result != ResultOk) {
        FUZZ_CHECK(written == kUnwritten && end == last);
        const bool anyLine = capacity > 0 && text[0] != kSentinel;
        FUZZ_CHECK(!anyLine || std::memchr(text, 0, capacity) != nullptr);
        if (tableTooLarge || recordLength < 1)
            FUZZ_CHECK(!anyLine && result != ResultCancelled);
        else if (result == ResultOverflow)
            FUZZ_CHECK(capacity < expected + kOutputMargin + 1);
        return 0;
    }

    FUZZ_CHECK(recordLength >= 1);
    FUZZ_CHECK(written == expected && written < capacity);
    FUZZ_CHECK(text[written] == '\0');
    FUZZ_CHECK(end == uint32_t(w.size == 0 ? start : uint64_t(last) + 1));
    if (plainLines) {
        FUZZ_CHECK(std::strlen(text) == written);
        const std::string hex(text, written);
        checkRecordLengths(hex, perRecord);
        checkReadsBack(hex, data.get(), dataLength, w, uint8_t(blank));
    }
    return 0;
}

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_BINARY_TO_HEX_H
