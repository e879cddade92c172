#include "core/HexErrorLine.h"

namespace {

struct LastReport {
    std::int32_t done = -1;

    static std::int32_t keep(std::int32_t done, std::int32_t, std::intptr_t userValue)
    {
        reinterpret_cast<LastReport *>(userValue)->done = done;
        return 1;
    }
};

bool endsLine(QByteArrayView text, qsizetype at)
{
    return text[at] == '\n' || text[at] == '\r';
}

} // namespace

namespace HexErrorLine {

bool isRecordError(std::int32_t result)
{
    return result == ResultNotIntelHex || result == ResultChecksumError
           || result == ResultEndRecordError || result == ResultAddressFault;
}

QString noEndRecordNote()
{
    return QStringLiteral("ｴﾝﾄﾞﾚｺｰﾄﾞがありません");
}

std::optional<Place> find(const LibraryCalls &calls, QByteArrayView text, Counting counting)
{
    // No image is wanted: with no room for one the call ends at the first
    // record error, or after the end record with an overflow.
    LastReport last;
    std::uint8_t image = 0;
    std::uint32_t imageSize = 0;
    const std::uint32_t start = 0;
    std::uint32_t end = 0;
    const std::int32_t result = calls.hexToBinary(
        text.isNull() ? "" : text.constData(), &image, static_cast<std::int32_t>(text.size()), 0,
        &imageSize, &start, &end, 0, reinterpret_cast<std::intptr_t>(&last), &LastReport::keep);
    if (!isRecordError(result) || last.done < 0 || last.done > text.size())
        return std::nullopt;

    // The library reads up to the first NUL: there the text ended for it.
    const qsizetype offset = last.done;
    Place place;
    place.noEndRecord = offset == text.size() || text[offset] == '\0';
    place.line = lineAt(text, offset, counting);
    // A last line without its line end still is a line.
    if (place.noEndRecord && offset > 0 && !endsLine(text, offset - 1))
        ++place.line;
    return place;
}

int lineAt(QByteArrayView text, qsizetype offset, Counting counting)
{
    int line = 1;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
        } else if (text[i] == '\r') {
            const bool beforeLf = i + 1 < text.size() && text[i + 1] == '\n';
            const bool afterLf = i > 0 && text[i - 1] == '\n';
            if (!beforeLf && !(afterLf && counting == Counting::Objcopy))
                ++line;
        }
    }
    return line;
}

} // namespace HexErrorLine
