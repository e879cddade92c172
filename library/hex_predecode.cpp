#include "hex_predecode.h"

#include "records.h"

#include <algorithm>
#include <cstring>

namespace kestrun {

namespace {

// A block is about a thousand records: long enough that claiming it costs
// nothing, short enough that neither side waits long for the other.
constexpr uint64_t kBlock = uint64_t(64) << 10;
// Blocks the worker may run ahead of the reader; each has its slot.
constexpr uint64_t kAhead = 4;
// A decoded record takes at most about three times its text in a slot
// (the shortest records, 12 characters, take 32 bytes), and the last one
// of a block may run past the block's end.
constexpr uint64_t kSlotSize = 3 * kBlock + 1024;

struct Header {
    uint64_t offset;
    int32_t type;
    uint32_t position;
    uint32_t count;
};

constexpr uint64_t slotBytes(uint32_t count)
{
    return (sizeof(Header) + count + 7) & ~uint64_t(7);
}

bool lineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

bool HexPredecode::worthIt(uint64_t length)
{
    static const bool twoCores = std::thread::hardware_concurrency() >= 2;
    return twoCores && length >= 4 * kBlock;
}

HexPredecode::HexPredecode(const char *text, uint64_t length)
    : m_text(text), m_length(length), m_blocks((length + kBlock - 1) / kBlock),
      m_state(m_blocks, Block::Free), m_slots(kAhead)
{
    for (Slot &slot : m_slots)
        slot.arena = std::make_unique<uint8_t[]>(kSlotSize);
    m_state[0] = Block::Reader;
    m_worker = std::thread([this] { work(); });
}

HexPredecode::~HexPredecode()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void HexPredecode::work()
{
    for (uint64_t block = 1; block < m_blocks; ++block) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || block < m_released + kAhead; });
            if (m_stop)
                return;
            // A block the reader has passed, or taken, is not worth doing;
            // one it has passed may share its slot with the reader's own.
            if (block < m_released || m_state[block] != Block::Free)
                continue;
            m_state[block] = Block::Worker;
        }
        decodeBlock(block, m_slots[block % kAhead]);
        {
            std::lock_guard lock(m_mutex);
            m_state[block] = Block::Ready;
        }
        m_changed.notify_all();
    }
}

void HexPredecode::decodeBlock(uint64_t block, Slot &slot) const
{
    slot.used = 0;
    const uint64_t end = std::min(m_length, (block + 1) * kBlock);
    // The block's first record: the first colon after a line end.
    uint64_t i = block * kBlock;
    while (i < end) {
        const void *colon = std::memchr(m_text + i, ':', end - i);
        if (!colon)
            return;
        i = uint64_t(static_cast<const char *>(colon) - m_text);
        if (lineEnd(m_text[i - 1]))
            break;
        ++i;
    }
    DecodedRecord decoded;
    while (i < end && m_text[i] == ':') {
        uint64_t fault = 0;
        if (readPairs(m_text + i + 1, m_length - i - 1, false, decoded, &fault) != Pairs::Complete)
            return;
        uint32_t position = 0;
        const int32_t type = checkRecord(decoded, &position, &fault);
        const uint64_t size = slotBytes(decoded.count);
        if (type < 0 || slot.used + size > kSlotSize)
            return;
        const Header header{i, type, position, decoded.count};
        std::memcpy(slot.arena.get() + slot.used, &header, sizeof header);
        std::memcpy(slot.arena.get() + slot.used + sizeof header, decoded.bytes, decoded.count);
        slot.used += size;
        i += 1 + 2 * uint64_t(decoded.count);
        while (i < m_length && lineEnd(m_text[i]))
            ++i;
    }
}

void HexPredecode::enter(uint64_t block)
{
    m_block = block;
    m_current = nullptr;
    m_cursor = 0;
    std::unique_lock lock(m_mutex);
    m_released = block;
    m_changed.notify_all();
    if (block >= m_blocks)
        return;
    if (m_state[block] == Block::Free) {
        m_state[block] = Block::Reader;
        return;
    }
    m_changed.wait(lock, [&] { return m_state[block] != Block::Worker; });
    if (m_state[block] == Block::Ready)
        m_current = &m_slots[block % kAhead];
}

bool HexPredecode::at(uint64_t offset, Record &record)
{
    if (const uint64_t block = offset / kBlock; block != m_block)
        enter(block);
    if (!m_current)
        return false;
    while (m_cursor < m_current->used) {
        Header header;
        const uint8_t *entry = m_current->arena.get() + m_cursor;
        std::memcpy(&header, entry, sizeof header);
        if (header.offset > offset)
            return false;
        m_cursor += slotBytes(header.count);
        if (header.offset == offset) {
            record = {header.type, header.position, header.count, entry + sizeof header};
            return true;
        }
    }
    return false;
}

} // namespace kestrun
