// Where a check value goes in an image and what it covers, as kestrun's
// crc, merge --insert-crc and convert --insert-crc and the frame's CRC job
// decide it: a given range, or the lowest to the highest data address
// outside the value's own bytes (so that the range a CRC was inserted over
// is the range it is verified over).
//
//     const CheckRange::Insertion done =
//         CheckRange::insert(calls, image, check, std::nullopt, 0x0803FFFC, KESTRUN_LITTLE_ENDIAN,
//         0xFF);
//     if (done.fault != CheckRange::Fault::None) ... say why ...
#ifndef PELCOR_CHECK_RANGE_H
#define PELCOR_CHECK_RANGE_H

#include "core/AddressRange.h"
#include "core/LibraryCalls.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace CheckRange {

enum class Fault {
    None,
    SlotPastEnd, // the value's bytes would pass FFFFFFFF
    NoData,      // no range given and no data outside the slot
    SlotInRange, // the slot lies within the range
    SlotHeld,    // the slot holds other bytes, which the rule keeps (`over`)
    Library,     // the library refused (`rc`)
    TooWide,     // a length does not fit its width
};

struct Found {
    Fault fault = Fault::None;
    AddressRange range;
};

// The range to check in `image`: `given`, or the data outside the
// `slotBytes` bytes at `slot` (the whole data when there is no slot).
Found find(const ImageCalls &calls, const kestrun_image *image, std::optional<AddressRange> given,
           std::optional<std::uint32_t> slot, std::uint32_t slotBytes);

struct Insertion {
    Fault fault = Fault::None;
    AddressRange range;
    std::int32_t rc = ResultOk;
    std::uint64_t value = 0;
    // The value's bytes as stored (a digest's too, which `value` cannot hold).
    QByteArray stored;
    // Where the slot held other bytes (refused, or written over under
    // "last"): the addresses from the first to the last that differ, and
    // the first record that wrote them (source 0: the value).
    std::optional<kestrun_conflict> over;
};

// Computes `check` over find()'s range, gaps read as `fill`, and stores
// its value at `slot` in `endian` order (KESTRUN_*_ENDIAN), as one more
// input written where the slot holds data already: bytes equal to the
// value pass; other bytes are written over under `policy` "last" (`over`
// says where) and refused under any other (Fault::SlotHeld, `over` set,
// the image untouched), as srec_cat refuses a second value.
Insertion insert(const ImageCalls &calls, kestrun_image *image, kestrun_check *check,
                 std::optional<AddressRange> given, std::uint32_t slot, std::int32_t endian,
                 std::uint8_t fill, std::int32_t policy = KESTRUN_OVERLAP_REFUSE);

// As insert, for the length in bytes of find()'s range (srec_cat's
// -Exclusive_Length), `width` bytes (1 to 8) at `slot`.
Insertion insertLength(const ImageCalls &calls, kestrun_image *image,
                       std::optional<AddressRange> given, std::uint32_t slot, std::uint32_t width,
                       std::int32_t endian, std::int32_t policy = KESTRUN_OVERLAP_REFUSE);

// The `width` (1 to 8) low bytes of `value` in `endian` order: a length's,
// or a serial number's.
QByteArray valueBytes(std::uint64_t value, std::uint32_t width, std::int32_t endian);

// The value as it is shown: its digits, a digest's bytes in their order.
QString valueText(const Insertion &done, std::uint32_t bits);

// The library's preset names, in its order ("crc-32" first).
QStringList presets(const ImageCalls &calls);

} // namespace CheckRange

#endif
