// Where the data records of an image text (Intel HEX or S-records) put
// their bytes, by line, as the library's reader reports each record: the
// absolute address under a column of the text, and the record that holds
// an address. Windowless; the document windows ask it for the caret's
// address and for go-to, and fill it from the read of their MemoryMap.
#ifndef PELCOR_ADDRESS_INDEX_H
#define PELCOR_ADDRESS_INDEX_H

#include "core/LibraryCalls.h"

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

class AddressIndex {
public:
    // One data record: its line (from 1), the address of its first byte
    // (bases applied), its data bytes (a record holds at most 255) and the
    // column of its first data digit (the colon or S being column 1).
    struct Record {
        std::uint64_t line;
        std::uint32_t address;
        std::uint16_t length;
        std::uint16_t firstColumn;
    };

    AddressIndex() = default;
    explicit AddressIndex(std::vector<Record> records) : m_records(std::move(records)) {}
    // Reads `text` with the library (MemoryMap::read); the records up to the first bad one
    // (or all of them) are kept, so that the part above an error still
    // answers.
    static AddressIndex read(const ImageCalls &calls, QByteArrayView text);

    // The address of the data byte whose digits include `column` (from 1,
    // the colon being column 1) on `line`; none off a data field.
    std::optional<std::uint32_t> addressAt(std::uint64_t line, int column) const;
    // The first line whose record holds `address`; none when none does.
    std::optional<std::uint64_t> lineOf(std::uint32_t address) const;
    // That line, the column (from 1) of the address's first digit and the
    // number of data digits from there to the record's end.
    struct Place {
        std::uint64_t line;
        int column;
        int digitsLeft;
    };
    std::optional<Place> placeOf(std::uint32_t address) const;

    const std::vector<Record> &records() const { return m_records; }

private:
    // In line order, which the reader reports them in.
    std::vector<Record> m_records;
};

#endif
