#include "core/LineRewriter.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

std::uint32_t readHex(const char *p, int digits)
{
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = p[i];
        value = value * 16 + std::uint32_t(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

void writeHex(char *p, std::uint32_t value, int digits)
{
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        p[i] = kDigits[value & 0xF];
}

} // namespace

LineRewriter LineRewriter::recordAddresses(std::uint32_t offset)
{
    LineRewriter rewriter;
    rewriter.m_kind = Kind::Records;
    rewriter.m_offset = offset;
    return rewriter;
}

LineRewriter LineRewriter::dumpAddresses(std::uint32_t offset, std::size_t lineLength,
                                         std::size_t indent)
{
    LineRewriter rewriter;
    rewriter.m_kind = Kind::Dump;
    rewriter.m_offset = offset;
    rewriter.m_lineLength = lineLength;
    rewriter.m_indent = indent;
    return rewriter;
}

void LineRewriter::catchUp()
{
    if (!m_from)
        return;
    char *p = m_from;
    if (m_kind == Kind::Dump) {
        // Every finished line is whole: a NUL can only stand where a line
        // would begin.
        for (; *p != '\0'; p += m_lineLength) {
            char *address = p + m_indent;
            writeHex(address, readHex(address, 8) + m_offset, 8);
        }
    } else {
        while (*p != '\0') {
            if (*p == ':')
                rewriteRecord(p);
            ++p;
            while (*p != '\0' && *p != ':')
                ++p;
        }
    }
    m_from = p;
}

// ":LLAAAATT" data "CC": the address grows by the offset, and the checksum
// shrinks by what that adds to the address bytes.
void LineRewriter::rewriteRecord(char *record) const
{
    if (readHex(record + 7, 2) != 0x00)
        return;
    const std::uint32_t length = readHex(record + 1, 2);
    const std::uint32_t address = readHex(record + 3, 4);
    const std::uint32_t moved = address + m_offset;
    char *checksum = record + 9 + 2 * length;
    const std::uint32_t added = (moved >> 8) + (moved & 0xFF) - (address >> 8) - (address & 0xFF);
    writeHex(record + 3, moved, 4);
    writeHex(checksum, (readHex(checksum, 2) - added) & 0xFF, 2);
}
