// The patcher's records: a record given new data or a right checksum, an
// S5/S6 count recounted, and the records added where no record held the
// changed bytes, each in the case, length and line end of its neighbours.
#include "patcher.h"

#include "hex_digits.h"

#include <algorithm>

namespace kestrun {

namespace {

void putPair(char *at, uint32_t value, bool lower)
{
    const char *digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    at[0] = digits[(value >> 4) & 15];
    at[1] = digits[value & 15];
}

void appendPair(std::string &out, uint32_t value, bool lower)
{
    char pair[2];
    putPair(pair, value, lower);
    out.append(pair, 2);
}

// The sum of the pairs in [from, to) of a line.
uint32_t pairSum(const char *line, uint32_t from, uint32_t to)
{
    uint32_t sum = 0;
    for (uint32_t at = from; at < to; at += 2)
        sum += hexPairAt(line + at);
    return sum;
}

// The smallest S-record data type whose address holds [address, last].
uint32_t srecTypeFor(uint64_t last)
{
    return last <= 0xFFFF ? 1 : last <= 0xFFFFFF ? 2 : 3;
}

} // namespace

bool Patcher::rewriteData(const char *line, uint32_t length, const kestrun_token &t,
                          std::string &out)
{
    uint8_t bytes[256];
    bool any = false;
    for (uint32_t i = 0; i < t.data_length; ++i) {
        bytes[i] = uint8_t(hexPairAt(line + t.data.column + 2 * i));
        uint8_t value = 0;
        if (changeAt(uint64_t(t.data_address) + i, value) && value != bytes[i]) {
            bytes[i] = value;
            any = true;
            ++stats.bytes_changed;
        }
    }
    if (!any)
        return false;
    const Style style = styleOf(line, length, nullptr, 0, t);
    out.assign(line, length);
    for (uint32_t i = 0; i < t.data_length; ++i)
        putPair(&out[t.data.column + 2 * i], bytes[i], style.lower);
    const uint32_t sum = pairSum(out.data(), t.length.column, t.checksum.column);
    const uint32_t checksum =
        m_format == KESTRUN_FORMAT_IHEX ? (0x100 - (sum & 0xFF)) & 0xFF : 0xFF - (sum & 0xFF);
    putPair(&out[t.checksum.column], checksum, style.lower);
    ++stats.records_changed;
    return true;
}

void Patcher::fixChecksum(const kestrun_token &t, std::string &text)
{
    const bool lower = std::any_of(text.begin() + 1, text.end(),
                                   [](char c) { return c >= 'a' && c <= 'f'; })
                       && std::none_of(text.begin() + 1, text.end(),
                                       [](char c) { return c >= 'A' && c <= 'F'; });
    putPair(&text[t.checksum.column], t.checksum_expected, lower);
}

// An S5/S6 count of the data records before it, once records are added.
bool Patcher::recount(const char *line, uint32_t length, const kestrun_token &t,
                      std::string &out)
{
    if (m_addedSoFar == 0 || !t.complete || t.mark.column != 0
        || (t.result != ResultOk && t.result != ResultChecksumError))
        return false;
    const uint32_t width = t.type == 5 ? 2 : 3;
    uint32_t count = 0;
    if (!readHexPairs(line + t.address.column, width, count))
        return false;
    const uint64_t total = count + m_addedSoFar;
    if (total > 0xFFFFFF)
        return false;
    Style style = styleOf(line, length, nullptr, 0, t);
    const uint32_t type = total > 0xFFFF ? 6 : t.type;
    const uint32_t bytes = type == 5 ? 2 : 3;
    out = 'S';
    out += char('0' + type);
    uint32_t sum = bytes + 1;
    appendPair(out, bytes + 1, style.lower);
    for (uint32_t i = bytes; i-- > 0;) {
        const uint32_t b = uint32_t(total >> (8 * i)) & 0xFF;
        sum += b;
        appendPair(out, b, style.lower);
    }
    appendPair(out, 0xFF - (sum & 0xFF), style.lower);
    out.append(line + t.checksum.column + 2, length - t.checksum.column - 2);
    ++stats.counts_changed;
    return true;
}

void Patcher::hexRecord(uint32_t type, uint32_t address, const uint8_t *bytes, uint32_t count,
                        const Style &style, std::string &out) const
{
    out += ':';
    uint32_t sum = count + (address >> 8) + (address & 0xFF) + type;
    appendPair(out, count, style.lower);
    appendPair(out, address >> 8, style.lower);
    appendPair(out, address & 0xFF, style.lower);
    appendPair(out, type, style.lower);
    for (uint32_t i = 0; i < count; ++i) {
        sum += bytes[i];
        appendPair(out, bytes[i], style.lower);
    }
    appendPair(out, (0x100 - (sum & 0xFF)) & 0xFF, style.lower);
    out += style.lineEnd;
}

void Patcher::srecRecord(uint32_t type, uint32_t address, const uint8_t *bytes, uint32_t count,
                         const Style &style, std::string &out) const
{
    const uint32_t addressBytes = type + 1;
    out += 'S';
    out += char('0' + type);
    uint32_t sum = addressBytes + count + 1;
    appendPair(out, addressBytes + count + 1, style.lower);
    for (uint32_t i = addressBytes; i-- > 0;) {
        const uint32_t b = (address >> (8 * i)) & 0xFF;
        sum += b;
        appendPair(out, b, style.lower);
    }
    for (uint32_t i = 0; i < count; ++i) {
        sum += bytes[i];
        appendPair(out, bytes[i], style.lower);
    }
    appendPair(out, 0xFF - (sum & 0xFF), style.lower);
    out += style.lineEnd;
}

// Records for `runs` at the current place, with the HEX bases they need and
// those in force put back after them.
void Patcher::addRecords(std::vector<Range> runs, const Style &style, std::string &out)
{
    const kestrun_line_state saved = m_state;
    kestrun_line_state state = m_state;
    uint8_t bytes[256];
    for (const Range &run : runs) {
        for (uint64_t at = run.low; at < run.stop;) {
            uint64_t count = std::min<uint64_t>(std::max<uint32_t>(style.length, 1), run.stop - at);
            if (m_format == KESTRUN_FORMAT_IHEX) {
                count = std::min<uint64_t>(count, 0x10000 - (at & 0xFFFF));
                const uint64_t base = uint64_t(state.linear_base) + state.segment_base;
                if (at < base || at + count - base > 0x10000) {
                    const uint32_t upper = uint32_t(at >> 16);
                    const uint8_t value[2] = {uint8_t(upper >> 8), uint8_t(upper)};
                    hexRecord(4, 0, value, 2, style, out);
                    state.linear_base = upper << 16;
                    state.segment_base = 0;
                    ++stats.address_records_added;
                }
            }
            for (uint64_t i = 0; i < count; ++i)
                changeAt(at + i, bytes[i]);
            if (m_format == KESTRUN_FORMAT_IHEX)
                hexRecord(0, uint32_t(at - state.linear_base - state.segment_base), bytes,
                          uint32_t(count), style, out);
            else
                srecRecord(std::max(style.srecType, srecTypeFor(at + count - 1)), uint32_t(at),
                           bytes, uint32_t(count), style, out);
            ++stats.records_added;
            ++m_addedSoFar;
            stats.bytes_added += count;
            at += count;
        }
    }
    if (m_format == KESTRUN_FORMAT_IHEX && (state.linear_base != saved.linear_base
                                            || state.segment_base != saved.segment_base)) {
        const uint32_t upper = saved.linear_base >> 16;
        const uint8_t linear[2] = {uint8_t(upper >> 8), uint8_t(upper)};
        hexRecord(4, 0, linear, 2, style, out);
        ++stats.address_records_added;
        if (saved.segment_base != 0) {
            const uint32_t paragraph = saved.segment_base >> 4;
            const uint8_t segment[2] = {uint8_t(paragraph >> 8), uint8_t(paragraph)};
            hexRecord(2, 0, segment, 2, style, out);
            ++stats.address_records_added;
        }
    }
}

} // namespace kestrun
