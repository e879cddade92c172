#include "core/TextPatch.h"

#include "core/ImageInput.h"
#include "core/InputPieces.h"

#include <algorithm>
#include <cstring>

namespace {

int32_t appendTo(const char *bytes, std::uint64_t length, std::intptr_t user)
{
    reinterpret_cast<QByteArray *>(user)->append(bytes, qsizetype(length));
    return ResultOk;
}

int32_t noteFixed(const kestrun_fixed_checksum *fixed, std::intptr_t user)
{
    reinterpret_cast<std::vector<kestrun_fixed_checksum> *>(user)->push_back(*fixed);
    return ResultOk;
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// The first byte from `from` on where `a` and `b` (of one size) differ;
// their size for none. Blocks first: most of a patched text is the same.
qsizetype firstDifference(QByteArrayView a, QByteArrayView b, qsizetype from)
{
    constexpr qsizetype block = 4096;
    const qsizetype size = a.size();
    while (from < size) {
        const qsizetype n = std::min(block, size - from);
        if (std::memcmp(a.data() + from, b.data() + from, std::size_t(n)) != 0)
            break;
        from += n;
    }
    while (from < size && a[from] == b[from])
        ++from;
    return from;
}

// The splices that turn `old` into `now`. The patcher keeps every line's
// place unless it adds records, so a text of the same size changes line
// by line, each changed line a splice; otherwise one splice spans from the
// first line that differs to the last.
std::vector<TextPatch::Splice> splicesBetween(QByteArrayView old, const QByteArray &now)
{
    std::vector<TextPatch::Splice> splices;
    if (old.size() == now.size()) {
        for (qsizetype at = firstDifference(old, now, 0); at < old.size();
             at = firstDifference(old, now, at)) {
            qsizetype start = at;
            while (start > 0 && !isLineEnd(old[start - 1]))
                --start;
            qsizetype end = at;
            while (end < old.size() && !isLineEnd(old[end]))
                ++end;
            if (end == at) // a line end itself differs: CR for LF
                ++end;
            splices.push_back({start, end - start, now.mid(start, end - start)});
            at = end;
        }
        return splices;
    }
    const qsizetype shorter = std::min(old.size(), now.size());
    qsizetype head = 0;
    while (head < shorter && old[head] == now[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
        ++tail;
    while (head > 0 && !isLineEnd(old[head - 1]))
        --head;
    splices.push_back({head, old.size() - tail - head, now.mid(head, now.size() - tail - head)});
    return splices;
}

} // namespace

TextPatch::TextPatch(const ImageCalls &calls, std::int32_t format)
    : m_calls(calls), m_format(format), m_changes(calls.kestrun_image_new())
{
}

TextPatch::~TextPatch()
{
    if (m_changes)
        m_calls.kestrun_image_free(m_changes);
}

void TextPatch::write(std::uint32_t address, QByteArrayView bytes)
{
    const std::uint64_t room = std::uint64_t(UINT32_MAX) - address + 1;
    const std::uint64_t count = std::min<std::uint64_t>(room, std::uint64_t(bytes.size()));
    if (m_changes && count > 0)
        m_calls.kestrun_image_store(m_changes, address,
                                    reinterpret_cast<const std::uint8_t *>(bytes.data()), count,
                                    KESTRUN_OVERLAP_LAST, 0, nullptr, 0);
}

bool TextPatch::heldWhole(const kestrun_image *original) const
{
    kestrun_segment change{};
    for (std::uint64_t at = 0; m_calls.kestrun_image_next(m_changes, at, &change) == ResultOk;
         at = std::uint64_t(change.address) + change.length) {
        for (std::uint64_t from = change.address, stop = from + change.length; from < stop;) {
            kestrun_segment held{};
            if (m_calls.kestrun_image_next(original, from, &held) != ResultOk
                || held.address > from)
                return false;
            from = std::uint64_t(held.address) + held.length;
        }
    }
    return true;
}

kestrun_image *TextPatch::readOriginal(QByteArrayView text, const QString &name,
                                       const std::optional<Lines> &part, Result &out) const
{
    ImageInputOptions options;
    options.format = m_format == KESTRUN_FORMAT_SREC ? InputFormat::SRecord : InputFormat::IntelHex;
    options.acceptChecksums = m_fix;
    std::uint32_t lowest = 1, highest = 0; // no writes: nothing of the image is needed
    m_calls.kestrun_image_bounds(m_changes, &lowest, &highest);
    options.window = ImageInputOptions::Window{lowest, highest};
    if (part)
        options.part = ImageInputOptions::Part{std::uint64_t(part->from), part->line};
    for (int pass = 0; pass < 2; ++pass) {
        kestrun_image *original = m_calls.kestrun_image_new();
        if (!original) {
            out.result = ResultNoMemory;
            return nullptr;
        }
        MemoryPieces pieces(text);
        const ImageInput in = readImageInput(m_calls, original, pieces, InputArgument{name, {}},
                                             options);
        if (in.result < 0) {
            out.result = in.result;
            out.error = in.error;
            m_calls.kestrun_image_free(original);
            return nullptr;
        }
        if (!options.window || heldWhole(original) || part)
            return original;
        m_calls.kestrun_image_free(original);
        options.window.reset();
    }
    return nullptr;
}

std::optional<QByteArrayView> TextPatch::addressRecordAbove(QByteArrayView text, qsizetype from,
                                                            bool textStart) const
{
    if (m_format != KESTRUN_FORMAT_IHEX)
        return QByteArrayView(); // every S-record names its whole address
    qsizetype at = from;
    while (at > 0) {
        // Back over one line end (CR LF is one) to the line before.
        const qsizetype next = at;
        qsizetype end = at - 1;
        if (end > 0 && text[end] == '\n' && text[end - 1] == '\r')
            --end;
        qsizetype start = end;
        while (start > 0 && !isLineEnd(text[start - 1]))
            --start;
        at = start;
        // ":LLAAAATT": only a line of type 02 or 04 need be read.
        if (end - start < 9 || text[start + 7] != '0' || (text[start + 8] != '2' && text[start + 8] != '4'))
            continue;
        kestrun_token token{};
        m_calls.kestrun_tokenize_line(KESTRUN_FORMAT_IHEX, text.data() + start,
                                      std::uint64_t(end - start), nullptr, &token);
        if (token.result == ResultOk && (token.type == 2 || token.type == 4))
            return text.sliced(start, next - start);
    }
    if (!textStart)
        return std::nullopt;
    return QByteArrayView();
}

std::optional<TextPatch::Result> TextPatch::applyWithin(QByteArrayView window, qsizetype start,
                                                        const QString &name,
                                                        const Lines &lines) const
{
    const qsizetype from = lines.from - start, to = lines.to - start;
    if (m_fix || from < 0 || from > to || to > window.size())
        return std::nullopt;
    const std::optional<QByteArrayView> above = addressRecordAbove(window, from, start == 0);
    if (!above)
        return std::nullopt;
    // The address record and the lines alone: what lies between them
    // changes nothing of where the lines' bytes are.
    QByteArray text;
    text.reserve(above->size() + to - from);
    text.append(*above);
    text.append(window.sliced(from, to - from));
    const qsizetype shift = lines.from - above->size();
    Result out = patch(text, name, Lines{shift, lines.to, lines.line - (above->isEmpty() ? 0 : 1)});
    // Records were added only when the lines did not hold every byte:
    // then the whole text says where new ones go.
    const bool held = out.stats.records_added == 0 && out.stats.address_records_added == 0
                      && std::all_of(out.splices.begin(), out.splices.end(), [&](const Splice &s) {
                             return s.from >= above->size();
                         });
    if (out.result != ResultOk || !held)
        return std::nullopt;
    for (Splice &splice : out.splices)
        splice.from += shift;
    return out;
}

TextPatch::Result TextPatch::apply(QByteArrayView text, const QString &name,
                                   std::optional<Lines> lines) const
{
    if (lines)
        if (std::optional<Result> near = applyWithin(text, 0, name, *lines))
            return std::move(*near);
    return patch(text, name, std::nullopt);
}

TextPatch::Result TextPatch::patch(QByteArrayView text, const QString &name,
                                   const std::optional<Lines> &part) const
{
    Result out;
    if (!m_changes) {
        out.result = ResultNoMemory;
        return out;
    }
    kestrun_image *original = readOriginal(text, name, part, out);
    if (!original)
        return out;
    std::int32_t rc = ResultOk;
    kestrun_patcher *patcher = m_calls.kestrun_patcher_new(m_format, original, m_changes, &rc);
    QByteArray patched;
    if (patcher) {
        m_calls.kestrun_patcher_fix_checksums(patcher, m_fix ? 1 : 0);
        m_calls.kestrun_patcher_on_fixed(patcher, noteFixed,
                                         reinterpret_cast<std::intptr_t>(&out.fixed));
        patched.reserve(text.size() + 256);
        const auto sink = reinterpret_cast<std::intptr_t>(&patched);
        rc = m_calls.kestrun_patcher_feed(patcher, text.data(), std::uint64_t(text.size()),
                                          appendTo, sink);
        if (rc >= 0)
            rc = m_calls.kestrun_patcher_finish(patcher, appendTo, sink);
        m_calls.kestrun_patcher_stats(patcher, &out.stats);
        m_calls.kestrun_patcher_free(patcher);
    }
    m_calls.kestrun_image_free(original);
    out.result = rc < 0 ? rc : ResultOk;
    if (out.result == ResultOk)
        out.splices = splicesBetween(text, patched);
    return out;
}

QByteArray TextPatch::spliced(QByteArrayView text, const std::vector<Splice> &splices)
{
    QByteArray out;
    qsizetype at = 0;
    for (const Splice &splice : splices) {
        out.append(text.sliced(at, splice.from - at));
        out.append(splice.text);
        at = splice.from + splice.length;
    }
    out.append(text.sliced(at));
    return out;
}
