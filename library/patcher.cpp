#include "patcher.h"

#include "guard.h"
#include "hex_digits.h"
#include "line_ends.h"

#include <algorithm>
#include <cstddef>
#include <new>

namespace kestrun {

namespace {

bool isDataRecord(int32_t format, uint32_t type)
{
    return format == KESTRUN_FORMAT_IHEX ? type == 0 : type >= 1 && type <= 3;
}

bool isEndRecord(int32_t format, uint32_t type)
{
    return format == KESTRUN_FORMAT_IHEX ? type == 1 : type >= 7 && type <= 9;
}

} // namespace

// What goes to the sink from the buffer a line lies in: unchanged lines in
// one span, flushed where something else must go between.
class Patcher::Out {
public:
    Out(kestrun_sink_fn sink, intptr_t user, const char *from) : m_sink(sink), m_user(user), m_span(from)
    {
    }
    void flushTo(const char *to)
    {
        if (to > m_span)
            send(m_span, uint64_t(to - m_span));
        m_span = std::max(m_span, to);
    }
    void skipTo(const char *to) { m_span = to; }
    void emit(const std::string &text)
    {
        if (!text.empty())
            send(text.data(), text.size());
    }
    int32_t result() const { return m_result; }

private:
    void send(const char *bytes, uint64_t length)
    {
        if (m_result >= 0 && length > 0) {
            const int32_t rc = m_sink(bytes, length, m_user);
            if (rc < 0)
                m_result = rc;
        }
    }

    kestrun_sink_fn m_sink;
    intptr_t m_user;
    const char *m_span;
    int32_t m_result = ResultOk;
};

Patcher::Patcher(int32_t format, const Image &original, const Image &changes)
    : m_format(format), m_changes(changes)
{
    kestrun_segment segment{};
    for (uint64_t from = 0; from < kAddressSpace && changes.segment(from, segment);
         from = uint64_t(segment.address) + segment.length)
        m_changed.push_back({segment.address, uint64_t(segment.address) + segment.length});
    std::vector<Range> held;
    for (uint64_t from = 0; from < kAddressSpace && original.segment(from, segment);
         from = uint64_t(segment.address) + segment.length)
        held.push_back({segment.address, uint64_t(segment.address) + segment.length});
    // The changes no record holds, each run after the highest held address
    // below it.
    for (const Range &change : m_changed) {
        uint64_t at = change.low;
        while (at < change.stop) {
            auto next = std::upper_bound(held.begin(), held.end(), at,
                                         [](uint64_t a, const Range &r) { return a < r.low; });
            if (next != held.begin() && std::prev(next)->stop > at) {
                at = std::min(change.stop, std::prev(next)->stop);
                continue;
            }
            const uint64_t stop = next == held.end() ? change.stop : std::min(change.stop, next->low);
            if (next == held.begin())
                m_head.push_back({at, stop});
            else
                m_insertions[std::prev(next)->stop - 1].push_back({at, stop});
            at = stop;
        }
    }
}

bool Patcher::changeAt(uint64_t address, uint8_t &value) const
{
    kestrun_segment piece{};
    if (address >= kAddressSpace || !m_changes.piece(address, piece) || piece.address > address)
        return false;
    value = piece.bytes[address - piece.address];
    return true;
}

// Whether a line may be one the patcher changes or adds records around; a
// line it cannot read is passed on as it is.
inline bool Patcher::mayChange(const char *line, uint32_t length)
{
    if (fix)
        return true;
    uint64_t low = 0, count = 0;
    if (m_format == KESTRUN_FORMAT_IHEX) {
        if (length < 11 || line[0] != ':')
            return length > 0 && line[0] == ':';
        const auto *digits = reinterpret_cast<const unsigned char *>(line + 1);
        const uint16_t size = pairValue(digits), high = pairValue(digits + 2),
                       lowByte = pairValue(digits + 4), type = pairValue(digits + 6);
        if ((size | high | lowByte | type) & kNotPair)
            return true;
        if (type != 0)
            return true; // bases, starts and the end: few, and each matters
        count = size;
        low =
            uint64_t(m_state.linear_base) + m_state.segment_base + (uint32_t(high) << 8 | lowByte);
    } else {
        if (length < 4 || line[0] != 'S')
            return false;
        const char type = line[1];
        if (type == '5' || type == '6')
            return m_addedSoFar > 0;
        if (type >= '7' && type <= '9')
            return !m_head.empty() || !m_insertions.empty();
        if (type < '1' || type > '3')
            return false;
        const uint32_t addressBytes = uint32_t(type - '0') + 1;
        uint32_t size = 0, address = 0;
        if (length < 4 + 2 * addressBytes || !readHexPairs(line + 2, 1, size)
            || !readHexPairs(line + 4, addressBytes, address) || size < addressBytes + 1)
            return true;
        low = address;
        count = size - addressBytes - 1;
    }
    m_longest = std::max<uint64_t>(m_longest, count);
    if (!m_dataSeen && !m_head.empty())
        return true;
    const uint64_t stop = low + count;
    auto changed = std::lower_bound(m_changed.begin(), m_changed.end(), low,
                                    [](const Range &r, uint64_t a) { return r.stop <= a; });
    if (changed != m_changed.end() && changed->low < stop)
        return true;
    auto after = m_insertions.lower_bound(low);
    return after != m_insertions.end() && after->first < stop;
}

Patcher::Style Patcher::styleOf(const char *line, uint32_t length, const char *end,
                                uint32_t endLength, const kestrun_token &t) const
{
    Style style;
    uint32_t lower = 0, upper = 0;
    for (uint32_t i = 1; i < length; ++i) {
        lower += line[i] >= 'a' && line[i] <= 'f';
        upper += line[i] >= 'A' && line[i] <= 'F';
    }
    style.lower = lower > 0 && upper == 0;
    style.lineEnd = endLength ? std::string(end, endLength) : m_firstLineEnd;
    // Records added are as long as the longest before them: the text's
    // usual length, of which the last record of a piece falls short.
    if (const uint64_t longest = std::max<uint64_t>(m_longest, t.data_length); longest > 0)
        style.length = uint32_t(longest);
    if (m_format == KESTRUN_FORMAT_SREC && t.type >= 1 && t.type <= 3)
        style.srecType = t.type;
    return style;
}

std::vector<Patcher::Range> Patcher::takeInsertions(uint64_t low, uint64_t stop)
{
    std::vector<Range> runs;
    auto from = m_insertions.lower_bound(low);
    auto to = from;
    for (; to != m_insertions.end() && to->first < stop; ++to)
        runs.insert(runs.end(), to->second.begin(), to->second.end());
    m_insertions.erase(from, to);
    return runs;
}

std::vector<Patcher::Range> Patcher::takeAll()
{
    std::vector<Range> runs = std::move(m_head);
    m_head.clear();
    for (auto &[after, list] : m_insertions)
        runs.insert(runs.end(), list.begin(), list.end());
    m_insertions.clear();
    std::sort(runs.begin(), runs.end(), [](const Range &a, const Range &b) { return a.low < b.low; });
    return runs;
}

// Most lines pass as they are: looked at here, in the loop that finds them.
inline int32_t Patcher::line(const char *text, uint32_t length, const char *end, uint32_t endLength,
                             Out &out)
{
    const uint64_t number = ++stats.lines;
    if (m_firstLineEnd.empty() && endLength)
        m_firstLineEnd.assign(end, endLength);
    if (!mayChange(text, length))
        return out.result();
    return change(text, length, end, endLength, number, out);
}

int32_t Patcher::change(const char *text, uint32_t length, const char *end, uint32_t endLength,
                        uint64_t number, Out &out)
{
    kestrun_token t{};
    kestrun_tokenize_line(m_format, text, length, &m_state, &t);
    const bool record = t.format == m_format && t.mark.width > 0 && t.mark.column == 0
                        && t.complete
                        && (t.result == ResultOk || t.result == ResultChecksumError);
    const bool data = record && isDataRecord(m_format, t.type);
    if (data)
        m_longest = std::max<uint64_t>(m_longest, t.data_length);
    std::vector<Range> before, after;
    if (data && !m_dataSeen) {
        m_dataSeen = true;
        before = std::move(m_head);
        m_head.clear();
    }
    if (record && isEndRecord(m_format, t.type))
        before = takeAll();
    std::string &changed = m_scratch;
    bool rewritten = false;
    if (data) {
        rewritten = rewriteData(text, length, t, changed);
        after = takeInsertions(t.data_address, uint64_t(t.data_address) + t.data_length);
    } else if (record && m_format == KESTRUN_FORMAT_SREC && (t.type == 5 || t.type == 6)) {
        rewritten = recount(text, length, t, changed);
    }
    if (fix && record && t.result == ResultChecksumError) {
        if (!rewritten) {
            changed.assign(text, length);
            fixChecksum(t, changed);
            rewritten = true;
        }
        ++stats.checksums_fixed;
        if (onFixed) {
            const kestrun_fixed_checksum fixed{number, t.checksum_found, t.checksum_expected};
            if (const int32_t rc = onFixed(&fixed, fixedUser); rc < 0)
                return rc;
        }
    }
    const Style style = styleOf(text, length, end, endLength, t);
    if (!before.empty()) {
        std::string added;
        addRecords(std::move(before), style, added);
        out.flushTo(text);
        out.emit(added);
    }
    if (rewritten) {
        out.flushTo(text);
        changed.append(end, endLength);
        out.emit(changed);
        out.skipTo(end + endLength);
    }
    if (!after.empty()) {
        std::string added;
        addRecords(std::move(after), style, added);
        out.flushTo(end + endLength);
        out.emit(added);
    }
    return out.result();
}

// A line begun in an earlier piece, completed from this one first (p
// moves past its end); false when the piece ends before it does, or the
// line failed, with `rc` saying which.
bool Patcher::completeLine(const char *&p, const char *stop, kestrun_sink_fn sink, intptr_t user,
                           int32_t &rc)
{
    rc = ResultOk;
    if (m_pending.empty())
        return true;
    if (m_pending.back() == '\r') {
        // A CR at the end of the last piece: its LF, if any, is here.
        if (p == stop)
            return false;
        if (*p == '\n') {
            m_pending += '\n';
            ++p;
        }
    } else {
        const char *q = p;
        while (q < stop && *q != '\n' && *q != '\r')
            ++q;
        if (q == stop || (*q == '\r' && q + 1 == stop)) {
            m_pending.append(p, stop);
            return false;
        }
        const uint32_t endLength = *q == '\r' && q[1] == '\n' ? 2 : 1;
        m_pending.append(p, q + endLength);
        p = q + endLength;
    }
    const uint32_t endLength = m_pending.size() >= 2 && m_pending[m_pending.size() - 2] == '\r'
                                       && m_pending.back() == '\n'
                                   ? 2
                                   : 1;
    const std::string whole = std::move(m_pending);
    m_pending.clear();
    Out out(sink, user, whole.data());
    const uint32_t content = uint32_t(whole.size() - endLength);
    if (rc = line(whole.data(), content, whole.data() + content, endLength, out); rc >= 0) {
        out.flushTo(whole.data() + whole.size());
        rc = out.result();
    }
    return rc >= 0;
}

// A piece in which no line changes, as the caller knows from a reader's
// records (no record holds a changed byte, none is an address record):
// its whole lines go out as they are, counted, without a look at each. A
// patcher that may add records or fixes checksums reads it line by line.
int32_t Patcher::pass(const char *text, uint64_t length, kestrun_sink_fn sink, intptr_t user)
{
    if (fix || !m_head.empty() || !m_insertions.empty())
        return feed(text, length, sink, user);
    const char *p = text;
    const char *const stop = text + length;
    if (int32_t rc; !completeLine(p, stop, sink, user, rc))
        return rc;
    // After the last whole line: a CR at the very end may have its LF in
    // the next piece, so its line waits.
    const char *last = stop;
    while (last > p && last[-1] != '\n' && last[-1] != '\r')
        --last;
    if (last == stop && last > p && last[-1] == '\r') {
        for (--last; last > p && last[-1] != '\n' && last[-1] != '\r';)
            --last;
    }
    if (m_firstLineEnd.empty() && last > p) {
        const char *q = LineEnds(p, last).from(p);
        m_firstLineEnd.assign(q, q + 1 < stop && q[0] == '\r' && q[1] == '\n' ? 2 : 1);
    }
    stats.lines += countLineEnds(p, last);
    Out out(sink, user, p);
    out.flushTo(last);
    m_pending.assign(last, stop);
    return out.result();
}

int32_t Patcher::feed(const char *text, uint64_t length, kestrun_sink_fn sink, intptr_t user)
{
    const char *p = text;
    const char *const stop = text + length;
    if (int32_t rc; !completeLine(p, stop, sink, user, rc))
        return rc;
    Out out(sink, user, p);
    LineEnds ends(p, stop);
    while (p < stop) {
        const char *q = ends.from(p);
        // A line with no end yet, or a CR that may have its LF in the next
        // piece, waits.
        if (q == stop || (*q == '\r' && q + 1 == stop)) {
            out.flushTo(p);
            m_pending.assign(p, stop);
            return out.result();
        }
        const uint32_t endLength = *q == '\r' && q[1] == '\n' ? 2 : 1;
        if (q - p > UINT32_MAX / 2) {
            out.flushTo(p);
            return ResultBadArgument;
        }
        if (const int32_t rc = line(p, uint32_t(q - p), q, endLength, out); rc < 0)
            return rc;
        p = q + endLength;
    }
    out.flushTo(stop);
    return out.result();
}

int32_t Patcher::finish(kestrun_sink_fn sink, intptr_t user)
{
    std::string last = std::move(m_pending);
    m_pending.clear();
    Out out(sink, user, last.data());
    if (!last.empty()) {
        const uint32_t endLength = last.back() == '\r' ? 1 : 0;
        const uint32_t content = uint32_t(last.size() - endLength);
        if (const int32_t rc = line(last.data(), content, last.data() + content, endLength, out);
            rc < 0)
            return rc;
        out.flushTo(last.data() + last.size());
    }
    // Records that found no place: the text had no end record, or no
    // record held the address before them.
    if (std::vector<Range> rest = takeAll(); !rest.empty()) {
        Style style;
        style.lineEnd = m_firstLineEnd.empty() ? "\r\n" : m_firstLineEnd;
        std::string added;
        if (!last.empty() && last.back() != '\n' && last.back() != '\r')
            added += style.lineEnd;
        addRecords(std::move(rest), style, added);
        out.emit(added);
    }
    return out.result();
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API kestrun_patcher *kestrun_patcher_new(int32_t format, const kestrun_image *original,
                                                 const kestrun_image *changes, int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_patcher *patcher = nullptr;
    if ((format != KESTRUN_FORMAT_IHEX && format != KESTRUN_FORMAT_SREC) || !original || !changes) {
        rc = ResultBadArgument;
    } else {
        rc = guarded([&] {
            patcher = new kestrun_patcher(format, original->image, changes->image);
            return ResultOk;
        });
    }
    if (result)
        *result = rc;
    return patcher;
}

KESTRUN_API void kestrun_patcher_free(kestrun_patcher *patcher)
{
    delete patcher;
}

KESTRUN_API void kestrun_patcher_fix_checksums(kestrun_patcher *patcher, int32_t fix)
{
    if (patcher)
        patcher->patcher.fix = fix != 0;
}

KESTRUN_API void kestrun_patcher_on_fixed(kestrun_patcher *patcher, kestrun_fixed_fn fn,
                                          intptr_t userValue)
{
    if (patcher) {
        patcher->patcher.onFixed = fn;
        patcher->patcher.fixedUser = userValue;
    }
}

KESTRUN_API int32_t kestrun_patcher_feed(kestrun_patcher *patcher, const char *text,
                                         uint64_t length, kestrun_sink_fn sink,
                                         intptr_t userValue)
{
    if (!patcher || !sink || (!text && length))
        return ResultBadArgument;
    return guarded([&] { return patcher->patcher.feed(text, length, sink, userValue); });
}

KESTRUN_API int32_t kestrun_patcher_pass(kestrun_patcher *patcher, const char *text,
                                         uint64_t length, kestrun_sink_fn sink,
                                         intptr_t userValue)
{
    if (!patcher || !sink || (!text && length))
        return ResultBadArgument;
    return guarded([&] { return patcher->patcher.pass(text, length, sink, userValue); });
}

KESTRUN_API int32_t kestrun_patcher_finish(kestrun_patcher *patcher, kestrun_sink_fn sink,
                                           intptr_t userValue)
{
    if (!patcher || !sink)
        return ResultBadArgument;
    return guarded([&] { return patcher->patcher.finish(sink, userValue); });
}

KESTRUN_API void kestrun_patcher_stats(const kestrun_patcher *patcher, kestrun_patch_stats *stats)
{
    if (stats)
        *stats = patcher ? patcher->patcher.stats : kestrun_patch_stats{};
}

} // extern "C"
