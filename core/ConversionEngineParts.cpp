// HEX to binary in two parts at once, on two cores. A long text is taken up
// again near its middle, at a record that sets every base
// (kestrun_resume_point); that second part is read on a thread of its own
// and its bytes are placed where they belong in the output, as the first
// part's are from the output's start. Whatever the parts cannot settle
// alike (a fault, an end record before the middle, a first part without
// data, a second part reaching below the first) is left to one pass, which
// says exactly where and what.
#include "core/ConversionEngine.h"

#include "core/ImageInput.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>

namespace {

// What the two parts tell each other.
struct Meeting {
    std::mutex mutex;
    std::condition_variable changed;
    // The first part's window start, once its first data record settled it.
    bool startKnown = false;
    std::uint64_t start = 0;
    // Either side gave up, or the user cancelled.
    std::atomic<bool> stop{false};
    std::atomic<bool> cancelled{false};

    void tellStart(std::uint64_t value)
    {
        const std::lock_guard lock(mutex);
        start = value;
        startKnown = true;
        changed.notify_all();
    }
    void giveUp()
    {
        const std::lock_guard lock(mutex);
        stop = true;
        changed.notify_all();
    }
    // The start, or none once a side gave up.
    std::optional<std::uint64_t> awaitStart()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return startKnown || stop; });
        return startKnown ? std::optional(start) : std::nullopt;
    }
};

struct FirstPart {
    AscendingBinary *binary;
    Meeting *meeting;
    ProgressCallback progress;
    std::intptr_t progressUser;
    bool told = false;
};

std::int32_t firstRecord(const kestrun_record *record, std::intptr_t user)
{
    auto *part = reinterpret_cast<FirstPart *>(user);
    if (!record->data)
        return ResultOk;
    const std::int32_t rc = part->binary->data(record->address, record->data, record->length);
    if (!part->told && !part->binary->empty()) {
        part->told = true;
        part->meeting->tellStart(part->binary->start());
    }
    return rc;
}

std::int32_t firstProgress(std::int32_t done, std::int32_t total, std::intptr_t user)
{
    auto *part = reinterpret_cast<FirstPart *>(user);
    if (part->meeting->stop)
        return 0;
    if (part->progress && !part->progress(done, total, part->progressUser)) {
        part->meeting->cancelled = true;
        part->meeting->giveUp();
        return 0;
    }
    return 1;
}

std::int32_t secondRecord(const kestrun_record *record, std::intptr_t binary)
{
    if (!record->data)
        return ResultOk;
    return reinterpret_cast<AscendingBinary *>(binary)->data(record->address, record->data,
                                                             record->length);
}

std::int32_t secondProgress(std::int32_t, std::int32_t, std::intptr_t meeting)
{
    return reinterpret_cast<Meeting *>(meeting)->stop ? 0 : 1;
}

} // namespace

// The offset where a second part may begin, for a long Intel HEX text that
// can be read out of order into an output that can take placed bytes.
std::optional<std::uint64_t> ConversionEngine::resumePoint(InputPieces &text)
{
    const std::uint64_t size = text.size();
    if (size < m_twoPartsFrom || size == 0 || (m_sink && (!m_placedSink || !m_startOver)) || !bind())
        return std::nullopt;
    const std::unique_ptr<InputPieces> head = text.part(0, std::uint64_t(kSniffedBytes));
    QByteArrayView piece;
    if (!head || !head->next(piece)
        || m_imageCalls->kestrun_detect_format(reinterpret_cast<const std::uint8_t *>(piece.data()),
                                               std::uint64_t(piece.size()))
               != KESTRUN_FORMAT_IHEX)
        return std::nullopt;
    return resumePointNearMiddle(*m_imageCalls, text, KESTRUN_FORMAT_IHEX);
}

std::int32_t ConversionEngine::placeAt(std::uint64_t offset, QByteArrayView bytes)
{
    if (m_placedSink)
        return m_placedSink(offset, bytes) ? ResultOk : ResultCancelled;
    if (offset + std::uint64_t(bytes.size()) > m_output.size() - 1)
        return ResultOverflow;
    std::memcpy(m_output.chars() + offset, bytes.data(), std::size_t(bytes.size()));
    return ResultOk;
}

std::int32_t ConversionEngine::streamHexInTwo(InputPieces &text, std::uint64_t middle,
                                              const AscendingBinary::Window &whole,
                                              Streamed &streamed)
{
    const std::unique_ptr<InputPieces> firstText = text.part(0, middle);
    const std::unique_ptr<InputPieces> secondText = text.part(middle, text.size());
    if (!firstText || !secondText)
        return ResultBadArgument;
    Meeting meeting;
    const std::uint8_t fill = std::uint8_t(m_settings.blank);

    // The second part: its bytes from the first one within the window, placed
    // once the first part knows where the output starts; the window's lower
    // edge is the lowest data when the first part settles it so.
    AscendingBinary::Window resumed = whole;
    resumed.resumed = true;
    if (whole.fromLowest)
        resumed = {0, whole.last, whole.autoEnd, false, true};
    AscendingBinary *secondBinary = nullptr;
    std::uint64_t placed = 0;
    std::uint64_t placedEnd = 0;
    AscendingBinary second(resumed, fill, [&](QByteArrayView bytes) -> std::int32_t {
        const std::optional<std::uint64_t> start = meeting.awaitStart();
        if (!start)
            return ResultCancelled;
        // Below the output's start: the parts are out of order.
        if (secondBinary->resumedAt() < *start)
            return AscendingBinary::OutOfOrder;
        const std::uint64_t offset = secondBinary->resumedAt() - *start + placed;
        placed += std::uint64_t(bytes.size());
        placedEnd = offset + std::uint64_t(bytes.size());
        return placeAt(offset, bytes);
    });
    secondBinary = &second;
    ImageInput secondIn;
    std::thread secondReader([&] {
        ImageInputOptions o;
        o.format = InputFormat::IntelHex;
        o.onRecord = secondRecord;
        o.recordUser = reinterpret_cast<std::intptr_t>(&second);
        o.progress = secondProgress;
        o.progressUser = reinterpret_cast<std::intptr_t>(&meeting);
        secondIn = readImageInput(*m_imageCalls, nullptr, *secondText, InputArgument{}, o);
        if (secondIn.result == ResultOk)
            secondIn.result = second.finish();
        if (secondIn.result != ResultOk)
            meeting.giveUp();
    });

    // The first part's bytes are placed too, from the output's start: they
    // need no in-order copy, nor a thread to write it beside the two parts.
    std::uint64_t firstPlaced = 0;
    AscendingBinary first(whole, fill, [&](QByteArrayView bytes) {
        const std::uint64_t offset = firstPlaced;
        firstPlaced += std::uint64_t(bytes.size());
        return placeAt(offset, bytes);
    });
    FirstPart firstPart{&first, &meeting, m_callback, m_userValue};
    ImageInputOptions o;
    o.format = InputFormat::IntelHex;
    o.part = ImageInputOptions::Part{0, 1};
    o.onRecord = firstRecord;
    o.recordUser = reinterpret_cast<std::intptr_t>(&firstPart);
    o.progress = firstProgress;
    o.progressUser = reinterpret_cast<std::intptr_t>(&firstPart);
    ImageInput firstIn = readImageInput(*m_imageCalls, nullptr, *firstText, InputArgument{}, o);
    if (firstIn.result == ResultOk && firstIn.stats.end_read)
        firstIn.result = ResultBadArgument;
    if (firstIn.result == ResultOk)
        firstIn.result = first.release();
    if (firstIn.result != ResultOk || first.empty())
        meeting.giveUp();
    secondReader.join();
    // A part stopped because the other gave up is no cancel: one pass
    // follows, and says what was wrong.
    const bool secondFailed = secondIn.result != ResultOk;
    if (meeting.cancelled || (firstIn.result == ResultCancelled && !secondFailed))
        return ResultCancelled;
    // Text after the end record is named by its line, which only one pass
    // counts.
    if (firstIn.result != ResultOk || first.empty() || secondFailed || secondIn.pastEnd)
        return ResultBadArgument;
    if (!second.empty() && second.lowest() <= first.highest())
        return AscendingBinary::OutOfOrder;

    // Fill between the parts, placed; or, when the second part put nothing
    // out, the first part's own end.
    std::int32_t result = ResultOk;
    if (second.windowHeld()) {
        const std::uint64_t start = first.start();
        const QByteArray blank(qsizetype(std::min<std::uint64_t>(
                                   second.resumedAt() - first.next(), std::uint64_t(1) << 20)),
                               char(fill));
        for (std::uint64_t at = first.next(); result == ResultOk && at < second.resumedAt();) {
            const std::uint64_t n =
                std::min<std::uint64_t>(second.resumedAt() - at, std::uint64_t(blank.size()));
            result = placeAt(at - start, QByteArrayView(blank).first(qsizetype(n)));
            at += n;
        }
    } else {
        result = first.finish();
    }
    if (result != ResultOk)
        return result;
    if (!m_sink)
        m_outputLength = std::max({m_outputLength, firstPlaced, placedEnd});
    m_readStats = firstIn.stats;
    for (std::size_t type = 0; type < std::size(m_readStats.records); ++type)
        m_readStats.records[type] += secondIn.stats.records[type];
    m_readStats.data_bytes += secondIn.stats.data_bytes;
    m_readStats.end_read = secondIn.stats.end_read;
    streamed = {false, first.start(), first.lowest(),
                second.empty() ? first.highest() : second.highest(),
                first.windowHeld() || second.windowHeld()};
    return ResultOk;
}
