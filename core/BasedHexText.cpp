#include "core/BasedHexText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kBlock = 0x10000;

// ":02000004UUUUCC", the line end and a NUL; returns the characters
// without the NUL.
std::size_t putLinearRecord(char *p, std::uint32_t upper, const QByteArray &lineEnd)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::uint32_t checksum = (0x100 - ((0x06 + (upper >> 8) + (upper & 0xFF)) & 0xFF)) & 0xFF;
    const std::uint32_t fields[] = {upper >> 12, upper >> 8,    upper >> 4,
                                    upper,       checksum >> 4, checksum};
    char *start = p;
    std::memcpy(p, ":02000004", 9);
    p += 9;
    for (const std::uint32_t digit : fields)
        *p++ = kDigits[digit & 0xF];
    std::memcpy(p, lineEnd.constData(), std::size_t(lineEnd.size()));
    p += lineEnd.size();
    *p = '\0';
    return std::size_t(p - start);
}

} // namespace

namespace BasedHexText {

std::int32_t write(char *text, std::uint64_t capacity, std::uint32_t first, std::uint32_t last,
                   std::uint32_t base, const QByteArray &lineEnd, LineRewriter &rewriter,
                   const WritePiece &writePiece, std::uint64_t &used)
{
    const std::uint64_t endRecord = 11 + std::uint64_t(lineEnd.size());
    std::uint64_t position = first;
    std::uint64_t address = base;
    used = 0;
    for (;;) {
        const std::uint64_t count =
            std::min(std::uint64_t(last) + 1 - position, (address / kBlock + 1) * kBlock - address);
        if (address >= kBlock)
            used +=
                putLinearRecord(text + used, static_cast<std::uint32_t>(address >> 16), lineEnd);
        if (address % kBlock != 0) {
            rewriter = LineRewriter::recordAddresses(static_cast<std::uint32_t>(address % kBlock));
            rewriter.follow(text + used);
        }
        std::uint32_t written = 0;
        const std::int32_t result = writePiece(static_cast<std::uint32_t>(position),
                                               static_cast<std::uint32_t>(position + count - 1),
                                               text + used, capacity - used, written);
        rewriter.catchUp();
        rewriter.stop();
        if (result < 0)
            return result;
        position += count;
        address += count;
        used += written;
        if (position > last)
            return result;
        used -= endRecord;
        text[used] = '\0';
    }
}

} // namespace BasedHexText
