#include "core/DataSearch.h"

#include "core/Cp932.h"
#include "core/HexDigit.h"

#include <algorithm>
#include <functional>

namespace {

constexpr std::uint64_t kAddressEnd = 0x100000000ull;

// One pass from `from` to the top. The image hands its bytes over in
// pieces; a match may run across pieces of one run of held addresses, so
// the last pattern-length - 1 bytes of what came before are kept to be
// tried against the start of each piece.
std::optional<std::uint32_t> findFrom(const ImageCalls &c, const kestrun_image *image,
                                      QByteArrayView pattern, std::uint64_t from)
{
    const auto keep = std::size_t(pattern.size() - 1);
    const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
    QByteArray carry;
    std::uint64_t carryEnd = 0;
    kestrun_segment piece{};
    for (std::uint64_t at = from; at < kAddressEnd; at = piece.address + piece.length) {
        if (c.kestrun_image_piece(image, at, &piece) != ResultOk)
            break;
        const std::uint64_t start = std::max<std::uint64_t>(at, piece.address);
        const char *bytes = reinterpret_cast<const char *>(piece.bytes) + (start - piece.address);
        const auto count = std::size_t(piece.address + piece.length - start);
        if (carryEnd != start)
            carry.clear();
        if (!carry.isEmpty()) {
            QByteArray joint = carry;
            joint.append(bytes, qsizetype(std::min(keep, count)));
            const auto hit = std::search(joint.cbegin(), joint.cend(), searcher);
            if (hit != joint.cend() && hit - joint.cbegin() < carry.size())
                return std::uint32_t(start - std::uint64_t(carry.size())
                                     + std::uint64_t(hit - joint.cbegin()));
        }
        const auto hit = std::search(bytes, bytes + count, searcher);
        if (hit != bytes + count)
            return std::uint32_t(start + std::uint64_t(hit - bytes));
        if (count >= keep)
            carry = QByteArray(bytes + count - keep, qsizetype(keep));
        else
            carry = (carry + QByteArray(bytes, qsizetype(count))).right(qsizetype(keep));
        carryEnd = start + count;
    }
    return std::nullopt;
}

} // namespace

namespace DataSearch {

std::optional<QByteArray> pattern(Target target, QStringView typed)
{
    if (typed.isEmpty())
        return std::nullopt;
    if (target != Bytes)
        return encodeCp932(typed);
    QByteArray bytes;
    int high = -1;
    for (const QChar ch : typed) {
        if (ch == u' ' || ch == u'\t') {
            if (high >= 0)
                return std::nullopt;
            continue;
        }
        const int value = ch.unicode() < 0x80 ? HexDigit::value(char(ch.unicode())) : -1;
        if (value < 0)
            return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes.append(char(high << 4 | value));
            high = -1;
        }
    }
    if (high >= 0 || bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

std::optional<std::uint32_t> find(const ImageCalls &calls, const kestrun_image *image,
                                  QByteArrayView pattern, std::uint64_t from)
{
    if (pattern.isEmpty())
        return std::nullopt;
    if (const auto hit = findFrom(calls, image, pattern, from))
        return hit;
    return from > 0 ? findFrom(calls, image, pattern, 0) : std::nullopt;
}

} // namespace DataSearch
