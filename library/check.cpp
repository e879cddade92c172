#include "check.h"

#include "guard.h"
#include "image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

uint64_t widthMask(uint32_t width)
{
    return width == 64 ? UINT64_MAX : (uint64_t(1) << width) - 1;
}

// The Fletcher and Adler pairs: the modulus, the first sum's start, and
// whether a sum is kept in 1..modulus once it was above 0, as srec_cat's
// end-around carry keeps Fletcher's (so 255, not 0, for a multiple of 255).
struct PairRule {
    uint64_t modulus;
    uint64_t start;
    bool endAround;
};

PairRule pairRule(CheckKind kind)
{
    switch (kind) {
    case CheckKind::Fletcher16:
        return {255, 0, true};
    case CheckKind::Fletcher32:
        return {65535, 65535, true};
    case CheckKind::Adler16:
        return {251, 1, false};
    default:
        return {65521, 1, false};
    }
}

uint64_t reduce(uint64_t sum, const PairRule &rule)
{
    if (rule.endAround)
        return sum == 0 ? 0 : (sum - 1) % rule.modulus + 1;
    return sum % rule.modulus;
}

// Fill is fed from here a block at a time, so a gap of any size costs
// nothing more than its bytes' time.
constexpr size_t kFillBlock = 4096;

} // namespace

Check::Check(CheckKind kind, const CrcModel &model) : m_kind(kind), m_width(model.width)
{
    m_crc.emplace(model);
}

Check::Check(CheckKind kind, uint32_t width) : m_kind(kind), m_width(width)
{
    if (kind == CheckKind::Fletcher16 || kind == CheckKind::Adler16)
        m_width = 16;
    else if (kind == CheckKind::Fletcher32 || kind == CheckKind::Adler32)
        m_width = 32;
    reset();
}

Check::Check(Digest digest) : m_kind(CheckKind::Digest), m_width(digest.bytes() * 8)
{
    m_digest.emplace(std::move(digest));
}

void Check::reset()
{
    if (m_crc)
        m_crc->reset();
    if (m_digest)
        m_digest->reset();
    m_sum = 0;
    m_sum2 = 0;
    if (m_kind >= CheckKind::Fletcher16 && m_kind <= CheckKind::Adler32)
        m_sum = pairRule(m_kind).start;
    m_pendingCount = 0;
}

void Check::update(const uint8_t *bytes, uint64_t count)
{
    switch (m_kind) {
    case CheckKind::Crc:
        m_crc->update(bytes, count);
        return;
    case CheckKind::CrcWords:
        updateWords(bytes, count);
        return;
    case CheckKind::Digest:
        m_digest->update(bytes, count);
        return;
    case CheckKind::Fletcher16:
    case CheckKind::Fletcher32:
    case CheckKind::Adler16:
    case CheckKind::Adler32:
        updatePairs(bytes, count);
        return;
    case CheckKind::Sum:
    case CheckKind::NegatedSum:
        break;
    }
    uint64_t sum = m_sum;
    for (uint64_t i = 0; i < count; ++i)
        sum += bytes[i];
    m_sum = sum;
}

// The CRC unit takes a word with its most significant byte first, which is
// the fourth byte in memory: each word goes in with its bytes turned round.
void Check::updateWords(const uint8_t *bytes, uint64_t count)
{
    while (m_pendingCount > 0 && m_pendingCount < 4 && count > 0) {
        m_pending[m_pendingCount++] = *bytes++;
        --count;
    }
    uint8_t turned[kFillBlock];
    if (m_pendingCount == 4) {
        for (int i = 0; i < 4; ++i)
            turned[i] = m_pending[3 - i];
        m_crc->update(turned, 4);
        m_pendingCount = 0;
    }
    while (count >= 4) {
        const size_t block = std::min<uint64_t>(count / 4 * 4, kFillBlock);
        for (size_t i = 0; i < block; i += 4)
            for (int k = 0; k < 4; ++k)
                turned[i + k] = bytes[i + 3 - k];
        m_crc->update(turned, block);
        bytes += block;
        count -= block;
    }
    while (count > 0) {
        m_pending[m_pendingCount++] = *bytes++;
        --count;
    }
}

// Both sums grow unreduced over a block: after kFillBlock bytes the
// second stays below 2^33, far from overflowing.
void Check::updatePairs(const uint8_t *bytes, uint64_t count)
{
    const PairRule rule = pairRule(m_kind);
    uint64_t a = m_sum, b = m_sum2;
    while (count > 0) {
        const uint64_t block = std::min<uint64_t>(count, kFillBlock);
        for (uint64_t i = 0; i < block; ++i) {
            a += bytes[i];
            b += a;
        }
        a = reduce(a, rule);
        b = reduce(b, rule);
        bytes += block;
        count -= block;
    }
    m_sum = a;
    m_sum2 = b;
}

uint64_t Check::value(uint8_t pad) const
{
    switch (m_kind) {
    case CheckKind::Crc:
        return m_crc->value();
    case CheckKind::CrcWords: {
        if (m_pendingCount == 0)
            return m_crc->value();
        uint8_t word[4] = {pad, pad, pad, pad};
        std::memcpy(word, m_pending, m_pendingCount);
        const uint8_t turned[4] = {word[3], word[2], word[1], word[0]};
        return m_crc->valueWith(turned, 4);
    }
    case CheckKind::Sum:
        return m_sum & widthMask(m_width);
    case CheckKind::NegatedSum:
        return (0 - m_sum) & widthMask(m_width);
    // srec_cat puts Fletcher-16's first sum high, the others' second.
    case CheckKind::Fletcher16:
        return m_sum << 8 | m_sum2;
    case CheckKind::Adler16:
        return m_sum2 << 8 | m_sum;
    case CheckKind::Fletcher32:
    case CheckKind::Adler32:
        return m_sum2 << 16 | m_sum;
    case CheckKind::Digest:
        break;
    }
    return 0;
}

bool Check::bytes(uint8_t pad, int32_t endian, uint8_t *out) const
{
    if (m_digest)
        return m_digest->final(out);
    const uint32_t size = (m_width + 7) / 8;
    const uint64_t v = value(pad);
    for (uint32_t i = 0; i < size; ++i)
        out[endian == KESTRUN_LITTLE_ENDIAN ? i : size - 1 - i] = uint8_t(v >> (8 * i));
    return true;
}

namespace {

// first..last of the image into the check, the fill in its gaps.
void checkImage(Check &check, const Image &image, uint64_t first, uint64_t stop, uint8_t fill)
{
    uint8_t block[kFillBlock];
    std::memset(block, fill, sizeof block);
    auto feedFill = [&](uint64_t count) {
        for (; count > 0; count -= std::min<uint64_t>(count, kFillBlock))
            check.update(block, std::min<uint64_t>(count, kFillBlock));
    };
    check.reset();
    uint64_t at = first;
    image.eachPiece(first, stop, [&](uint64_t from, const uint8_t *bytes, uint64_t count) {
        feedFill(from - at);
        check.update(bytes, count);
        at = from + count;
    });
    feedFill(stop - at);
}

// SHA-512's 64 bytes are the longest value.
constexpr uint32_t kMostValueBytes = 64;

uint32_t valueBytes(const Check &check)
{
    return (check.width() + 7) / 8;
}

} // namespace

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API kestrun_check *kestrun_check_new(const char *name, int32_t *result)
{
    int32_t rc = ResultBadArgument;
    kestrun_check *made = nullptr;
    if (name) {
        rc = guarded([&] {
            std::optional<Check> check = presetCheck(name);
            if (!check)
                return int32_t(ResultBadArgument);
            made = new kestrun_check{std::move(*check)};
            return int32_t(ResultOk);
        });
    }
    if (result)
        *result = rc;
    return made;
}

KESTRUN_API kestrun_check *kestrun_check_new_crc(const kestrun_crc_model *model, int32_t *result)
{
    kestrun_check *made = nullptr;
    int32_t rc = ResultBadArgument;
    if (model && (model->refin == 0 || model->refin == 1)
        && (model->refout == 0 || model->refout == 1)) {
        const CrcModel m{model->width, model->poly, model->init, model->refin == 1,
                         model->refout == 1, model->xorout};
        if (validModel(m))
            rc = guarded([&] {
                made = new kestrun_check{Check(CheckKind::Crc, m)};
                return int32_t(ResultOk);
            });
    }
    if (result)
        *result = rc;
    return made;
}

KESTRUN_API void kestrun_check_free(kestrun_check *check)
{
    delete check;
}

KESTRUN_API uint32_t kestrun_check_width(const kestrun_check *check)
{
    return check ? check->check.width() : 0;
}

KESTRUN_API void kestrun_check_reset(kestrun_check *check)
{
    if (check)
        check->check.reset();
}

KESTRUN_API int32_t kestrun_check_update(kestrun_check *check, const uint8_t *bytes,
                                         uint64_t count)
{
    if (!check || (!bytes && count > 0))
        return ResultBadArgument;
    check->check.update(bytes, count);
    return ResultOk;
}

KESTRUN_API uint64_t kestrun_check_value(const kestrun_check *check)
{
    return check ? check->check.value(0xFF) : 0;
}

KESTRUN_API int32_t kestrun_check_bytes(const kestrun_check *check, uint8_t fill, int32_t endian,
                                        uint8_t *out, uint32_t size)
{
    if (!check || !out || (endian != KESTRUN_LITTLE_ENDIAN && endian != KESTRUN_BIG_ENDIAN))
        return ResultBadArgument;
    if (size < valueBytes(check->check))
        return ResultOverflow;
    return check->check.bytes(fill, endian, out) ? ResultOk : ResultNoMemory;
}

KESTRUN_API int32_t kestrun_check_image(kestrun_check *check, const kestrun_image *image,
                                        uint32_t first, uint32_t last, uint8_t fill,
                                        uint64_t *value)
{
    if (!check || !image || !value || first > last)
        return ResultBadArgument;
    checkImage(check->check, image->image, first, uint64_t(last) + 1, fill);
    *value = check->check.value(fill);
    return ResultOk;
}

KESTRUN_API int32_t kestrun_image_insert_check(kestrun_image *image, kestrun_check *check,
                                               uint32_t first, uint32_t last, uint8_t fill,
                                               uint32_t slot, int32_t endian, uint64_t *value)
{
    if (!check || !image || first > last
        || (endian != KESTRUN_LITTLE_ENDIAN && endian != KESTRUN_BIG_ENDIAN))
        return ResultBadArgument;
    const uint32_t size = valueBytes(check->check);
    if (uint64_t(slot) + size > kAddressSpace)
        return ResultAddressFault;
    // The value cannot cover bytes it is computed from.
    if (slot <= last && uint64_t(slot) + size > first)
        return ResultBadArgument;
    checkImage(check->check, image->image, first, uint64_t(last) + 1, fill);
    uint8_t bytes[kMostValueBytes];
    if (!check->check.bytes(fill, endian, bytes))
        return ResultNoMemory;
    const int32_t rc =
        guarded([&] { return image->image.store(slot, bytes, size, Writer{}, {}, nullptr); });
    if (rc == ResultOk && value)
        *value = check->check.value(fill);
    return rc;
}

KESTRUN_API int32_t kestrun_image_read_value(const kestrun_image *image, uint32_t slot,
                                             uint32_t bytes, int32_t endian, uint64_t *value)
{
    if (!image || !value || bytes < 1 || bytes > 8
        || (endian != KESTRUN_LITTLE_ENDIAN && endian != KESTRUN_BIG_ENDIAN))
        return ResultBadArgument;
    if (uint64_t(slot) + bytes > kAddressSpace)
        return ResultAddressFault;
    uint64_t held = 0;
    image->image.eachPiece(slot, uint64_t(slot) + bytes,
                           [&](uint64_t, const uint8_t *, uint64_t count) { held += count; });
    if (held != bytes)
        return ResultOverflow;
    uint8_t stored[8];
    image->image.copyWindow(slot, bytes, 0, stored);
    uint64_t v = 0;
    for (uint32_t i = 0; i < bytes; ++i)
        v |= uint64_t(stored[endian == KESTRUN_LITTLE_ENDIAN ? i : bytes - 1 - i]) << (8 * i);
    *value = v;
    return ResultOk;
}

} // extern "C"
