#include "core/HexLineStyles.h"

#include <algorithm>

namespace {

kestrun_token tokenize(const ImageCalls &calls, std::int32_t format, QByteArrayView line)
{
    kestrun_token token{};
    calls.kestrun_tokenize_line(format, line.data(), std::uint64_t(line.size()), nullptr, &token);
    return token;
}

} // namespace

qsizetype recordMark(const ImageCalls &calls, std::int32_t format, QByteArrayView line)
{
    const kestrun_token token = tokenize(calls, format, line);
    return token.mark.width > 0 ? qsizetype(token.mark.column) : -1;
}

std::optional<kestrun_place> wrongChecksumAt(const ImageCalls &calls, std::int32_t format,
                                             QByteArrayView line, qsizetype column)
{
    const kestrun_token token = tokenize(calls, format, line);
    const kestrun_field &sum = token.checksum;
    if (token.checksum_holds || sum.width == 0 || column < qsizetype(sum.column)
        || column >= qsizetype(sum.column) + qsizetype(sum.width))
        return std::nullopt;
    kestrun_place place{};
    place.result = ResultChecksumError;
    place.column = sum.column + 1;
    place.has_values = 1;
    place.found = token.checksum_found;
    place.expected = token.checksum_expected;
    return place;
}

void styleRecordLine(const ImageCalls &calls, std::int32_t format, QByteArrayView line,
                     char *styles)
{
    std::fill_n(styles, line.size(), HexStyle::Plain);
    const kestrun_token token = tokenize(calls, format, line);
    if (token.mark.width == 0)
        return;
    auto paint = [&](const kestrun_field &field, char style) {
        const auto from = std::min<qsizetype>(field.column, line.size());
        const auto to = std::min<qsizetype>(qsizetype(field.column) + field.width, line.size());
        std::fill(styles + from, styles + to, style);
    };
    paint(token.mark, HexStyle::Mark);
    paint(token.length, HexStyle::Length);
    paint(token.address, HexStyle::Address);
    paint(token.kind, HexStyle::Type);
    paint(token.data, HexStyle::Data);
    paint(token.checksum, token.checksum_holds ? HexStyle::Checksum : HexStyle::BadChecksum);
    // Whatever the record could not account for, up to the line end and
    // any blanks before it.
    qsizetype end = line.size();
    while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r'))
        --end;
    const auto broken = std::min<qsizetype>(token.broken, end);
    while (end > broken && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    std::fill(styles + broken, styles + end, HexStyle::Broken);
    // A record cut short, or one the reader refuses for what nothing above
    // shows (its type, its place on the line, its length for its type),
    // shows it at its mark: what is there may be fine.
    const bool refused = token.result != ResultOk && token.result != ResultChecksumError;
    if (!token.complete || (refused && broken >= end))
        styles[token.mark.column] = HexStyle::Broken;
}
