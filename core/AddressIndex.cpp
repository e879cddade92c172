#include "core/AddressIndex.h"

#include "core/MemoryMap.h"

#include <algorithm>

AddressIndex AddressIndex::read(const ImageCalls &c, QByteArrayView text)
{
    std::vector<Record> records;
    MemoryMap::read(c, text, &records);
    return AddressIndex(std::move(records));
}

std::optional<std::uint32_t> AddressIndex::addressAt(std::uint64_t line, int column) const
{
    const auto found = std::lower_bound(
        m_records.begin(), m_records.end(), line,
        [](const Record &record, std::uint64_t wanted) { return record.line < wanted; });
    if (found == m_records.end() || found->line != line || column < found->firstColumn)
        return std::nullopt;
    const auto byte = std::uint32_t(column - found->firstColumn) / 2;
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
            return Place{record.line, record.firstColumn + 2 * int(address - record.address),
                         2 * int(record.address + record.length - address)};
    return std::nullopt;
}
