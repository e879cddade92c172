#include "core/AddressIndex.h"

#include "core/MemoryMap.h"

#include <algorithm>

AddressIndex AddressIndex::read(const ImageCalls &c, QByteArrayView text)
{
    AddressIndex index;
    MemoryMap::read(c, text, &index);
    return index;
}

void AddressIndex::setTokenizer(const ImageCalls &calls, std::int32_t format)
{
    m_calls = &calls;
    m_format = format;
}

void AddressIndex::add(const Record &record)
{
    if (!m_runs.empty()) {
        Run &run = m_runs.back();
        const std::uint64_t line = run.firstLine + run.count;
        if (record.line == line && record.length == run.length
            && record.address > run.firstAddress) {
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
    m_runs.push_back({record.line, record.address, 1, 0, record.length});
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

std::optional<kestrun_token> AddressIndex::tokenize(QByteArrayView lineText) const
{
    if (!m_calls)
        return std::nullopt;
    kestrun_token token{};
    m_calls->kestrun_tokenize_line(m_format, lineText.data(), std::uint64_t(lineText.size()),
                                   nullptr, &token);
    if (token.data.width == 0 || token.data_length == 0)
        return std::nullopt;
    return token;
}

std::optional<std::uint32_t> AddressIndex::addressAt(std::uint64_t line, QByteArrayView lineText,
                                                     int column) const
{
    const auto run = runAtOrAbove(line);
    if (run == m_runs.end() || line - run->firstLine >= run->count)
        return std::nullopt;
    const Record record = run->record(std::uint32_t(line - run->firstLine));
    const std::optional<kestrun_token> token = tokenize(lineText);
    if (!token || token->data_length != record.length)
        return std::nullopt;
    const std::int64_t at = std::int64_t(column) - 1 - token->data.column;
    if (at < 0 || at >= token->data.width)
        return std::nullopt;
    return record.address + std::uint32_t(at * token->data_length / token->data.width);
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
            return Place{record.line, address - record.address};
    }
    return std::nullopt;
}

std::optional<AddressIndex::Digits> AddressIndex::digitsOf(QByteArrayView lineText,
                                                           std::uint32_t byte,
                                                           std::uint32_t count) const
{
    const std::optional<kestrun_token> token = tokenize(lineText);
    if (!token || byte >= token->data_length)
        return std::nullopt;
    // The tokenizer's data field, shared out evenly among its bytes.
    const std::uint64_t width = token->data.width;
    const std::uint64_t bytes = token->data_length;
    const std::uint64_t last = std::min<std::uint64_t>(std::uint64_t(byte) + count, bytes);
    const std::uint64_t from = byte * width / bytes;
    return Digits{int(token->data.column + 1 + from), int(last * width / bytes - from)};
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
