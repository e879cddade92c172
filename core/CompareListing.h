// Two images compared address by address, as kestrun cmp lists it and the
// frame shows it: one line a difference ("08000010-0800001F differ: 01 02
// ... / 11 12 ...", "08004000-080040FF only in b.hex"), at most `maxShown`
// of them and a line counting the rest; and the differing ranges, for the
// documents to mark.
#ifndef PELCOR_COMPARE_LISTING_H
#define PELCOR_COMPARE_LISTING_H

#include "core/AddressRange.h"
#include "core/LibraryCalls.h"

#include <QString>

#include <cstdint>
#include <vector>

struct CompareListing {
    // The lines, each ending in "\n"; empty when the images are equal.
    QString text;
    // Every difference's range, in address order, up to `maxRanges`.
    std::vector<AddressRange> ranges;
    std::uint64_t count = 0;
};

// Compares `a` and `b`, named `nameA` and `nameB` in the lines; `fill` -1:
// an address held by one image only differs; 0-255: it reads as that byte.
CompareListing compareImages(const ImageCalls &calls, const kestrun_image *a,
                             const kestrun_image *b, const QString &nameA, const QString &nameB,
                             std::int32_t fill, std::uint64_t maxShown, std::size_t maxRanges = 0);

#endif
