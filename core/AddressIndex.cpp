#include "core/AddressIndex.h"

#include <algorithm>

namespace {

// A data record's digits start after the colon, length, address and type.
constexpr int kFirstDataColumn = 10;

std::int32_t keepRecord(const kestrun_record *record, std::intptr_t userValue)
{
    if (record->type == 0 && record->length > 0)
        reinterpret_cast<std::vector<AddressIndex::Record> *>(userValue)->push_back(
            {record->line, record->address, record->length});
    return ResultOk;
}

} // namespace

AddressIndex AddressIndex::read(const ImageCalls &c, QByteArrayView text)
{
    AddressIndex index;
    kestrun_image *image = c.kestrun_image_new();
    kestrun_hex_reader *reader = c.kestrun_hex_reader_new(image);
    if (reader) {
        c.kestrun_hex_reader_on_record(reader, keepRecord,
                                       reinterpret_cast<std::intptr_t>(&index.m_records));
        if (c.kestrun_hex_reader_feed(reader, text.data(), std::uint64_t(text.size())) >= 0)
            c.kestrun_hex_reader_finish(reader);
    }
    c.kestrun_hex_reader_free(reader);
    c.kestrun_image_free(image);
    return index;
}

std::optional<std::uint32_t> AddressIndex::addressAt(std::uint64_t line, int column) const
{
    const auto found = std::lower_bound(
        m_records.begin(), m_records.end(), line,
        [](const Record &record, std::uint64_t wanted) { return record.line < wanted; });
    if (found == m_records.end() || found->line != line || column < kFirstDataColumn)
        return std::nullopt;
    const auto byte = std::uint32_t(column - kFirstDataColumn) / 2;
    if (byte >= found->length)
        return std::nullopt;
    return found->address + byte;
}

std::optional<std::uint64_t> AddressIndex::lineOf(std::uint32_t address) const
{
    if (const std::optional<Place> place = placeOf(address))
        return place->line;
    return std::nullopt;
}

std::optional<AddressIndex::Place> AddressIndex::placeOf(std::uint32_t address) const
{
    for (const Record &record : m_records)
        if (address >= record.address && address - record.address < record.length)
            return Place{record.line, kFirstDataColumn + 2 * int(address - record.address),
                         2 * int(record.address + record.length - address)};
    return std::nullopt;
}
