// Record decoding and the two checksum exports.
#include "exports.h"
#include "guard.h"
#include "hex_digits.h"
#include "byte_sum.h"
#include "records.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif


namespace kestrun {

namespace {

bool bytesSumToZero(const uint8_t *bytes, uint32_t count)
{
    uint32_t sum = 0;
    for (uint32_t i = 0; i < count; ++i)
        sum += bytes[i];
    return (sum & 0xFF) == 0;
}

// One digit pair at `p`, or false when either character is not a hex digit.
// The first character is looked at before the second is read, so a pair
// never reaches past the text's NUL.
inline bool readPair(const unsigned char *p, uint8_t &byte)
{
    const uint8_t high = kCharClass[p[0]];
    if (high & NotHexDigit)
        return false;
    const uint8_t low = kCharClass[p[1]];
    if (low & NotHexDigit)
        return false;
    byte = static_cast<uint8_t>(((high & DigitMask) << 4) | (low & DigitMask));
    return true;
}

// The digit pairs after the colon: exactly the length byte + 5 of them,
// then a line stop. False for anything else: a character that is not a hex
// digit, a digit left without its partner, fewer or more pairs than the
// length byte says, or text after the checksum.
bool decodePairs(const unsigned char *p, DecodedRecord &out)
{
    if (!readPair(p, out.bytes[0]))
        return false;
    // Length, two address bytes, type, the data and the checksum: at most
    // 260 pairs, within the decode buffer.
    const uint32_t pairs = uint32_t(out.bytes[0]) + 5;
    for (uint32_t i = 1; i < pairs; ++i) {
        if (!readPair(p + 2 * i, out.bytes[i]))
            return false;
    }
    p += 2 * pairs;
    if (!(kCharClass[p[0]] & LineStop))
        return false;
    out.count = pairs;
    out.stop = reinterpret_cast<const char *>(p);
    return true;
}

} // namespace

int32_t decodeRecord(const char *record, DecodedRecord &out, uint32_t *position)
{
    if (record[0] != ':')
        return ResultNotIntelHex;
    out.summed = false;
    if (!decodePairs(reinterpret_cast<const unsigned char *>(record) + 1, out))
        return ResultNotIntelHex;
    uint64_t fault = 0;
    return checkRecord(out, position, &fault);
}

namespace {

// The careful reading, character by character, that finds the place of a
// fault and never reads past `available`.
Pairs readPairsSlowly(const unsigned char *p, uint64_t available, bool atEnd,
                      DecodedRecord &out, uint64_t *fault)
{
    uint32_t pairs = 5;
    for (uint32_t i = 0; i < pairs; ++i) {
        const uint64_t at = 2 * uint64_t(i);
        for (uint64_t k = at; k < at + 2; ++k) {
            if (k >= available) {
                if (!atEnd)
                    return Pairs::NeedMore;
                *fault = k;
                return Pairs::Malformed;
            }
            if (kCharClass[p[k]] & NotHexDigit) {
                *fault = k;
                return Pairs::Malformed;
            }
        }
        readPair(p + at, out.bytes[i]);
        if (i == 0)
            pairs = uint32_t(out.bytes[0]) + 5;
    }
    const uint64_t stop = 2 * uint64_t(pairs);
    if (stop >= available) {
        if (!atEnd)
            return Pairs::NeedMore;
    } else if (p[stop] != '\r' && p[stop] != '\n') {
        *fault = stop;
        return Pairs::Malformed;
    }
    out.count = pairs;
    return Pairs::Complete;
}

} // namespace

namespace {

#if defined(__SSE2__)
// Sixteen hex digits of either case at `p`: the eight bytes they spell, in
// the low half, and in `sound` 0xFF for each character that is a digit.
inline __m128i sixteenDigits(const unsigned char *p, __m128i &sound)
{
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i digit = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    // 'A'-'F' and 'a'-'f' alone become 0-5 once case is folded.
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    sound = _mm_or_si128(isDigit, isLetter);
    const __m128i value = _mm_or_si128(_mm_and_si128(isDigit, digit),
                                       _mm_andnot_si128(isDigit, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    // Each 16-bit lane holds a pair, its first digit in the low byte.
    const __m128i high = _mm_slli_epi16(_mm_and_si128(value, _mm_set1_epi16(0x00FF)), 4);
    const __m128i bytes = _mm_or_si128(high, _mm_srli_epi16(value, 8));
    return _mm_packus_epi16(bytes, bytes);
}

// Which of a step's eight bytes the last step adds to the sum: the last
// `fresh` of them, loaded from kFresh + fresh.
alignas(16) constexpr uint8_t kFresh[16] = {0, 0, 0, 0, 0, 0, 0, 0,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The `pairs` digit pairs at `p` (eight at least) into `bytes`, their sum
// into `sum`: sixteen digits a step, the last step ending with the record
// over pairs already decoded to the same bytes, adding only the fresh ones
// to the sum. The verdict and the sum gather in registers, taken once at
// the end, so that a step never waits on the one before. False when any
// character is not a hex digit.
inline bool decodeInSteps(const unsigned char *p, uint32_t pairs, uint8_t *bytes, uint32_t &sum)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i sound = _mm_set1_epi8(-1), sums = zero;
    uint32_t i = 0;
    for (; i + 8 <= pairs; i += 8) {
        __m128i stepSound;
        const __m128i packed = sixteenDigits(p + 2 * i, stepSound);
        sound = _mm_and_si128(sound, stepSound);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(bytes + i), packed);
        sums = _mm_add_epi64(sums, _mm_sad_epu8(packed, zero));
    }
    if (i < pairs) {
        const __m128i fresh =
            _mm_loadl_epi64(reinterpret_cast<const __m128i *>(kFresh + (pairs - i)));
        __m128i stepSound;
        const __m128i packed = sixteenDigits(p + 2 * (pairs - 8), stepSound);
        sound = _mm_and_si128(sound, stepSound);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(bytes + pairs - 8), packed);
        sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_and_si128(packed, fresh), zero));
    }
    sum = uint32_t(_mm_cvtsi128_si32(sums));
    return _mm_movemask_epi8(sound) == 0xFFFF;
}
#endif

} // namespace

Pairs readPairs(const char *text, uint64_t available, bool atEnd, DecodedRecord &out,
                uint64_t *fault)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    // A whole record and the character after it at hand, its digits sound:
    // one pass, every pair looked up without a branch and the verdict taken
    // once at the end. Anything else is read again slowly to find its place.
    if (available >= 2) {
        const uint16_t length = pairValue(p);
        const uint32_t pairs = uint32_t(length & 0xFF) + 5;
        const uint64_t stop = 2 * uint64_t(pairs);
        if (length != kNotPair && stop < available && (p[stop] == '\r' || p[stop] == '\n')) {
            uint32_t sum = 0;
            bool sound = true;
#if defined(__SSE2__)
            if (pairs >= 8)
                sound = decodeInSteps(p, pairs, out.bytes, sum);
            else
#endif
            {
                uint16_t seen = 0;
                for (uint32_t i = 0; i < pairs; ++i) {
                    const uint16_t v = pairValue(p + 2 * i);
                    seen |= v;
                    sum += v;
                    out.bytes[i] = static_cast<uint8_t>(v);
                }
                sound = !(seen & kNotPair);
            }
            if (sound) {
                out.count = pairs;
                out.stop = text + stop;
                out.summed = true;
                out.sum = sum;
                return Pairs::Complete;
            }
        }
    }
    out.summed = false;
    const Pairs read = readPairsSlowly(p, available, atEnd, out, fault);
    out.stop = text + 2 * uint64_t(out.count);
    return read;
}

bool readWholeRecord(const char *text, DecodedRecord &out)
{
#if defined(__SSE2__)
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    const uint16_t length = pairValue(p);
    const uint32_t pairs = uint32_t(length & 0xFF) + 5;
    const uint32_t digits = 2 * pairs;
    // Records of fewer than eight pairs are left to readPairs: the last
    // step would start before them.
    if (length == kNotPair || digits < 16 || (p[digits] != '\r' && p[digits] != '\n'))
        return false;
    uint32_t sum = 0;
    const bool sound = decodeInSteps(p, pairs, out.bytes, sum);
    out.count = pairs;
    out.stop = text + digits;
    out.summed = true;
    out.sum = sum;
    return sound;
#else
    (void)text;
    (void)out;
    return false;
#endif
}

int32_t checkRecord(const DecodedRecord &record, uint32_t *position, uint64_t *fault)
{
    const uint8_t *bytes = record.bytes;
    // Fields by their first digit: length 0, address 2, type 6, data 8.
    *fault = 2 * uint64_t(record.count - 1);
    if (record.summed ? (record.sum & 0xFF) != 0 : !bytesSumToZero(bytes, record.count))
        return ResultChecksumError;

    *position = 0;
    const uint8_t type = bytes[3];
    const bool addressFieldZero = bytes[1] == 0 && bytes[2] == 0;
    switch (type) {
    case 0x00:
        *position = record.address() + record.dataLength();
        break;
    case 0x01:
        if (bytes[record.count - 1] != 0xFF)
            return ResultEndRecordError;
        break;
    case 0x02:
    case 0x04:
    case 0x03:
    case 0x05: {
        // A base or a start address stands in the data, with 0000 in the
        // address field; any other shape would take it from bytes that are
        // not it.
        const uint32_t length = type == 0x02 || type == 0x04 ? 2 : 4;
        if (record.dataLength() != length) {
            *fault = 0;
            return ResultNotIntelHex;
        }
        if (!addressFieldZero) {
            *fault = 2;
            return ResultNotIntelHex;
        }
        if (length == 2)
            *position = (bytes[4] * 256u + bytes[5]) * (type == 0x02 ? 16u : 65536u);
        break;
    }
    default:
        *fault = 6;
        return ResultNotIntelHex;
    }
    return type;
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API int32_t LineHexToBin(const char *record, int32_t lineLength, uint8_t *buffer,
                                 uint32_t *position)
{
    (void)lineLength;
    return guarded([&] {
        DecodedRecord decoded;
        const int32_t type = decodeRecord(record, decoded, position);
        if (type == 0x00)
            std::memcpy(buffer + decoded.address(), decoded.data(), decoded.dataLength());
        return type;
    });
}

KESTRUN_API int32_t LineCheckSum(const uint8_t *bytes, int32_t count, uint8_t *checksum)
{
    if (count < 1)
        return 0;
    uint32_t sum = 0;
    for (int32_t i = 0; i < count - 1; ++i)
        sum += bytes[i];
    const uint8_t expected = static_cast<uint8_t>(0x100 - (sum & 0xFF));
    if (expected != bytes[count - 1])
        return 0;
    if (checksum)
        *checksum = bytes[count - 1];
    return 1;
}

KESTRUN_API uint32_t CheckSum(const uint8_t *data, uint32_t dataLength, uint32_t first,
                              uint32_t last, uint32_t blank, char *digits)
{
    // Positions are counted in 64 bits so that a last of 0xFFFFFFFF ends;
    // the blank tail is added arithmetically rather than byte by byte.
    uint64_t sum = 0;
    if (first <= last) {
        const uint64_t stop = uint64_t(last) + 1;
        const uint64_t dataStop = std::min<uint64_t>(stop, dataLength);
        if (dataStop > first)
            sum = sumBytes(data, first, dataStop);
        const uint64_t tailFrom = std::max<uint64_t>(first, dataLength);
        if (stop > tailFrom)
            sum += (stop - tailFrom) * (blank & 0xFF);
    }
    const uint32_t result = static_cast<uint32_t>(sum);
    if (digits)
        FormatHexDigits(result, 8, digits);
    return result;
}

} // extern "C"
