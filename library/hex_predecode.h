// Decoding of Intel HEX records ahead of the reader, on a second core.
//
// Decoding a record (its digits into bytes, its checksum and shape) needs
// nothing but the text from its colon on, so a worker can decode the
// records of a large piece ahead of the reader while the reader takes the
// ones before: bases, windows, the image and callbacks stay the reader's,
// in order. The piece is cut into blocks; the reader and the worker each
// claim a block before decoding it, so whichever comes first does the work
// and neither waits long. A block's records are those whose colon follows
// a line end within it; the worker stops a block at anything it cannot
// decode and leaves that to the reader's own way, which finds the place of
// every fault. The reader uses a decoded record only when it stands at its
// colon, so what it reads never depends on where the blocks fall.
#ifndef KESTRUN_HEX_PREDECODE_H
#define KESTRUN_HEX_PREDECODE_H

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrun {

class HexPredecode {
public:
    // A record decoded ahead: its type and position as checkRecord gives
    // them, and its bytes from the length byte on.
    struct Record {
        int32_t type;
        uint32_t position;
        uint32_t count; // digit pairs: the length byte + 5
        const uint8_t *bytes;
    };

    // Whether a piece of `length` characters is worth a worker.
    static bool worthIt(uint64_t length);

    // Starts decoding the blocks of `text` after the first.
    HexPredecode(const char *text, uint64_t length);
    ~HexPredecode();
    HexPredecode(const HexPredecode &) = delete;
    HexPredecode &operator=(const HexPredecode &) = delete;

    // The record whose colon stands at `offset` of the piece, decoded, or
    // false when the reader must read it itself. Offsets asked for only
    // grow.
    bool at(uint64_t offset, Record &record);

private:
    enum class Block : uint8_t { Free, Worker, Ready, Reader };
    struct Slot {
        std::unique_ptr<uint8_t[]> arena;
        uint64_t used = 0;
    };

    void work();
    void decodeBlock(uint64_t block, Slot &slot) const;
    void enter(uint64_t block);

    const char *m_text;
    uint64_t m_length;
    uint64_t m_blocks;
    std::vector<Block> m_state;
    std::vector<Slot> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_released = 0; // blocks below this one the reader is done with
    bool m_stop = false;

    // The reader's block and its next record.
    uint64_t m_block = UINT64_MAX;
    const Slot *m_current = nullptr;
    uint64_t m_cursor = 0;

    std::thread m_worker;
};

} // namespace kestrun

#endif
