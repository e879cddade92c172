// kestrun patch's one pass (FilePatch::writeInOnePass): the text read a
// piece at a time, each piece going to the patcher and then to the reader
// that checks every record while it is still in the core's cache. A long
// Intel HEX text is taken up again near its middle, at a record that sets
// every base (kestrun_resume_point), and its second part read and patched
// on a thread of its own, its output written where it belongs (every
// record keeps its length, so where the part stood in the text) while the
// first part's goes out in order. A fault either part finds, or what the
// parts cannot settle alike (an end record before the middle), is left to
// the way through the image, which says exactly where and what.
#include "core/FilePatch.h"
#include "core/ImageInput.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

// From this size a HEX text is read in two parts.
constexpr std::uint64_t kTwoPartsFrom = std::uint64_t(1) << 20;

struct Span {
    std::uint64_t low;
    std::uint64_t stop;
};

// Which changed bytes the data records read so far hold.
struct Coverage {
    std::vector<Span> changes; // the changes' segments, in address order
    std::vector<Span> held;
    // Below the lowest change or above the highest: most records, told
    // apart at a glance.
    std::uint64_t low = 0;
    std::uint64_t stop = 0;
    // Where the records read since the last piece was patched begin that
    // may change in the patcher: those that hold a changed byte, and those
    // that are not data.
    std::vector<std::uint64_t> marks;

    bool complete()
    {
        std::sort(held.begin(), held.end(),
                  [](const Span &a, const Span &b) { return a.low < b.low; });
        std::uint64_t covered = 0, reach = 0;
        for (const Span &h : held) {
            const std::uint64_t from = std::max(h.low, reach);
            if (h.stop > from)
                covered += h.stop - from;
            reach = std::max(reach, h.stop);
        }
        std::uint64_t wanted = 0;
        for (const Span &c : changes)
            wanted += c.stop - c.low;
        return covered == wanted;
    }
};

std::int32_t noteRecord(const kestrun_record *record, std::intptr_t user)
{
    auto *coverage = reinterpret_cast<Coverage *>(user);
    if (!record->data) {
        coverage->marks.push_back(record->offset);
        return ResultOk;
    }
    const std::uint64_t low = record->address, stop = low + record->length;
    if (record->length == 0 || stop <= coverage->low || low >= coverage->stop)
        return ResultOk;
    auto c = std::lower_bound(coverage->changes.begin(), coverage->changes.end(), low,
                              [](const Span &s, std::uint64_t a) { return s.stop <= a; });
    if (c != coverage->changes.end() && c->low < stop)
        coverage->marks.push_back(record->offset);
    for (; c != coverage->changes.end() && c->low < stop; ++c)
        coverage->held.push_back({std::max(c->low, low), std::min(c->stop, stop)});
    return ResultOk;
}

using CopyFn = std::function<bool(std::uint64_t offset, std::uint64_t length)>;
using PlaceFn = std::function<bool(std::uint64_t offset, QByteArrayView bytes)>;

// Where a patcher's output goes. What it passes on from the piece itself
// is text that goes out unchanged: with a copy function only its place in
// the text is said, runs of it joined into one copy of a few MiB, and so is
// a line that the patcher completes from two pieces, as it stood there. A
// part that places its output writes it where it belongs in the output
// instead, which (every record keeping its length) is where it stood in
// the text.
class PieceOut {
public:
    PieceOut(kestrun_sink_fn sink, std::intptr_t user, const CopyFn &copy, std::uint64_t start)
        : m_sink(sink), m_user(user), m_copy(copy ? &copy : nullptr), m_offset(start), m_at(start)
    {
    }
    PieceOut(const PlaceFn &place, std::uint64_t start)
        : m_sink(nullptr), m_user(0), m_place(&place), m_offset(start), m_at(start)
    {
    }
    // The piece the patcher is about to be fed.
    void take(QByteArrayView piece)
    {
        m_offset += std::uint64_t(m_piece.size());
        m_piece = piece;
    }
    // The patcher is through with the piece: what is left of it after the
    // text that went out is kept before its buffer is read over.
    bool passed()
    {
        if (m_place)
            return placeSpan();
        const std::uint64_t end = m_offset + std::uint64_t(m_piece.size());
        m_tail.clear();
        if (m_passedTo && *m_passedTo >= m_offset && end - *m_passedTo <= kLongestTail)
            m_tail = m_piece.sliced(qsizetype(*m_passedTo - m_offset)).toByteArray();
        else
            m_passedTo.reset();
        return true;
    }
    static std::int32_t out(const char *bytes, std::uint64_t length, std::intptr_t user)
    {
        auto *self = reinterpret_cast<PieceOut *>(user);
        const auto at = reinterpret_cast<std::uintptr_t>(bytes);
        const auto piece = reinterpret_cast<std::uintptr_t>(self->m_piece.data());
        const bool inPiece =
            at >= piece && at + length <= piece + std::uint64_t(self->m_piece.size());
        if (self->m_place)
            return self->place(bytes, length, inPiece) ? ResultOk : ResultCancelled;
        std::uint64_t offset = 0;
        if (self->m_copy && inPiece) {
            offset = self->m_offset + (at - piece);
        } else if (self->m_copy && self->continuesText(QByteArrayView(bytes, qsizetype(length)))) {
            offset = *self->m_passedTo;
        } else {
            self->m_tail.clear();
            self->m_passedTo.reset();
            if (!self->flush())
                return ResultCancelled;
            self->m_at += length;
            return self->m_sink(bytes, length, self->m_user);
        }
        // Only the first bytes after a piece's start can be the tail's line.
        self->m_tail.clear();
        self->m_passedTo = offset + length;
        return self->copyText(offset, length) ? ResultOk : ResultCancelled;
    }
    // The copy gathered so far, handed on.
    bool flush()
    {
        const std::uint64_t length = std::exchange(m_copyLength, 0);
        return length == 0 || (*m_copy)(m_copyFrom, length);
    }
    // Where the output stands: its length so far.
    std::uint64_t at() const { return m_at; }

private:
    static constexpr std::uint64_t kMostJoined = std::uint64_t(4) << 20;
    static constexpr std::uint64_t kLongestTail = 4096;

    bool copyText(std::uint64_t offset, std::uint64_t length)
    {
        m_at += length;
        if (m_copyLength > 0 && offset == m_copyFrom + m_copyLength) {
            m_copyLength += length;
        } else {
            if (!flush())
                return false;
            m_copyFrom = offset;
            m_copyLength = length;
        }
        return m_copyLength < kMostJoined || flush();
    }
    // Bytes placed: a run of the piece's own at once.
    bool place(const char *bytes, std::uint64_t length, bool inPiece)
    {
        if (inPiece && bytes == m_span.data() + m_span.size()) {
            m_span = QByteArrayView(m_span.data(), m_span.size() + qsizetype(length));
            return true;
        }
        if (!placeSpan())
            return false;
        if (inPiece) {
            m_span = QByteArrayView(bytes, qsizetype(length));
            return true;
        }
        m_at += length;
        return (*m_place)(m_at - length, QByteArrayView(bytes, qsizetype(length)));
    }
    bool placeSpan()
    {
        const QByteArrayView span = std::exchange(m_span, QByteArrayView());
        m_at += std::uint64_t(span.size());
        return span.isEmpty() || (*m_place)(m_at - std::uint64_t(span.size()), span);
    }
    // Whether `bytes` are the text from where the last copy ended: the last
    // piece's tail and then the start of this one.
    bool continuesText(QByteArrayView bytes) const
    {
        const qsizetype head = bytes.size() - m_tail.size();
        return m_passedTo && !m_tail.isEmpty() && head >= 0 && head <= m_piece.size()
               && bytes.first(m_tail.size()) == m_tail
               && bytes.sliced(m_tail.size()) == m_piece.first(head);
    }

    kestrun_sink_fn m_sink;
    std::intptr_t m_user;
    const CopyFn *m_copy = nullptr;
    const PlaceFn *m_place = nullptr;
    QByteArrayView m_piece;
    std::uint64_t m_offset; // the piece's offset in the text
    std::uint64_t m_at;     // the output's length so far
    std::uint64_t m_copyFrom = 0;
    std::uint64_t m_copyLength = 0;
    // Where the text that went out so far ends, when nothing else followed.
    std::optional<std::uint64_t> m_passedTo;
    QByteArray m_tail;
    QByteArrayView m_span; // bytes of the piece to be placed at m_at
};

// A part of the text as its reader takes it, each piece handed to the
// patcher once the reader is through with it. The patcher reads line by
// line only the first character of each record that may change; the rest
// of the piece it passes on whole (kestrun_patcher_pass), and a record
// line cut so is one it completes and reads whole. A patcher that fails,
// or the other part's fault, ends the text for the reader, whose word is
// then of no account.
class PatchedPart : public InputPieces {
public:
    // The part begins at `offset` of the text. `mayPass` when the reader
    // reads each piece before it asks for the next: a reader that must
    // first tell the format asks for more.
    PatchedPart(const ImageCalls &calls, InputPieces &text, std::uint64_t offset,
                kestrun_patcher *patcher, PieceOut &out, Coverage &coverage, bool mayPass,
                const std::atomic<bool> &stop)
        : m_calls(calls), m_text(text), m_at(offset), m_patcher(patcher), m_out(out),
          m_coverage(coverage), m_mayPass(mayPass), m_stop(stop)
    {
    }
    std::uint64_t size() const override { return m_text.size(); }
    bool next(QByteArrayView &piece) override
    {
        // The piece before, while its buffer still holds it.
        if (result >= 0 && !m_stop)
            patchLast();
        if (result < 0 || m_stop) {
            cutShort = true;
            piece = QByteArrayView();
            return true;
        }
        if (!m_text.next(piece))
            return false;
        m_last = piece;
        return true;
    }
    bool rewind() override { return false; }
    QString error() const override { return m_text.error(); }

    // The last piece read, to the patcher.
    void patchLast()
    {
        const QByteArrayView piece = std::exchange(m_last, QByteArrayView());
        const std::uint64_t begin = m_at;
        m_at += std::uint64_t(piece.size());
        m_marks.swap(m_coverage.marks);
        m_coverage.marks.clear();
        if (!m_mayPass) {
            patch(piece, m_calls.kestrun_patcher_feed);
            return;
        }
        // A mark before the piece is a record begun in an earlier one.
        qsizetype from = 0;
        for (const std::uint64_t mark : m_marks) {
            if (mark < begin + std::uint64_t(from) || mark >= m_at)
                continue;
            const auto at = qsizetype(mark - begin);
            patch(piece.sliced(from, at - from), m_calls.kestrun_patcher_pass);
            patch(piece.sliced(at, 1), m_calls.kestrun_patcher_feed);
            from = at + 1;
        }
        patch(piece.sliced(from), m_calls.kestrun_patcher_pass);
    }

    std::int32_t result = ResultOk;
    bool cutShort = false;

private:
    using PatchFn = std::int32_t (*)(kestrun_patcher *, const char *, std::uint64_t,
                                     kestrun_sink_fn, std::intptr_t);

    void patch(QByteArrayView span, PatchFn fn)
    {
        if (span.isEmpty() || result < 0)
            return;
        m_out.take(span);
        result = fn(m_patcher, span.data(), std::uint64_t(span.size()), PieceOut::out,
                    reinterpret_cast<std::intptr_t>(&m_out));
        if (!m_out.passed() && result >= 0)
            result = ResultCancelled;
    }

    const ImageCalls &m_calls;
    InputPieces &m_text;
    std::uint64_t m_at; // where the next piece begins in the text
    kestrun_patcher *m_patcher;
    PieceOut &m_out;
    Coverage &m_coverage;
    bool m_mayPass;
    const std::atomic<bool> &m_stop;
    QByteArrayView m_last; // read, not yet patched
    std::vector<std::uint64_t> m_marks;
};

// A part's patcher, what its reader said and the changes its records hold.
struct Part {
    explicit Part(const ImageCalls &with) : calls(with) {}
    Part(const Part &) = delete;
    Part &operator=(const Part &) = delete;
    ~Part() { calls.kestrun_patcher_free(patcher); }

    const ImageCalls &calls;
    kestrun_patcher *patcher = nullptr;
    Coverage coverage;
    ImageInput input;
    std::int32_t result = ResultOk; // the patcher's
    bool cutShort = false;

    bool readerFailed() const { return input.result < 0 && !cutShort; }

    // Reads and patches `text`; either side that fails stops the other part.
    void run(InputPieces &text, const InputArgument &argument, ImageInputOptions options,
             PieceOut &out, std::atomic<bool> &stop)
    {
        PatchedPart pieces(calls, text, options.part ? options.part->offset : 0, patcher, out,
                           coverage, options.format != InputFormat::Detect, stop);
        options.onRecord = noteRecord;
        options.recordUser = reinterpret_cast<std::intptr_t>(&coverage);
        input = readImageInput(calls, nullptr, pieces, argument, options);
        // The reader may stop at the end record; the patcher takes the rest.
        for (QByteArrayView rest;
             input.result >= 0 && pieces.result >= 0 && pieces.next(rest) && !rest.isEmpty();) {
        }
        if (input.result >= 0)
            pieces.patchLast();
        result = pieces.result;
        cutShort = pieces.cutShort;
        if (input.result < 0 || result < 0)
            stop = true;
    }
};

// Where a second part may begin in a long HEX text: a record that sets
// every base, a little past the middle.
std::optional<std::uint64_t> resumePoint(const ImageCalls &calls, const InputPieces &text,
                                         std::int32_t format)
{
    const std::uint64_t size = text.size();
    if (format != KESTRUN_FORMAT_IHEX || size < kTwoPartsFrom)
        return std::nullopt;
    return resumePointNearMiddle(calls, text, format);
}

void addStats(kestrun_patch_stats &to, const kestrun_patch_stats &from)
{
    to.lines += from.lines;
    to.records_changed += from.records_changed;
    to.records_added += from.records_added;
    to.address_records_added += from.address_records_added;
    to.checksums_fixed += from.checksums_fixed;
    to.counts_changed += from.counts_changed;
    to.bytes_changed += from.bytes_changed;
    to.bytes_added += from.bytes_added;
}

} // namespace

std::int32_t FilePatch::writeInOnePass(InputPieces &text, const InputArgument &argument,
                                       kestrun_sink_fn sink, std::intptr_t user, bool &done,
                                       const CopyFn &copy, const PlaceFn &place)
{
    done = false;
    m_stats = {};
    // The format from the first piece, which the reader finds again from
    // its own first bytes: a text it reads otherwise is not patched here.
    QByteArrayView head;
    if (!text.next(head) || head.isEmpty())
        return ResultOk;
    const std::int32_t format = m_calls.kestrun_detect_format(
        reinterpret_cast<const std::uint8_t *>(head.data()), std::uint64_t(head.size()));
    if (format != KESTRUN_FORMAT_IHEX && format != KESTRUN_FORMAT_SREC)
        return ResultOk;
    // A second part's output is placed, and its first part's copied: only
    // where the output takes both.
    const std::optional<std::uint64_t> middle =
        copy && place ? resumePoint(m_calls, text, format) : std::nullopt;
    const std::uint64_t split = middle ? *middle : 0;
    const std::unique_ptr<InputPieces> firstText = middle ? text.part(0, split) : nullptr;
    const std::unique_ptr<InputPieces> secondText =
        middle ? text.part(split, text.size()) : nullptr;
    if (middle ? !firstText || !secondText : !text.rewind())
        return ResultOk;

    // Every change counts as held by a record, so none becomes a new one;
    // the records read say whether that was so.
    Part first(m_calls), second(m_calls);
    std::int32_t rc = ResultOk;
    for (Part *part : {&first, &second}) {
        part->patcher = m_calls.kestrun_patcher_new(format, m_changes.get(), m_changes.get(), &rc);
        if (!part->patcher)
            return rc;
        kestrun_segment segment{};
        Coverage &c = part->coverage;
        for (std::uint64_t from = 0;
             m_calls.kestrun_image_next(m_changes.get(), from, &segment) == ResultOk;
             from = std::uint64_t(segment.address) + segment.length)
            c.changes.push_back({segment.address, std::uint64_t(segment.address) + segment.length});
        if (!c.changes.empty()) {
            c.low = c.changes.front().low;
            c.stop = c.changes.back().stop;
        }
    }
    std::atomic<bool> stop{false};
    // Two parts place their output, the first one's from the start: no
    // in-order copy, nor a thread to make it beside the two parts.
    PieceOut firstOut = middle ? PieceOut(place, 0) : PieceOut(sink, user, copy, 0);
    PieceOut secondOut(place, split);
    std::thread reading;
    if (middle) {
        reading = std::thread([&] {
            ImageInputOptions options;
            options.format = InputFormat(format);
            second.run(*secondText, argument, options, secondOut, stop);
        });
    }
    ImageInputOptions options;
    if (middle)
        options.part = ImageInputOptions::Part{0, 1};
    // The reader is told the format where it would tell it from the same
    // bytes; from a shorter first piece it tells it from more of them.
    if (head.size() >= kSniffedBytes || std::uint64_t(head.size()) == text.size())
        options.format = InputFormat(format);
    first.run(firstText ? *firstText : text, argument, options, firstOut, stop);
    if (reading.joinable())
        reading.join();
    m_input = first.input;

    const InputFormat read =
        format == KESTRUN_FORMAT_SREC ? InputFormat::SRecord : InputFormat::IntelHex;
    if (!middle) {
        // One part: its reader's fault is told here, as the way through the
        // image would tell it.
        rc = first.result;
        if (rc >= 0 && m_input.format == read) {
            done = m_input.result < 0 || first.coverage.complete();
            if (done && m_input.result >= 0)
                rc = firstOut.flush() ? m_calls.kestrun_patcher_finish(first.patcher, sink, user)
                                      : ResultCancelled;
        }
        m_calls.kestrun_patcher_stats(first.patcher, &m_stats);
        return rc;
    }
    // Two parts: a fault either reader found goes to the way through the
    // image, which names its line in the whole text.
    if (first.readerFailed() || second.readerFailed() || m_input.stats.end_read
        || m_input.format != read)
        return ResultOk;
    if (first.result < 0 || second.result < 0)
        return first.result < 0 ? first.result : second.result;
    first.coverage.held.insert(first.coverage.held.end(), second.coverage.held.begin(),
                               second.coverage.held.end());
    // The second part stands where the first one's output ends.
    done = first.coverage.complete() && firstOut.at() == split;
    if (done)
        rc = firstOut.flush() ? m_calls.kestrun_patcher_finish(
                 second.patcher, PieceOut::out, reinterpret_cast<std::intptr_t>(&secondOut))
                              : ResultCancelled;
    kestrun_patch_stats more{};
    m_calls.kestrun_patcher_stats(first.patcher, &m_stats);
    m_calls.kestrun_patcher_stats(second.patcher, &more);
    addStats(m_stats, more);
    return rc;
}
