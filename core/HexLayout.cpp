#include "core/HexLayout.h"

#include "core/HexDigit.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kAddressSpace = std::uint64_t(1) << 32;

// The digit pairs of the record whose colon is at `at`, up to the line's
// end or the first character that is not a digit; returns how many, or -1
// when the pairs do not make a sound record (anything but a line end after
// them, a length that disagrees, a wrong checksum).
int decodePairs(QByteArrayView text, qsizetype at, std::uint8_t (&bytes)[300], bool &sound)
{
    int count = 0;
    qsizetype p = at + 1;
    for (; p + 1 < text.size() && count < 300; p += 2) {
        const int high = HexDigit::value(text[p]);
        const int low = HexDigit::value(text[p + 1]);
        if (high < 0 || low < 0)
            break;
        bytes[count++] = static_cast<std::uint8_t>(high * 16 + low);
    }
    std::uint8_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += bytes[i];
    const char after = p < text.size() ? text[p] : '\0';
    sound = count >= 5 && count == bytes[0] + 5 && sum == 0
            && (after == '\r' || after == '\n' || after == '\0');
    return count;
}

void merge(std::vector<HexLayout::Span> &spans)
{
    std::sort(spans.begin(), spans.end(),
              [](const HexLayout::Span &a, const HexLayout::Span &b) { return a.begin < b.begin; });
    std::size_t kept = 0;
    for (const HexLayout::Span &span : spans) {
        if (kept > 0 && span.begin <= spans[kept - 1].end)
            spans[kept - 1].end = std::max(spans[kept - 1].end, span.end);
        else
            spans[kept++] = span;
    }
    spans.resize(kept);
}

} // namespace

HexLayout HexLayout::scan(QByteArrayView text)
{
    HexLayout layout;
    std::uint64_t linearBase = 0;
    std::uint64_t segmentBase = 0;
    std::uint64_t written = 0;
    std::size_t tidyAt = 4096;
    std::uint8_t bytes[300];
    for (qsizetype at = text.indexOf(':'); at >= 0; at = text.indexOf(':', at + 1)) {
        bool sound = false;
        const int count = decodePairs(text, at, bytes, sound);
        layout.sound = layout.sound && sound;
        if (count < 5)
            continue;
        const int type = bytes[3];
        const std::uint32_t value = bytes[4] * 256u + bytes[5];
        if (type <= 5)
            ++layout.records[type];
        if (type == 0x01)
            break;
        if (type == 0x02) {
            segmentBase = std::uint64_t(value) * 16;
        } else if (type == 0x04) {
            linearBase = std::uint64_t(value) << 16;
            segmentBase = 0;
        } else if ((type == 0x03 || type == 0x05) && count >= 9) {
            layout.startAddress = std::uint32_t(bytes[4]) << 24 | std::uint32_t(bytes[5]) << 16
                                  | std::uint32_t(bytes[6]) << 8 | bytes[7];
            layout.startType = type;
        } else if (type == 0x00) {
            const int length = std::min<int>(bytes[0], count - 5);
            const std::uint64_t begin = linearBase + segmentBase + bytes[1] * 256u + bytes[2];
            if (length <= 0 || begin + std::uint64_t(length) > kAddressSpace)
                continue;
            for (int i = 0; i < length; ++i)
                layout.recordSum += bytes[4 + i];
            written += std::uint64_t(length);
            // Records in address order extend the last span.
            Span &last = layout.spans.empty() ? layout.spans.emplace_back(Span{begin, begin})
                                              : layout.spans.back();
            if (begin == last.end && begin >= last.begin) {
                last.end += std::uint64_t(length);
                continue;
            }
            layout.spans.push_back({begin, begin + std::uint64_t(length)});
            if (layout.spans.size() >= tidyAt) {
                merge(layout.spans);
                tidyAt = std::max(tidyAt, layout.spans.size() * 2);
            }
        }
    }
    merge(layout.spans);
    for (const Span &span : layout.spans)
        layout.dataBytes += span.end - span.begin;
    layout.overlapping = layout.dataBytes != written;
    return layout;
}

std::uint32_t HexLayout::imageSum(const LibraryCalls &calls, QByteArrayView text) const
{
    if (!overlapping)
        return recordSum;
    std::uint32_t sum = 0;
    for (const Span &span : spans) {
        const std::uint64_t size = span.end - span.begin;
        std::uint32_t start = static_cast<std::uint32_t>(span.begin);
        // An end of 0 would mean "up to the last data": 0..0 is read as 0..1.
        std::uint32_t end = std::max<std::uint32_t>(static_cast<std::uint32_t>(span.end - 1), 1);
        std::vector<std::uint8_t> image(size + 1);
        std::uint32_t imageSize = 0;
        if (calls.hexToBinary(
                text.constData(), image.data(), static_cast<std::int32_t>(text.size()),
                static_cast<std::uint32_t>(size + 1), &imageSize, &start, &end, 0, 0, nullptr)
            != ResultOk)
            continue;
        for (std::uint64_t i = 0; i < size; ++i)
            sum += image[i];
    }
    return sum;
}
