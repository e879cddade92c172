#include "core/FilePatch.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

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

    bool complete()
    {
        std::sort(held.begin(), held.end(), [](const Span &a, const Span &b) { return a.low < b.low; });
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
    if (!record->data || record->length == 0)
        return ResultOk;
    auto *coverage = reinterpret_cast<Coverage *>(user);
    const std::uint64_t low = record->address, stop = low + record->length;
    if (stop <= coverage->low || low >= coverage->stop)
        return ResultOk;
    auto c = std::lower_bound(coverage->changes.begin(), coverage->changes.end(), low,
                              [](const Span &s, std::uint64_t a) { return s.stop <= a; });
    for (; c != coverage->changes.end() && c->low < stop; ++c)
        coverage->held.push_back({std::max(c->low, low), std::min(c->stop, stop)});
    return ResultOk;
}

using CopyFn = std::function<bool(std::uint64_t offset, std::uint64_t length)>;

// Where the patcher's output goes: what it passes on from the piece itself
// is text that goes out unchanged, and with a copy function only its place
// in the text is said, runs of it joined into one copy of a few MiB. So is
// a line that the patcher completes from two pieces, as it stood there.
class PieceOut {
public:
    PieceOut(kestrun_sink_fn sink, std::intptr_t user, const CopyFn &copy)
        : m_sink(sink), m_user(user), m_copy(copy)
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
    void passed()
    {
        const std::uint64_t end = m_offset + std::uint64_t(m_piece.size());
        m_tail.clear();
        if (m_passedTo && *m_passedTo >= m_offset && end - *m_passedTo <= kLongestTail)
            m_tail = m_piece.sliced(qsizetype(*m_passedTo - m_offset)).toByteArray();
        else
            m_passedTo.reset();
    }
    static std::int32_t out(const char *bytes, std::uint64_t length, std::intptr_t user)
    {
        auto *self = reinterpret_cast<PieceOut *>(user);
        const auto at = reinterpret_cast<std::uintptr_t>(bytes);
        const auto piece = reinterpret_cast<std::uintptr_t>(self->m_piece.data());
        std::uint64_t offset = 0;
        if (self->m_copy && at >= piece && at + length <= piece + std::uint64_t(self->m_piece.size())) {
            offset = self->m_offset + (at - piece);
        } else if (self->m_copy && self->continuesText(QByteArrayView(bytes, qsizetype(length)))) {
            offset = *self->m_passedTo;
        } else {
            self->m_tail.clear();
            self->m_passedTo.reset();
            if (!self->flush())
                return ResultCancelled;
            return self->m_sink(bytes, length, self->m_user);
        }
        // Only the first bytes after a piece's start can be the tail's line.
        self->m_tail.clear();
        self->m_passedTo = offset + length;
        if (self->m_copyLength > 0 && offset == self->m_copyFrom + self->m_copyLength) {
            self->m_copyLength += length;
        } else {
            if (!self->flush())
                return ResultCancelled;
            self->m_copyFrom = offset;
            self->m_copyLength = length;
        }
        return self->m_copyLength >= kMostJoined && !self->flush() ? ResultCancelled : ResultOk;
    }
    // The copy gathered so far, handed on.
    bool flush()
    {
        const std::uint64_t length = std::exchange(m_copyLength, 0);
        return length == 0 || m_copy(m_copyFrom, length);
    }

private:
    static constexpr std::uint64_t kMostJoined = std::uint64_t(4) << 20;
    static constexpr std::uint64_t kLongestTail = 4096;

    // Whether `bytes` are the text from where the last copy ended: the last
    // piece's tail and then the start of this one.
    bool continuesText(QByteArrayView bytes) const
    {
        const qsizetype head = bytes.size() - m_tail.size();
        return m_passedTo && !m_tail.isEmpty() && head >= 0 && head <= m_piece.size()
               && bytes.first(m_tail.size()) == m_tail && bytes.sliced(m_tail.size()) == m_piece.first(head);
    }

    kestrun_sink_fn m_sink;
    std::intptr_t m_user;
    const CopyFn &m_copy;
    QByteArrayView m_piece;
    std::uint64_t m_offset = 0; // the piece's offset in the text
    std::uint64_t m_copyFrom = 0;
    std::uint64_t m_copyLength = 0;
    // Where the text that went out so far ends, when nothing else followed.
    std::optional<std::uint64_t> m_passedTo;
    QByteArray m_tail;
};

// The reader's own view of the text, which ends early once the patcher
// has failed: what the reader says after that is of no account.
class CutPieces : public InputPieces {
public:
    explicit CutPieces(std::unique_ptr<InputPieces> text) : m_text(std::move(text)) {}
    bool readable() const { return bool(m_text); }
    std::uint64_t size() const override { return m_text->size(); }
    bool next(QByteArrayView &piece) override
    {
        if (!cut)
            return m_text->next(piece);
        cutShort = true;
        piece = QByteArrayView();
        return true;
    }
    bool rewind() override { return false; }
    QString error() const override { return m_text->error(); }

    std::atomic<bool> cut{false};
    bool cutShort = false; // read by the reader's thread alone until it ends

private:
    std::unique_ptr<InputPieces> m_text;
};

struct Fixed {
    const std::function<void(const kestrun_fixed_checksum &)> *tell;
};

std::int32_t tellFixed(const kestrun_fixed_checksum *fixed, std::intptr_t user)
{
    const auto *f = reinterpret_cast<const Fixed *>(user);
    if (*f->tell)
        (*f->tell)(*fixed);
    return ResultOk;
}

} // namespace

FilePatch::FilePatch(const ImageCalls &calls)
    : m_calls(calls), m_original(newImage(calls)), m_changes(newImage(calls))
{
}

std::int32_t FilePatch::read(InputPieces &text, const InputArgument &argument,
                             bool acceptChecksums)
{
    ImageInputOptions options;
    options.acceptChecksums = acceptChecksums;
    if (!m_original || !m_changes) {
        m_input.result = ResultNoMemory;
        return m_input.result;
    }
    m_input = readImageInput(m_calls, m_original.get(), text, argument, options);
    if (m_input.result == ResultOk && m_input.format != InputFormat::IntelHex
        && m_input.format != InputFormat::SRecord)
        m_input.result = ResultBadArgument;
    return m_input.result;
}

bool FilePatch::set(std::uint32_t address, const QByteArray &bytes)
{
    if (std::uint64_t(address) + std::uint64_t(bytes.size()) > (std::uint64_t(1) << 32))
        return false;
    return m_calls.kestrun_image_put(m_changes.get(), address,
                                     reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                     std::uint64_t(bytes.size()))
           == ResultOk;
}

bool FilePatch::held(std::uint32_t address) const
{
    kestrun_segment segment{};
    for (const kestrun_image *image : {m_original.get(), m_changes.get()})
        if (m_calls.kestrun_image_next(image, address, &segment) == ResultOk
            && segment.address <= address)
            return true;
    return false;
}

bool FilePatch::reachesGaps(std::uint32_t low, std::uint32_t high) const
{
    for (std::uint64_t at = low; at <= high;) {
        // The next address from `at` that either image holds, and where
        // that run of held addresses ends.
        std::uint64_t next = std::uint64_t(high) + 1, end = next;
        for (const kestrun_image *image : {m_original.get(), m_changes.get()}) {
            kestrun_segment segment{};
            if (m_calls.kestrun_image_next(image, at, &segment) == ResultOk
                && segment.address < next) {
                next = std::max<std::uint64_t>(segment.address, at);
                end = std::uint64_t(segment.address) + segment.length;
            }
        }
        if (next > at)
            return true;
        at = end;
    }
    return false;
}

bool FilePatch::fill(std::uint32_t low, std::uint32_t high, const QByteArray &pattern,
                     bool intoGaps)
{
    if (pattern.isEmpty() || high < low)
        return false;
    // A piece at a time, so that a wide range costs a piece of memory.
    constexpr std::uint64_t kPiece = std::uint64_t(1) << 20;
    QByteArray bytes;
    for (std::uint64_t at = low; at <= high;) {
        std::uint64_t from = at;
        std::uint64_t stop = std::min<std::uint64_t>(std::uint64_t(high) + 1, at + kPiece);
        if (!intoGaps) {
            // The first held run at or after `at`, in either image.
            std::uint64_t next = std::uint64_t(high) + 1, end = next;
            for (const kestrun_image *image : {m_original.get(), m_changes.get()}) {
                kestrun_segment segment{};
                if (m_calls.kestrun_image_next(image, at, &segment) != ResultOk)
                    continue;
                if (const std::uint64_t begins = std::max<std::uint64_t>(segment.address, at);
                    begins < next) {
                    next = begins;
                    end = std::uint64_t(segment.address) + segment.length;
                }
            }
            if (next > high)
                return true;
            from = next;
            stop = std::min({end, std::uint64_t(high) + 1, next + kPiece});
        }
        bytes.resize(qsizetype(stop - from));
        for (std::uint64_t a = from; a < stop; ++a)
            bytes[qsizetype(a - from)] =
                pattern[qsizetype((a - low) % std::uint64_t(pattern.size()))];
        if (!set(std::uint32_t(from), bytes))
            return false;
        at = stop;
    }
    return true;
}

std::int32_t FilePatch::write(InputPieces &text, bool fixChecksums, kestrun_sink_fn sink,
                              std::intptr_t user,
                              const std::function<void(const kestrun_fixed_checksum &)> &onFixed)
{
    const std::int32_t format =
        m_input.format == InputFormat::SRecord ? KESTRUN_FORMAT_SREC : KESTRUN_FORMAT_IHEX;
    std::int32_t rc = ResultOk;
    kestrun_patcher *patcher =
        m_calls.kestrun_patcher_new(format, m_original.get(), m_changes.get(), &rc);
    if (!patcher)
        return rc;
    Fixed fixed{&onFixed};
    m_calls.kestrun_patcher_fix_checksums(patcher, fixChecksums);
    m_calls.kestrun_patcher_on_fixed(patcher, tellFixed, reinterpret_cast<std::intptr_t>(&fixed));
    QByteArrayView piece;
    while (rc >= 0) {
        if (!text.next(piece)) {
            rc = ResultBadArgument;
            break;
        }
        if (piece.isEmpty())
            break;
        rc = m_calls.kestrun_patcher_feed(patcher, piece.data(), std::uint64_t(piece.size()), sink,
                                          user);
    }
    if (rc >= 0)
        rc = m_calls.kestrun_patcher_finish(patcher, sink, user);
    m_calls.kestrun_patcher_stats(patcher, &m_stats);
    m_calls.kestrun_patcher_free(patcher);
    return rc;
}

std::int32_t FilePatch::writeInOnePass(InputPieces &text, const InputArgument &argument,
                                       kestrun_sink_fn sink, std::intptr_t user, bool &done,
                                       const CopyFn &copy)
{
    done = false;
    m_stats = {};
    // The format from the first piece, which the reader finds again from
    // its own first bytes: a text it reads otherwise is not patched here.
    QByteArrayView first;
    if (!text.next(first) || first.isEmpty())
        return ResultOk;
    const std::int32_t format = m_calls.kestrun_detect_format(
        reinterpret_cast<const std::uint8_t *>(first.data()), std::uint64_t(first.size()));
    // The reader and the patcher each read the text on their own: a piece
    // that one has read stays in its core's cache while it goes through it.
    CutPieces readerText(text.part(0, text.size()));
    const std::unique_ptr<InputPieces> patcherText = text.part(0, text.size());
    if ((format != KESTRUN_FORMAT_IHEX && format != KESTRUN_FORMAT_SREC) || !readerText.readable()
        || !patcherText)
        return ResultOk;
    // Every change counts as held by a record, so none becomes a new one;
    // the records read say whether that was so.
    std::int32_t rc = ResultOk;
    kestrun_patcher *patcher =
        m_calls.kestrun_patcher_new(format, m_changes.get(), m_changes.get(), &rc);
    if (!patcher)
        return rc;
    Coverage coverage;
    kestrun_segment segment{};
    for (std::uint64_t from = 0;
         m_calls.kestrun_image_next(m_changes.get(), from, &segment) == ResultOk;
         from = std::uint64_t(segment.address) + segment.length)
        coverage.changes.push_back({segment.address, std::uint64_t(segment.address) + segment.length});
    if (!coverage.changes.empty()) {
        coverage.low = coverage.changes.front().low;
        coverage.stop = coverage.changes.back().stop;
    }

    // The reader checks every record on a thread of its own while the
    // patcher goes through the text here: each stops the other by failing.
    std::atomic<bool> readerFailed{false};
    std::thread reading([&] {
        ImageInputOptions options;
        options.onRecord = noteRecord;
        options.recordUser = reinterpret_cast<std::intptr_t>(&coverage);
        m_input = readImageInput(m_calls, nullptr, readerText, argument, options);
        readerFailed = m_input.result < 0;
    });
    PieceOut out(sink, user, copy);
    bool textRead = true;
    for (QByteArrayView piece; rc >= 0 && !readerFailed;) {
        textRead = patcherText->next(piece);
        if (!textRead || piece.isEmpty())
            break;
        out.take(piece);
        rc = m_calls.kestrun_patcher_feed(patcher, piece.data(), std::uint64_t(piece.size()),
                                          PieceOut::out, reinterpret_cast<std::intptr_t>(&out));
        out.passed();
    }
    if (rc < 0 || !textRead)
        readerText.cut = true;
    reading.join();

    // A fault the reader found is told whatever became of the patcher.
    const InputFormat read = format == KESTRUN_FORMAT_SREC ? InputFormat::SRecord : InputFormat::IntelHex;
    if (m_input.result < 0 && !readerText.cutShort) {
        rc = ResultOk;
        done = m_input.format == read;
    } else if (rc >= 0 && textRead && m_input.format == read) {
        done = coverage.complete();
        if (done)
            rc = out.flush() ? m_calls.kestrun_patcher_finish(patcher, sink, user) : ResultCancelled;
    }
    m_calls.kestrun_patcher_stats(patcher, &m_stats);
    m_calls.kestrun_patcher_free(patcher);
    return rc;
}
