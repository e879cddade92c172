// The lines of Intel HEX text and where extended address records go:
// shared by BinaryToHex and the HEX writer, so both write the same bytes.
#ifndef KESTRUN_HEX_LINES_H
#define KESTRUN_HEX_LINES_H

#include "exports.h"
#include "hex_digits.h"
#include "line_end.h"

#include <cstdint>

namespace kestrun {

constexpr uint64_t kBlockSize = 0x10000;
constexpr uint32_t kMaxRecordLength = 255;

// The characters of a record line with `payload` bytes after the colon
// (length, address, type, data), its checksum and line end.
inline uint64_t recordLineSize(uint64_t payload, const LineEnd &lineEnd)
{
    return 1 + 2 * payload + 2 + lineEnd.length;
}

// ":02 0000 tt vvvv cc" and its line end; returns where it ended.
char *putAddressRecord(char *p, uint32_t type, uint32_t value, const LineEnd &lineEnd);
// A data record of `count` bytes at `offset` in its block: the first
// `fromData` from `data`, the rest `blank`.
char *putDataRecord(char *p, uint32_t offset, const uint8_t *data, uint32_t fromData,
                    uint32_t count, uint8_t blank, const LineEnd &lineEnd);
// A start record, 03 (value CS << 16 | IP) or 05.
char *putStartRecord(char *p, uint32_t type, uint32_t value, const LineEnd &lineEnd);
char *putEndRecord(char *p, const LineEnd &lineEnd);

struct AddressRecord {
    uint32_t type;
    uint32_t value;
};

// The extended address records written so far, and those the data of a
// 64 KiB block needs before it.
//
// Automatic: nothing for the first 64 KiB; segment records 1000 to F000
// for the rest of the first MiB; from there on a segment record back to
// 0000 (readers that add both bases need it) and a linear record for each
// block. Every common reader finds each byte at its own address in such a
// file.
class AddressRecords {
public:
    explicit AddressRecords(uint32_t mode) : m_mode(mode) {}

    // The records before data in `block`, into out[0..1]: their number, or
    // -1 when the mode cannot reach the block.
    int before(uint64_t block, AddressRecord out[2]);
    // Whether a block is reachable at all.
    bool reaches(uint64_t block) const;

private:
    uint32_t m_mode;
    uint64_t m_segment = 0; // the segment base written, in blocks
    uint64_t m_linear = 0;  // the linear base written, in blocks
};

} // namespace kestrun

#endif
