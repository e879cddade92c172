// Decoding of one Intel HEX record, shared by LineHexToBin and HexToBinary.
#ifndef KESTRUN_RECORDS_H
#define KESTRUN_RECORDS_H

#include <cstdint>

namespace kestrun {

// Room for the decoded bytes of one record: length, address (2), type, up to
// 255 data bytes, checksum, and slack.
constexpr uint32_t kDecodeBufferSize = 300;

struct DecodedRecord {
    uint8_t bytes[kDecodeBufferSize];
    uint32_t count = 0;         // digit pairs decoded: the length byte + 5
    const char *stop = nullptr; // the NUL, CR or LF that ends the record
    uint32_t address() const { return bytes[1] * 256u + bytes[2]; }
    uint32_t dataLength() const { return bytes[0]; }
    const uint8_t *data() const { return bytes + 4; }
};

// Decodes and checks the record at `record` (its colon) into `out`. A
// record is a colon, exactly as many digit pairs as its length byte + 5
// (hex digits of either case), then NUL, CR or LF; anything else is not
// Intel HEX. Returns the record type (0-5) or a negative result code; on
// success *position holds the record's position value. The position is
// left alone when the record is malformed or fails its checksum, and is 0
// for an unknown type, an address record of the wrong shape or a bad end
// record. Data bytes are not stored: that is the caller's business, at its
// own buffer + address.
int32_t decodeRecord(const char *record, DecodedRecord &out, uint32_t *position);

} // namespace kestrun

#endif
