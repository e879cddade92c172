// Hex digit routines shared by every format routine of the library.
#ifndef KESTRUN_HEX_DIGITS_H
#define KESTRUN_HEX_DIGITS_H

#include <array>
#include <cstdint>
#include <cstring>

namespace kestrun {

// Writes the n lowest 4-bit digits of value, most significant first, in
// upper case, then a NUL; digits above the n lowest are dropped. Returns out.
char *FormatHexDigits(uint32_t value, int n, char *out);

// Reads exactly n characters as hex digits, value x 16 + digit for each.
// Only '0'-'9' and 'A'-'F' count; every other character, lower-case letters
// and NUL included, counts as the digit 0 and still takes its place.
uint32_t ParseHexDigits(const char *text, int n);

// Character classes: bits 0-3 hold the digit value of a hex digit of either
// case (0 for anything else), NotHexDigit marks every other character,
// LowerCase the digits 'a'-'f' and LineStop the three characters that end
// a record. Records read both cases, as every HEX reader does.
enum CharClass : uint8_t {
    DigitMask = 0x0F,
    NotHexDigit = 0x10,
    LineStop = 0x20,
    LowerCase = 0x40
};

constexpr std::array<uint8_t, 256> makeCharClasses()
{
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = NotHexDigit;
    for (int c = '0'; c <= '9'; ++c)
        t[c] = static_cast<uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[c] = static_cast<uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        t[c] = static_cast<uint8_t>((c - 'a' + 10) | LowerCase);
    t[0] |= LineStop;
    t['\r'] |= LineStop;
    t['\n'] |= LineStop;
    return t;
}
inline constexpr std::array<uint8_t, 256> kCharClass = makeCharClasses();

inline bool isHexDigit(char c)
{
    return !(kCharClass[uint8_t(c)] & NotHexDigit);
}

// `count` pairs of hex digits at `p` as one big-endian number; false when
// a character is not a hex digit.
inline bool readHexPairs(const char *p, uint32_t count, uint32_t &value)
{
    value = 0;
    for (uint32_t i = 0; i < 2 * count; ++i) {
        if (kCharClass[uint8_t(p[i])] & NotHexDigit)
            return false;
        value = value << 4 | (kCharClass[uint8_t(p[i])] & DigitMask);
    }
    return true;
}

// The byte two hex digits of either case at `p` spell (digits unchecked).
inline uint32_t hexPairAt(const char *p)
{
    return uint32_t(kCharClass[uint8_t(p[0])] & DigitMask) << 4
           | (kCharClass[uint8_t(p[1])] & DigitMask);
}

// Two characters read as one pair of hex digits, indexed by the first
// character plus 256 times the second: the byte they spell, or kNotPair
// when either is not a hex digit. One lookup a pair keeps the reader's
// inner loop free of branches; 128 KiB stay in the cache beside the text.
constexpr uint16_t kNotPair = 0x100;
constexpr std::array<uint16_t, 65536> makePairValues()
{
    std::array<uint16_t, 65536> t{};
    for (int i = 0; i < 65536; ++i) {
        const uint8_t high = kCharClass[i & 0xFF];
        const uint8_t low = kCharClass[i >> 8];
        t[i] = (high | low) & NotHexDigit
                   ? kNotPair
                   : static_cast<uint16_t>(((high & DigitMask) << 4) | (low & DigitMask));
    }
    return t;
}
// Made when the library loads: too many steps for a compiler to fold.
inline const std::array<uint16_t, 65536> kPairValue = makePairValues();

inline uint16_t pairValue(const unsigned char *p)
{
    return kPairValue[p[0] | unsigned(p[1]) << 8];
}

// The two upper-case digits of every byte value, as they lie in memory.
struct DigitPair {
    char c[2];
};
constexpr std::array<DigitPair, 256> makeDigitPairs()
{
    constexpr char alphabet[] = "0123456789ABCDEF";
    std::array<DigitPair, 256> t{};
    for (int b = 0; b < 256; ++b)
        t[b] = DigitPair{{alphabet[b >> 4], alphabet[b & 15]}};
    return t;
}
inline constexpr std::array<DigitPair, 256> kDigitPairs = makeDigitPairs();

inline char *putHexByte(char *out, uint32_t byte)
{
    std::memcpy(out, kDigitPairs[byte & 0xFF].c, 2);
    return out + 2;
}

inline char *putHexWord(char *out, uint32_t word)
{
    return putHexByte(putHexByte(out, word >> 8), word);
}

} // namespace kestrun

#endif
