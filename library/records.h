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
    bool summed = false;        // sum holds the bytes' sum, taken while decoding
    uint32_t sum = 0;
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

// The reader's view of the same rules, for text that comes in pieces and
// may hold NUL bytes: a record ends with CR, LF or the end of the text.
enum class Pairs {
    Complete,  // out.count pairs, then a line end or the end of the text
    NeedMore,  // every character so far is a digit, but the record goes on
    Malformed, // not Intel HEX at character `fault`
};
// Reads the digit pairs of the record whose colon stands just before `p`,
// of which `available` characters are at hand; `atEnd` when the text ends
// after them. On Malformed, *fault is the index of the character at fault.
Pairs readPairs(const char *p, uint64_t available, bool atEnd, DecodedRecord &out,
                uint64_t *fault);
// The same for a record followed by at least the digits of the longest
// record and a CR LF, read with no care for where the text ends: true when
// its digits are sound and a line end follows them, out.sum then holding
// their sum; false for anything readPairs is to look at (with `out` not
// to be used), a short record among them.
bool readWholeRecord(const char *p, DecodedRecord &out);
// The checks after the digits: checksum, end record, the shape of address
// and start records and the type. Returns the type or a result code, with
// *position as decodeRecord sets it and *fault the index (from the first
// pair) of the character that the failure points at.
int32_t checkRecord(const DecodedRecord &record, uint32_t *position, uint64_t *fault);

} // namespace kestrun

#endif
