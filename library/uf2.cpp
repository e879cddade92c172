// UF2: blocks of 512 bytes, each a 32-byte header (two start magic numbers,
// flags, target address, payload size, block number, block count, family
// ID or file size), up to 476 payload bytes and an end magic number, all
// little-endian. Written 256 payload bytes a block at addresses aligned to
// 256, the fill where a block's 256 bytes hold no data; read back block by
// block, the blocks not meant for the main flash passed over.
#include "format_table.h"
#include "text_out.h"

#include <cstring>
#include <strings.h>
#include <vector>

namespace kestrun {

namespace {

constexpr uint32_t kMagicStart0 = 0x0A324655u;
constexpr uint32_t kMagicStart1 = 0x9E5D5157u;
constexpr uint32_t kMagicEnd = 0x0AB16F30u;
constexpr uint32_t kFlagNotMainFlash = 0x00000001u;
constexpr uint32_t kFlagFileContainer = 0x00001000u;
constexpr uint32_t kFlagFamily = 0x00002000u;
constexpr uint64_t kBlock = 512;
constexpr uint32_t kPayload = 256;
constexpr uint32_t kMostPayload = 476;

struct Family {
    const char *name;
    uint32_t id;
};

// The families of the UF2 list that boards go by.
constexpr Family kFamilies[] = {
    {"ATMEGA32", 0x16573617u},  {"SAML21", 0x1851780Au},    {"NRF52", 0x1B57745Fu},
    {"ESP32", 0x1C5F21B0u},     {"STM32L1", 0x1E1F432Du},   {"STM32L0", 0x202E3A91u},
    {"STM32WL", 0x21460FF0u},   {"LPC55", 0x2ABC77ECu},     {"STM32G0", 0x300F5633u},
    {"GD32F350", 0x31D228C6u},  {"STM32L5", 0x04240BDFu},   {"STM32G4", 0x4C71240Au},
    {"MIMXRT10XX", 0x4FB2D5BDu}, {"STM32F7", 0x53B80F00u},  {"SAMD51", 0x55114460u},
    {"STM32F4", 0x57755A57u},   {"FX2", 0x5A18069Bu},       {"STM32F2", 0x5D1A0A2Eu},
    {"STM32F1", 0x5EE21072u},   {"NRF52833", 0x621E937Au},  {"STM32F0", 0x647824B6u},
    {"SAMD21", 0x68ED2B88u},    {"STM32F3", 0x6B846188u},   {"STM32F407", 0x6D0922FAu},
    {"STM32H7", 0x6DB66082u},   {"STM32WB", 0x70D16653u},   {"ESP8266", 0x7EAB61EDu},
    {"KL32L2", 0x7F83E793u},    {"STM32F407VG", 0x8FB060FEu}, {"NRF52840", 0xADA52840u},
    {"ESP32S2", 0xBFDD4EEEu},   {"ESP32S3", 0xC47E5767u},   {"ESP32C3", 0xD42BA06Cu},
    {"ESP32C2", 0x2B88D29Cu},   {"ESP32H2", 0x332726F6u},   {"ESP32C6", 0x540DDF62u},
    {"RP2040", 0xE48BFF56u},    {"STM32L4", 0x00FF6919u},   {"GD32VF103", 0x9AF03E33u},
};

uint32_t word(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void putWord(uint8_t *p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(value >> (8 * i));
}

class Uf2Reader final : public FormatReader {
public:
    explicit Uf2Reader(Image *image) : m_image(image) {}

    int32_t feed(const char *bytes, uint64_t length) override
    {
        if (m_result < 0)
            return m_result;
        if (!progress.report(m_offset))
            return fail(ResultCancelled, 0);
        const auto *p = reinterpret_cast<const uint8_t *>(bytes);
        while (length > 0) {
            const uint64_t n = std::min<uint64_t>(length, kBlock - m_held);
            std::memcpy(m_block + m_held, p, n);
            m_held += n;
            p += n;
            length -= n;
            if (m_held == kBlock) {
                if (const int32_t rc = block(); rc < 0)
                    return rc;
                m_held = 0;
                m_offset += kBlock;
            }
        }
        return ResultOk;
    }

    int32_t finish() override
    {
        if (m_result < 0 || m_held == 0)
            return m_result;
        return fault(KESTRUN_FAULT_UF2_CUT, m_held);
    }

    const kestrun_place *place() const override { return m_result < 0 ? &m_place : nullptr; }
    void statsInto(kestrun_read_stats &s) const override
    {
        s.records[0] = m_blocks;
        s.overlaps = m_overlaps.overlaps;
        s.conflicting_bytes = m_overlaps.conflicting_bytes;
        s.data_bytes = dataBytes;
    }
    const kestrun_fault &fault() const override { return m_fault; }
    std::string detail() const override
    {
        return m_fault.kind == KESTRUN_FAULT_UF2_MAGIC ? "a block with a wrong magic number"
               : m_fault.kind == KESTRUN_FAULT_UF2_CUT ? "the last block is cut short"
               : m_fault.kind ? "a block whose payload does not fit"
                              : "";
    }
    bool family(uint32_t &id) const override
    {
        id = m_family;
        return m_hasFamily;
    }

private:
    int32_t block()
    {
        if (word(m_block) != kMagicStart0 || word(m_block + 4) != kMagicStart1
            || word(m_block + 508) != kMagicEnd)
            return fault(KESTRUN_FAULT_UF2_MAGIC, 0);
        const uint32_t flags = word(m_block + 8);
        const uint32_t address = word(m_block + 12);
        const uint32_t size = word(m_block + 16);
        if (size > kMostPayload || uint64_t(address) + size > kAddressSpace)
            return fault(KESTRUN_FAULT_UF2_PAYLOAD, 16);
        ++m_blocks;
        if (flags & (kFlagNotMainFlash | kFlagFileContainer))
            return ResultOk;
        if ((flags & kFlagFamily) && !m_hasFamily) {
            m_hasFamily = true;
            m_family = word(m_block + 28);
        }
        const uint8_t *data = m_block + 32;
        uint64_t skip = 0;
        if (const uint64_t n = window.clip(address, size, skip); m_image && n) {
            const int32_t stored = m_image->store(address + skip, data + skip, n,
                                                  Writer{0, source}, overlap, &m_overlaps);
            if (stored < 0)
                return fail(stored, 32);
        }
        if (onRecord) {
            const kestrun_record seen{0, address, size, 0, m_offset, data, 0};
            if (const int32_t rc = onRecord(&seen, recordUser); rc < 0)
                return fail(rc, 0);
        }
        dataBytes += size;
        return ResultOk;
    }

    int32_t fault(int32_t kind, uint64_t within)
    {
        m_fault = kestrun_fault{kind, m_offset / kBlock, m_offset, m_offset + m_held};
        return fail(ResultNotUf2, within);
    }

    int32_t fail(int32_t result, uint64_t within)
    {
        m_result = result;
        m_place = kestrun_place{};
        m_place.result = result;
        m_place.record_offset = m_offset;
        m_place.offset = m_offset + within;
        return result;
    }

    Image *m_image; // null: the blocks are reported, not stored
    uint8_t m_block[kBlock];
    uint64_t m_held = 0;
    uint64_t m_offset = 0; // of the block being gathered
    uint64_t m_blocks = 0;
    bool m_hasFamily = false;
    uint32_t m_family = 0;
    kestrun_hex_stats m_overlaps{};
    int32_t m_result = ResultOk;
    kestrun_place m_place{};
    kestrun_fault m_fault{};
};

// Every block's header holds the count of blocks, so the blocks are
// gathered as the bytes are put and written at the end.
class Uf2Writer final : public FormatWriter {
public:
    Uf2Writer(const kestrun_write_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_out(sink, user, KESTRUN_NEWLINE_LF), m_fill(o.fill), m_family(o.family)
    {
    }

    void onProgress(ProgressCallback callback, uint64_t total, intptr_t user) override
    {
        m_out.progress.set(callback, total, user);
    }

    int32_t put(uint32_t address, const uint8_t *bytes, uint64_t count) override
    {
        if (uint64_t(address) + count > kAddressSpace)
            return ResultAddressFault;
        uint64_t at = address;
        while (count > 0) {
            const uint64_t base = at & ~uint64_t(kPayload - 1);
            if (m_addresses.empty() || m_addresses.back() != base) {
                if (!m_addresses.empty() && m_addresses.back() > base)
                    return ResultBadArgument; // out of address order
                m_addresses.push_back(base);
                m_payload.resize(m_payload.size() + kPayload, m_fill);
            }
            const uint64_t n = std::min<uint64_t>(count, base + kPayload - at);
            std::memcpy(m_payload.data() + m_payload.size() - kPayload + (at - base), bytes, n);
            at += n;
            bytes += n;
            count -= n;
        }
        return ResultOk;
    }

    int32_t finish() override
    {
        const uint32_t count = uint32_t(m_addresses.size());
        uint8_t block[kBlock];
        for (uint32_t i = 0; i < count; ++i) {
            std::memset(block, 0, sizeof block);
            putWord(block, kMagicStart0);
            putWord(block + 4, kMagicStart1);
            putWord(block + 8, m_family ? kFlagFamily : 0);
            putWord(block + 12, uint32_t(m_addresses[i]));
            putWord(block + 16, kPayload);
            putWord(block + 20, i);
            putWord(block + 24, count);
            putWord(block + 28, m_family);
            std::memcpy(block + 32, m_payload.data() + uint64_t(i) * kPayload, kPayload);
            putWord(block + 508, kMagicEnd);
            m_out.text(reinterpret_cast<const char *>(block), kBlock);
            m_out.put += kPayload;
            if (const int32_t rc = m_out.flush(); rc < 0)
                return rc;
        }
        return m_out.flush(true);
    }

private:
    TextOut m_out;
    uint8_t m_fill;
    uint32_t m_family;
    std::vector<uint64_t> m_addresses;
    std::vector<uint8_t> m_payload;
};

} // namespace

std::unique_ptr<FormatReader> newUf2FormatReader(Image *image)
{
    return std::make_unique<Uf2Reader>(image);
}

std::unique_ptr<FormatWriter> newUf2FormatWriter(const kestrun_write_options &o,
                                                 kestrun_sink_fn sink, intptr_t user, int32_t &)
{
    return std::make_unique<Uf2Writer>(o, sink, user);
}

int32_t uf2WriteSize(const kestrun_write_options &, const kestrun_image *image, uint32_t first,
                     uint32_t last, uint64_t *size)
{
    uint64_t blocks = 0;
    uint64_t lastBase = UINT64_MAX;
    const int32_t rc = image->image.eachPieceWhileOk(
        first, uint64_t(last) + 1, [&](uint64_t address, const uint8_t *, uint64_t count) {
            for (uint64_t base = address & ~uint64_t(kPayload - 1); base < address + count;
                 base += kPayload)
                if (base != lastBase) {
                    ++blocks;
                    lastBase = base;
                }
            return int32_t(ResultOk);
        });
    *size = blocks * kBlock;
    return rc;
}

bool probeUf2(const uint8_t *bytes, uint64_t length)
{
    return length >= 8 && word(bytes) == kMagicStart0 && word(bytes + 4) == kMagicStart1;
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API int32_t kestrun_uf2_family_id(const char *name, uint32_t *id)
{
    if (!name || !id)
        return ResultBadArgument;
    for (const Family &family : kFamilies)
        if (strcasecmp(family.name, name) == 0) {
            *id = family.id;
            return ResultOk;
        }
    return ResultBadArgument;
}

KESTRUN_API const char *kestrun_uf2_family_name(uint32_t id)
{
    for (const Family &family : kFamilies)
        if (family.id == id)
            return family.name;
    return nullptr;
}

} // extern "C"
