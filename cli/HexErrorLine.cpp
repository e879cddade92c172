#include "HexErrorLine.h"

#include "exports.h"

#include <vector>

namespace {

constexpr std::uint64_t kAddressSpace = std::uint64_t(1) << 32;
// LineHexToBin stores a data record at its 16-bit address.
constexpr size_t kRecordReach = 0x10000 + 0xFF;

// Segment and linear bases as HexToBinary keeps them, for the one failure
// no single record shows: data placed beyond the 32-bit address space.
struct Bases {
    std::uint64_t segment = 0;
    std::uint64_t linear = 0;

    // False when the record of `type` with `position` leaves the space.
    bool take(std::int32_t type, std::uint32_t position)
    {
        switch (type) {
        case 0x00:
            return linear + segment + position <= kAddressSpace;
        case 0x02:
            segment = position;
            return linear + segment < kAddressSpace;
        case 0x04:
            linear = position;
            segment = 0;
            return true;
        default:
            return true;
        }
    }
};

} // namespace

namespace HexErrorLine {

bool isRecordError(std::int32_t result)
{
    return result == ResultNotIntelHex || result == ResultChecksumError
        || result == ResultEndRecordError || result == ResultAddressFault;
}

std::optional<int> find(QByteArrayView text)
{
    std::vector<std::uint8_t> scratch(kRecordReach);
    Bases bases;
    const char *begin = text.data();
    const char *record = begin;
    for (;;) {
        std::uint32_t position = 0;
        const auto left = static_cast<std::int32_t>(text.size() - (record - begin));
        const std::int32_t type = LineHexToBin(record, left, scratch.data(), &position);
        if (type < 0 || !bases.take(type, position))
            return lineAt(text, record - begin);
        if (type == 0x01)
            return std::nullopt;
        // The next record starts at the next colon; the text's NUL ends
        // the search.
        do
            ++record;
        while (*record != ':' && *record != '\0');
    }
}

int lineAt(QByteArrayView text, qsizetype offset)
{
    int line = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
    }
    // The end of a text whose last line is closed belongs to that line.
    if (offset == text.size() && offset > 0 && (text[offset - 1] == '\n' || text[offset - 1] == '\r'))
        --line;
    return line;
}

} // namespace HexErrorLine
