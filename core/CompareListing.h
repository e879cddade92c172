// Two images compared address by address, as kestrun cmp lists it and the
// frame shows it: one line a difference ("08000010-0800001F differ: 01 02
// ... / 11 12 ...", "08004000-080040FF only in b.hex"), at most `maxShown`
// of them and a line counting the rest; the differing ranges with their
// kinds, for the documents to mark; and the totals of each kind, which the
// frame's summary line gives.
#ifndef PELCOR_COMPARE_LISTING_H
#define PELCOR_COMPARE_LISTING_H

#include "core/AddressRange.h"
#include "core/LibraryCalls.h"

#include <QString>

#include <cstdint>
#include <vector>

struct CompareListing {
    struct Difference {
        AddressRange range;
        // KESTRUN_DIFF_BYTES, _ONLY_A or _ONLY_B.
        std::uint32_t kind = 0;
    };
    // Ranges and bytes of one kind of difference.
    struct Total {
        std::uint64_t ranges = 0;
        std::uint64_t bytes = 0;
    };

    // The lines, each ending in "\n"; empty when the images are equal.
    QString text;
    // Every difference, in address order, up to `maxRanges`.
    std::vector<Difference> ranges;
    std::uint64_t count = 0;
    // Over every difference, listed or not.
    Total differ;
    Total onlyA;
    Total onlyB;
};

// Compares `a` and `b`, named `nameA` and `nameB` in the lines; `fill` -1:
// an address held by one image only differs; 0-255: it reads as that byte.
CompareListing compareImages(const ImageCalls &calls, const kestrun_image *a,
                             const kestrun_image *b, const QString &nameA, const QString &nameB,
                             std::int32_t fill, std::uint64_t maxShown, std::size_t maxRanges = 0);

// The frame's line before the listing: how many ranges and bytes differ,
// are only in `nameA` and only in `nameB`, ending in "\n".
QString compareSummary(const CompareListing &listing, const QString &nameA, const QString &nameB);
// What a difference of `kind` is, in the frame's words: "differ between
// a.hex and b.hex" or "only in a.hex".
QString differenceKindText(std::uint32_t kind, const QString &nameA, const QString &nameB);

#endif
