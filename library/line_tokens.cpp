// Splitting one line of record text into its fields, for whoever looks at
// a line rather than reads a text: the editor's colouring, the caret's
// address, the index of where each record puts its bytes. The verdict is
// the readers' own: Intel HEX through the same pair reading and record
// checks, S-records by the same rules as their reader.
#include "exports.h"
#include "hex_digits.h"
#include "records.h"
#include "srec_lines.h"

#include <algorithm>
#include <cstring>

using namespace kestrun;

namespace {

// Walks the digit pairs from `at` up to `end`, at most `expected` of
// them, into `bytes`: the number of whole pairs read.
uint32_t pairsOf(const char *line, uint32_t at, uint32_t end, uint32_t expected,
                   uint8_t *bytes)
{
    uint32_t n = 0;
    while (n < expected && at + 2 * n + 1 < end && isHexDigit(line[at + 2 * n])
           && isHexDigit(line[at + 2 * n + 1])) {
        bytes[n] = uint8_t(hexPairAt(line + at + 2 * n));
        ++n;
    }
    return n;
}

// Marks the fields by the pairs read: `widths` pairs each in order, then
// the data (all but the last pair of `total`) and the checksum.
void placeFields(kestrun_token &t, uint32_t at, uint32_t read, uint32_t total,
                 kestrun_field *const *leading, const uint32_t *widths, uint32_t count)
{
    uint32_t pair = 0;
    auto mark = [&](kestrun_field &field, uint32_t pairs) {
        const uint32_t have = pair < read ? std::min(pairs, read - pair) : 0;
        field.column = at + 2 * pair;
        field.width = 2 * have;
        pair += pairs;
    };
    for (uint32_t i = 0; i < count; ++i)
        mark(*leading[i], widths[i]);
    const uint32_t data = total > pair ? total - pair - 1 : 0;
    mark(t.data, data);
    mark(t.checksum, 1);
}

uint32_t trimmedEnd(const char *line, uint32_t end)
{
    while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r'))
        --end;
    return end;
}

// What the record cannot account for: from `at` on, unless only blanks
// follow a record that is whole.
uint32_t brokenFrom(const char *line, uint32_t at, uint32_t end)
{
    uint32_t tail = end;
    while (tail > at && (line[tail - 1] == ' ' || line[tail - 1] == '\t'))
        --tail;
    return tail > at ? at : end;
}

void tokenizeHex(const char *line, uint32_t end, kestrun_line_state *state, kestrun_token &t)
{
    const uint32_t at = t.mark.column + 1;
    uint8_t bytes[kDecodeBufferSize] = {};
    uint32_t total = 5;
    uint32_t read = pairsOf(line, at, end, 1, bytes);
    if (read == 1) {
        total = 5 + bytes[0];
        read = pairsOf(line, at, end, total, bytes);
    }
    kestrun_field *const leading[] = {&t.length, &t.address, &t.kind};
    const uint32_t widths[] = {1, 2, 1};
    placeFields(t, at, read, read >= 1 ? total : 0, leading, widths, 3);
    t.complete = read >= 1 && read == total;
    t.broken = brokenFrom(line, at + 2 * read, end);
    if (read >= 4)
        t.type = bytes[3];
    t.data_length = read > 4 ? std::min<uint32_t>(read - 4, bytes[0]) : 0;
    if (t.complete) {
        uint32_t sum = 0;
        for (uint32_t i = 0; i + 1 < total; ++i)
            sum += bytes[i];
        t.checksum_found = bytes[total - 1];
        t.checksum_expected = (0x100 - (sum & 0xFF)) & 0xFF;
        t.checksum_holds = t.checksum_found == t.checksum_expected;
    }
    // The verdict: the reader's own pair reading and checks, on a record
    // that stands at the start of its line.
    DecodedRecord decoded;
    uint64_t fault = 0;
    uint32_t position = 0;
    t.result = ResultNotIntelHex;
    if (t.mark.column == 0
        && kestrun::readPairs(line + at, end - at, true, decoded, &fault) == Pairs::Complete)
        t.result = checkRecord(decoded, &position, &fault);
    const uint32_t segment = state ? state->segment_base : 0;
    const uint32_t linear = state ? state->linear_base : 0;
    if (read >= 3)
        t.data_address = linear + segment + (uint32_t(bytes[1]) << 8 | bytes[2]);
    if (t.result >= 0) {
        const int32_t type = t.result;
        t.result = ResultOk;
        if (state && type == 0x02)
            state->segment_base = position;
        if (state && type == 0x04) {
            state->linear_base = position;
            state->segment_base = 0;
        }
    }
}

void tokenizeSrec(const char *line, uint32_t end, kestrun_token &t)
{
    const uint32_t m = t.mark.column;
    t.result = ResultNotSRecord;
    t.broken = brokenFrom(line, m + 1, end);
    if (m + 1 >= end || line[m + 1] < '0' || line[m + 1] > '9')
        return;
    t.kind = kestrun_field{m + 1, 1};
    t.type = uint32_t(line[m + 1] - '0');
    const uint32_t at = m + 2;
    const uint32_t addressBytes = t.type == 4 ? 0 : kSrecAddressBytes[t.type];
    uint8_t bytes[kSrecMaxCount + 1] = {};
    uint32_t total = 1 + addressBytes + 1;
    uint32_t read = pairsOf(line, at, end, 1, bytes);
    if (read == 1) {
        total = 1 + std::max<uint32_t>(bytes[0], addressBytes + 1);
        read = pairsOf(line, at, end, total, bytes);
    }
    kestrun_field *const leading[] = {&t.length, &t.address};
    const uint32_t widths[] = {1, addressBytes};
    placeFields(t, at, read, read >= 1 ? total : 0, leading, widths, 2);
    t.complete = read >= 1 && read == total && bytes[0] + 1u == total;
    t.broken = brokenFrom(line, at + 2 * read, end);
    if (read >= 1 + addressBytes) {
        uint32_t value = 0;
        for (uint32_t i = 0; i < addressBytes; ++i)
            value = value << 8 | bytes[1 + i];
        t.data_address = value;
    }
    t.data_length = read > 1 + addressBytes ? std::min(read, total - 1) - 1 - addressBytes : 0;
    if (t.complete) {
        uint32_t sum = 0;
        for (uint32_t i = 0; i + 1 < total; ++i)
            sum += bytes[i];
        t.checksum_found = bytes[total - 1];
        t.checksum_expected = ~sum & 0xFF;
        t.checksum_holds = t.checksum_found == t.checksum_expected;
    }
    const bool shaped = m == 0 && t.type != 4 && t.complete && at + 2 * read == end;
    if (!shaped || (t.type >= 5 && t.data_length > 0))
        return;
    t.result = t.checksum_holds ? ResultOk : ResultChecksumError;
}

} // namespace

extern "C" {

KESTRUN_API int32_t kestrun_tokenize_line(int32_t format, const char *line, uint64_t length,
                                          kestrun_line_state *state, kestrun_token *token)
{
    if (!token || (!line && length > 0)
        || (format != KESTRUN_FORMAT_BINARY && format != KESTRUN_FORMAT_IHEX
            && format != KESTRUN_FORMAT_SREC))
        return ResultBadArgument;
    kestrun_token t{};
    // A line longer than any record is cut where no record could reach.
    const uint32_t end = trimmedEnd(line, uint32_t(std::min<uint64_t>(length, 1u << 20)));
    t.broken = end;
    if (format == KESTRUN_FORMAT_BINARY) {
        uint32_t first = 0;
        while (first < end && (line[first] == ' ' || line[first] == '\t'))
            ++first;
        format = first < end && line[first] == ':'   ? KESTRUN_FORMAT_IHEX
                 : first < end && line[first] == 'S' ? KESTRUN_FORMAT_SREC
                                                    : KESTRUN_FORMAT_BINARY;
    }
    const char markChar = format == KESTRUN_FORMAT_IHEX ? ':' : 'S';
    const void *mark = format == KESTRUN_FORMAT_BINARY ? nullptr : std::memchr(line, markChar, end);
    if (!mark) {
        t.format = KESTRUN_FORMAT_BINARY;
        t.result = format == KESTRUN_FORMAT_SREC ? ResultNotSRecord : ResultNotIntelHex;
        *token = t;
        return t.result;
    }
    t.format = format;
    t.mark = kestrun_field{uint32_t(static_cast<const char *>(mark) - line), 1};
    if (format == KESTRUN_FORMAT_IHEX)
        tokenizeHex(line, end, state, t);
    else
        tokenizeSrec(line, end, t);
    *token = t;
    return t.result;
}

} // extern "C"
