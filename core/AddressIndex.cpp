#include "core/AddressIndex.h"

#include "core/MemoryMap.h"

#include <algorithm>

AddressIndex AddressIndex::read(const ImageCalls &c, QByteArrayView text)
{
    AddressIndex index;
    MemoryMap::read(c, text, &index);
    return index;
}

void AddressIndex::add(const Record &record)
{
    if (!m_runs.empty()) {
        Run &run = m_runs.back();
        const std::uint64_t line = run.firstLine + run.count;
        if (record.line == line && record.length == run.length
            && record.firstColumn == run.firstColumn && record.address > run.firstAddress) {
            const std::uint64_t step = record.address - std::uint64_t(run.firstAddress);
            if (run.count == 1 && step >= run.length) {
                run.step = std::uint32_t(step);
                run.count = 2;
                return;
            }
            if (run.count > 1 && step == std::uint64_t(run.step) * run.count) {
                ++run.count;
                return;
            }
        }
    }
    m_runs.push_back({record.line, record.address, 1, 0, record.length, record.firstColumn});
}

std::uint64_t AddressIndex::size() const
{
    std::uint64_t records = 0;
    for (const Run &run : m_runs)
        records += run.count;
    return records;
}

std::vector<AddressIndex::Run>::const_iterator AddressIndex::runAtOrAbove(std::uint64_t line) const
{
    const auto after = std::upper_bound(
        m_runs.begin(), m_runs.end(), line,
        [](std::uint64_t wanted, const Run &run) { return wanted < run.firstLine; });
    return after == m_runs.begin() ? m_runs.end() : std::prev(after);
}

std::optional<std::uint32_t> AddressIndex::addressAt(std::uint64_t line, int column) const
{
    const auto run = runAtOrAbove(line);
    if (run == m_runs.end() || line - run->firstLine >= run->count || column < run->firstColumn)
        return std::nullopt;
    const auto byte = std::uint32_t(column - run->firstColumn) / 2;
    if (byte >= run->length)
        return std::nullopt;
    return run->record(std::uint32_t(line - run->firstLine)).address + byte;
}

std::optional<std::uint64_t> AddressIndex::lineOf(std::uint32_t address) const
{
    if (const std::optional<Place> place = placeOf(address))
        return place->line;
    return std::nullopt;
}

std::optional<AddressIndex::Place> AddressIndex::placeOf(std::uint32_t address) const
{
    for (const Run &run : m_runs) {
        if (address < run.firstAddress)
            continue;
        const std::uint32_t offset = address - run.firstAddress;
        const std::uint32_t i = run.count > 1 ? offset / run.step : 0;
        if (i >= run.count)
            continue;
        const Record record = run.record(i);
        if (address - record.address < record.length)
            return Place{record.line, record.firstColumn + 2 * int(address - record.address),
                         2 * int(record.address + record.length - address)};
    }
    return std::nullopt;
}

std::optional<AddressIndex::Record> AddressIndex::atOrAbove(std::uint64_t line) const
{
    const auto run = runAtOrAbove(line);
    if (run == m_runs.end())
        return std::nullopt;
    return run->record(std::uint32_t(std::min<std::uint64_t>(line - run->firstLine, run->count - 1)));
}

std::optional<AddressIndex::Record> AddressIndex::atOrBelow(std::uint64_t line) const
{
    auto run = runAtOrAbove(line);
    if (run != m_runs.end() && line - run->firstLine < run->count)
        return run->record(std::uint32_t(line - run->firstLine));
    run = run == m_runs.end() ? m_runs.begin() : std::next(run);
    if (run == m_runs.end())
        return std::nullopt;
    return run->record(0);
}
