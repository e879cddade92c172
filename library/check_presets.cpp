// The named checks. CRC parameters and names are those of the common CRC
// catalogue, so that a user's "crc-16/modbus" means what every tool means;
// the Fletcher and Adler sums are srec_cat's, the digests libcrypto's.
#include "check.h"

#include "exports.h"

#include <cstring>
#include <utility>

namespace kestrun {

namespace {

struct Preset {
    const char *name;
    const char *description;
    CheckKind kind;
    CrcModel model;     // CRCs
    uint32_t width;     // sums
    const char *digest = nullptr; // digests: libcrypto's name
};

constexpr CrcModel kCrc32Mpeg2{32, 0x04C11DB7, 0xFFFFFFFF, false, false, 0};

constexpr Preset kPresets[] = {
    {"crc-32", "CRC-32 of zlib, Ethernet and PNG", CheckKind::Crc,
     {32, 0x04C11DB7, 0xFFFFFFFF, true, true, 0xFFFFFFFF}, 0},
    {"crc-32c", "CRC-32C (Castagnoli)", CheckKind::Crc,
     {32, 0x1EDC6F41, 0xFFFFFFFF, true, true, 0xFFFFFFFF}, 0},
    {"crc-32/mpeg-2", "CRC-32/MPEG-2, unreflected, no final XOR", CheckKind::Crc, kCrc32Mpeg2, 0},
    {"crc-32/stm32", "the STM32 CRC unit: CRC-32/MPEG-2 over 32-bit little-endian words",
     CheckKind::CrcWords, kCrc32Mpeg2, 0},
    {"crc-64/xz", "CRC-64/XZ", CheckKind::Crc,
     {64, 0x42F0E1EBA9EA3693, UINT64_MAX, true, true, UINT64_MAX}, 0},
    {"crc-16/ccitt-false", "CRC-16/CCITT-FALSE (IBM-3740)", CheckKind::Crc,
     {16, 0x1021, 0xFFFF, false, false, 0}, 0},
    {"crc-16/xmodem", "CRC-16/XMODEM", CheckKind::Crc, {16, 0x1021, 0, false, false, 0}, 0},
    {"crc-16/modbus", "CRC-16/MODBUS", CheckKind::Crc, {16, 0x8005, 0xFFFF, true, true, 0}, 0},
    {"crc-16/arc", "CRC-16/ARC", CheckKind::Crc, {16, 0x8005, 0, true, true, 0}, 0},
    {"crc-8", "CRC-8 (SMBus)", CheckKind::Crc, {8, 0x07, 0, false, false, 0}, 0},
    {"sum8", "sum of the bytes, 8 bits", CheckKind::Sum, {}, 8},
    {"sum16", "sum of the bytes, 16 bits", CheckKind::Sum, {}, 16},
    {"sum32", "sum of the bytes, 32 bits", CheckKind::Sum, {}, 32},
    {"sum8/twos-complement", "the byte that brings the 8-bit sum to 0", CheckKind::NegatedSum, {}, 8},
    {"fletcher-16", "Fletcher-16 as srec_cat -Fletcher_16 (first sum in the high byte)",
     CheckKind::Fletcher16, {}, 16},
    {"fletcher-32", "Fletcher-32 over bytes as srec_cat -Fletcher_32", CheckKind::Fletcher32, {}, 32},
    {"adler-16", "Adler-16 (modulo 251) as srec_cat -Adler_16", CheckKind::Adler16, {}, 16},
    {"adler-32", "Adler-32 of zlib", CheckKind::Adler32, {}, 32},
    {"sha256", "SHA-256, 32 bytes in digest order", CheckKind::Digest, {}, 0, "SHA256"},
    {"sha1", "SHA-1, 20 bytes in digest order", CheckKind::Digest, {}, 0, "SHA1"},
    {"sha512", "SHA-512, 64 bytes in digest order", CheckKind::Digest, {}, 0, "SHA512"},
    {"md5", "MD5, 16 bytes in digest order", CheckKind::Digest, {}, 0, "MD5"},
};

} // namespace

std::optional<Check> presetCheck(const char *name)
{
    for (const Preset &p : kPresets) {
        if (std::strcmp(p.name, name) != 0)
            continue;
        if (p.kind == CheckKind::Crc || p.kind == CheckKind::CrcWords)
            return std::optional<Check>(std::in_place, p.kind, p.model);
        if (p.kind == CheckKind::Digest) {
            std::optional<Digest> digest = Digest::named(p.digest);
            if (!digest)
                return std::nullopt;
            return std::optional<Check>(std::in_place, std::move(*digest));
        }
        return std::optional<Check>(std::in_place, p.kind, p.width);
    }
    return std::nullopt;
}

} // namespace kestrun

extern "C" KESTRUN_API int32_t kestrun_check_preset(uint32_t index, const char **name,
                                                    const char **description)
{
    if (index >= std::size(kestrun::kPresets))
        return ResultOverflow;
    if (name)
        *name = kestrun::kPresets[index].name;
    if (description)
        *description = kestrun::kPresets[index].description;
    return ResultOk;
}
