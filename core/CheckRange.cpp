#include "core/CheckRange.h"

#include "core/HexText.h"

#include <algorithm>

namespace CheckRange {

Found find(const ImageCalls &calls, const kestrun_image *image, std::optional<AddressRange> given,
           std::optional<std::uint32_t> slot, std::uint32_t slotBytes)
{
    const std::uint64_t slotLow = slot.value_or(0), slotHigh = slotLow + slotBytes - 1;
    if (slot && slotHigh > UINT32_MAX)
        return {Fault::SlotPastEnd, {}};
    Found found;
    if (given) {
        found.range = *given;
    } else {
        std::uint64_t low = UINT64_MAX, high = 0;
        const auto take = [&](std::uint64_t from, std::uint64_t to) {
            if (from <= to) {
                low = std::min(low, from);
                high = std::max(high, to);
            }
        };
        kestrun_segment s{};
        for (std::uint64_t at = 0; calls.kestrun_image_next(image, at, &s) == ResultOk;
             at = s.address + s.length) {
            const std::uint64_t last = s.address + s.length - 1;
            if (!slot || last < slotLow || s.address > slotHigh) {
                take(s.address, last);
                continue;
            }
            if (s.address < slotLow)
                take(s.address, slotLow - 1);
            take(slotHigh + 1, last);
        }
        if (low > high)
            return {Fault::NoData, {}};
        found.range = AddressRange{std::uint32_t(low), std::uint32_t(high)};
    }
    if (slot && slotLow <= found.range.high && slotHigh >= found.range.low)
        found.fault = Fault::SlotInRange;
    return found;
}

namespace {

// Gathers the reports of the slot's one store into one conflict.
std::int32_t noteOver(const kestrun_conflict *c, intptr_t user)
{
    auto &over = *reinterpret_cast<std::optional<kestrun_conflict> *>(user);
    if (c->identical)
        return ResultOk;
    if (!over) {
        over = *c;
    } else {
        over->low = std::min(over->low, c->low);
        over->high = std::max(over->high, c->high);
    }
    return ResultOk;
}

} // namespace

namespace {

// Stores `done.stored` at `slot` as one more input (see insert).
void storeValue(const ImageCalls &calls, kestrun_image *image, std::uint32_t slot,
                std::int32_t policy, Insertion &done)
{
    // Bytes equal to the value pass, as srec_cat lets them; other bytes
    // are written over only under "last" ("first" would lose the value).
    const std::int32_t rule = policy == KESTRUN_OVERLAP_LAST ? policy : KESTRUN_OVERLAP_IDENTICAL;
    if (done.rc >= 0)
        done.rc = calls.kestrun_image_store(
            image, slot, reinterpret_cast<const std::uint8_t *>(done.stored.constData()),
            std::uint64_t(done.stored.size()), rule, 0, noteOver, reinterpret_cast<intptr_t>(&done.over));
    if (done.rc == ResultOverlap)
        done.fault = Fault::SlotHeld;
    else if (done.rc < 0)
        done.fault = Fault::Library;
}

} // namespace

Insertion insert(const ImageCalls &calls, kestrun_image *image, kestrun_check *check,
                 std::optional<AddressRange> given, std::uint32_t slot, std::int32_t endian,
                 std::uint8_t fill, std::int32_t policy)
{
    const std::uint32_t bytes = (calls.kestrun_check_width(check) + 7) / 8;
    const Found found = find(calls, image, given, slot, bytes);
    Insertion done{found.fault, found.range, ResultOk, 0, {}, std::nullopt};
    if (found.fault != Fault::None)
        return done;
    done.rc = calls.kestrun_check_image(check, image, found.range.low, found.range.high, fill,
                                        &done.value);
    done.stored.resize(bytes);
    if (done.rc >= 0)
        done.rc = calls.kestrun_check_bytes(check, fill, endian,
                                            reinterpret_cast<std::uint8_t *>(done.stored.data()), bytes);
    storeValue(calls, image, slot, policy, done);
    return done;
}

Insertion insertLength(const ImageCalls &calls, kestrun_image *image,
                       std::optional<AddressRange> given, std::uint32_t slot, std::uint32_t width,
                       std::int32_t endian, std::int32_t policy)
{
    const Found found = find(calls, image, given, slot, width);
    Insertion done{found.fault, found.range, ResultOk, 0, {}, std::nullopt};
    if (found.fault != Fault::None)
        return done;
    done.value = std::uint64_t(found.range.high) - found.range.low + 1;
    done.stored = valueBytes(done.value, width, endian);
    if (width < 8 && done.value >> (8 * width) != 0) {
        done.fault = Fault::TooWide;
        return done;
    }
    storeValue(calls, image, slot, policy, done);
    return done;
}

QByteArray valueBytes(std::uint64_t value, std::uint32_t width, std::int32_t endian)
{
    QByteArray bytes;
    for (std::uint32_t i = 0; i < width; ++i)
        bytes.append(char(value >> (8 * (endian == KESTRUN_BIG_ENDIAN ? width - 1 - i : i))));
    return bytes;
}

QString valueText(const Insertion &done, std::uint32_t bits)
{
    if (bits > 64)
        return QString::fromLatin1(done.stored.toHex().toUpper());
    return hexDigits(done.value, bits);
}

QStringList presets(const ImageCalls &calls)
{
    QStringList names;
    const char *name = nullptr, *description = nullptr;
    for (std::uint32_t i = 0; calls.kestrun_check_preset(i, &name, &description) == ResultOk; ++i)
        names << QString::fromLatin1(name);
    return names;
}

} // namespace CheckRange
