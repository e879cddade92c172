// Finding bytes in the data a HEX or S-record text describes, rather than
// in its text: "48 65 6C" or "Hello" finds the record that holds them,
// wherever the records split them. Windowless; the find command of the
// document windows asks it.
//
//     const auto pattern = DataSearch::pattern(DataSearch::Bytes, u"48 65 6C");
//     const auto at = DataSearch::find(calls, image, *pattern, from);
#ifndef PELCOR_DATA_SEARCH_H
#define PELCOR_DATA_SEARCH_H

#include "core/LibraryCalls.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace DataSearch {

enum Target {
    // The text itself, as an editor finds it.
    Text,
    // Data bytes given in hex digits, pairs optionally apart by spaces.
    Bytes,
    // Data bytes given as characters, in the file's code page 932.
    Characters,
};

// The bytes to look for; none when `typed` is empty or, for Bytes, is not
// whole pairs of hex digits.
std::optional<QByteArray> pattern(Target target, QStringView typed);

// The lowest address at or above `from` where `pattern` lies wholly in
// held bytes (one run of them: a gap breaks a match), wrapping round to
// the lowest address once; none when there is none.
std::optional<std::uint32_t> find(const ImageCalls &calls, const kestrun_image *image,
                                  QByteArrayView pattern, std::uint64_t from);

} // namespace DataSearch

#endif
