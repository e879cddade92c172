// Image assembly: a whole Intel HEX text becomes one window of its address
// space.
//
// The records are laid out in a work image whose offset is the HEX address
// itself. The image is never filled: it remembers which spans the records
// wrote, and only the final copy into the caller's window fills the rest,
// so every byte of the window is touched once and untouched address space
// costs nothing.
#include "exports.h"
#include "guard.h"
#include "records.h"
#include "work_memory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kestrun {

namespace {

constexpr uint64_t kInitialImageSize = 64 * 1024;
constexpr uint64_t kGrowthHeadroom = 1024;
constexpr uint64_t kGrowthStep = 512 * 1024;
constexpr uint64_t kAddressSpace = uint64_t(1) << 32;

// The spans of the work image that data records wrote, as [begin, end).
class WrittenSpans {
public:
    void add(uint64_t begin, uint64_t end)
    {
        m_highest = std::max(m_highest, end);
        // Records in address order extend the last span; anything else
        // starts a new one, and the list is tidied now and then so that it
        // stays short whatever the order of the file.
        if (!m_spans.empty()) {
            Span &last = m_spans.back();
            if (begin <= last.end && end >= last.begin) {
                last.begin = std::min(last.begin, begin);
                last.end = std::max(last.end, end);
                return;
            }
        }
        m_spans.push_back({begin, end});
        if (m_spans.size() >= m_tidyAt) {
            tidy();
            m_tidyAt = std::max<size_t>(m_tidyAt, m_spans.size() * 2);
        }
    }

    bool empty() const { return m_spans.empty(); }
    uint64_t highest() const { return m_highest; }

    // Copies the window [start, start + size) of `work` to `out`, with
    // `fill` wherever no record wrote.
    void copyWindow(const uint8_t *work, uint64_t start, uint64_t size, uint8_t fill,
                    uint8_t *out)
    {
        tidy();
        const uint64_t stop = start + size;
        uint64_t at = start;
        for (const Span &span : m_spans) {
            if (span.end <= at)
                continue;
            if (span.begin >= stop)
                break;
            const uint64_t from = std::max(span.begin, at);
            const uint64_t to = std::min(span.end, stop);
            std::memset(out + (at - start), fill, from - at);
            std::memcpy(out + (from - start), work + from, to - from);
            at = to;
        }
        std::memset(out + (at - start), fill, stop - at);
    }

private:
    struct Span {
        uint64_t begin;
        uint64_t end;
    };

    void tidy()
    {
        std::sort(m_spans.begin(), m_spans.end(),
                  [](const Span &a, const Span &b) { return a.begin < b.begin; });
        size_t kept = 0;
        for (const Span &span : m_spans) {
            if (kept > 0 && span.begin <= m_spans[kept - 1].end)
                m_spans[kept - 1].end = std::max(m_spans[kept - 1].end, span.end);
            else
                m_spans[kept++] = span;
        }
        m_spans.resize(kept);
    }

    std::vector<Span> m_spans;
    size_t m_tidyAt = 4096;
    uint64_t m_highest = 0;
};

// The work image as the conversion sees it: its logical size follows the
// growth rule (64 KiB at first, then the running end + 512 KiB), and the
// memory behind it grows with it.
class WorkImage {
public:
    bool open() { return grow(kInitialImageSize); }

    bool grow(uint64_t size)
    {
        if (!m_memory.reserve(size))
            return false;
        m_size = std::max(m_size, size);
        return true;
    }

    uint64_t size() const { return m_size; }
    uint8_t *at(uint64_t offset) const { return m_memory.data() + offset; }

private:
    WorkMemory m_memory;
    uint64_t m_size = 0;
};

// The next record starts at the first colon after the record in hand. When
// the decoder met nothing but hex digits there is no colon before its stop,
// so the search starts there; otherwise from just after the record's colon.
const char *nextRecord(const char *record, const DecodedRecord &decoded)
{
    const char *p = decoded.onlyHexDigits ? decoded.stop : record + 1;
    while (*p != ':' && *p != '\0')
        ++p;
    return p;
}

struct Conversion {
    const char *text;
    uint8_t *image;
    int32_t textLength;
    uint32_t capacity;
    uint32_t *imageSize;
    uint32_t start;
    uint32_t *end;
    uint8_t fill;
    intptr_t userValue;
    ProgressCallback progress;
};

// Window size and the copy into the caller's buffer, after the end record or
// a cancellation. An automatic end with no data is an empty window.
int32_t finish(const Conversion &c, int32_t result, bool emptyWindow, WrittenSpans &spans,
               const WorkImage &work)
{
    const int64_t size = emptyWindow ? 0 : int64_t(*c.end) - int64_t(c.start) + 1;
    if (size < 0) {
        // An end below the start: the caller asked for a window that cannot
        // exist; the wrapped size tells it as a huge one, as it always has.
        *c.imageSize = static_cast<uint32_t>(size);
        return ResultOverflow;
    }
    *c.imageSize = static_cast<uint32_t>(std::min<int64_t>(size, UINT32_MAX));
    if (size > int64_t(c.capacity))
        return ResultOverflow;
    spans.copyWindow(work.at(0), c.start, uint64_t(size), c.fill, c.image);
    return result;
}

int32_t convert(const Conversion &c)
{
    WorkImage work;
    if (!work.open())
        return ResultNoMemory;

    WrittenSpans spans;
    DecodedRecord decoded;
    uint64_t segmentBase = 0;
    uint64_t linearBase = 0;
    uint64_t runningEnd = 0;
    const char *record = c.text;

    for (;;) {
        if (c.progress &&
            !c.progress(static_cast<int32_t>(record - c.text), c.textLength, c.userValue))
            return finish(c, ResultCancelled, false, spans, work);

        if (runningEnd + kGrowthHeadroom > work.size() && !work.grow(runningEnd + kGrowthStep))
            return ResultNoMemory;

        uint32_t position = 0;
        const int32_t type = decodeRecord(record, decoded, &position);
        if (type < 0)
            return type;

        const uint64_t base = linearBase + segmentBase;
        switch (type) {
        case 0x00: {
            const uint64_t begin = base + decoded.address();
            const uint64_t reach = begin + decoded.dataLength();
            if (reach > kAddressSpace)
                return ResultAddressFault;
            // A record may jump ahead of the image or run on across a
            // 64 KiB boundary; the image grows to take it.
            if (reach > work.size() && !work.grow(reach + kGrowthStep))
                return ResultNoMemory;
            if (reach > begin) {
                std::memcpy(work.at(begin), decoded.data(), decoded.dataLength());
                spans.add(begin, reach);
            }
            runningEnd = base + position;
            break;
        }
        case 0x01: {
            // The automatic end is the highest byte written, whatever the
            // order of the records.
            const bool automatic = *c.end == 0;
            if (automatic)
                *c.end = spans.empty() ? UINT32_MAX : static_cast<uint32_t>(spans.highest() - 1);
            return finish(c, ResultOk, automatic && spans.empty(), spans, work);
        }
        case 0x02:
            segmentBase = position;
            if (linearBase + segmentBase >= kAddressSpace)
                return ResultAddressFault;
            runningEnd = segmentBase;
            break;
        case 0x04:
            linearBase = position;
            segmentBase = 0;
            runningEnd = linearBase;
            break;
        default:
            break;
        }
        record = nextRecord(record, decoded);
    }
}

} // namespace

} // namespace kestrun

using namespace kestrun;

extern "C" KESTRUN_API int32_t HexToBinary(const char *text, uint8_t *image, int32_t textLength,
                                           uint32_t capacity, uint32_t *imageSize,
                                           const uint32_t *start, uint32_t *end, uint32_t fill,
                                           intptr_t userValue, ProgressCallback progress)
{
    return guarded([&] {
        const Conversion c{text,   image, textLength, capacity, imageSize, *start,
                           end,    static_cast<uint8_t>(fill), userValue, progress};
        return convert(c);
    });
}
