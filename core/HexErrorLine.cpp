#include "core/HexErrorLine.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>

namespace {

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
    return QCoreApplication::translate("HexErrorLine", "ｴﾝﾄﾞﾚｺｰﾄﾞがありません");
}

QString describe(const Place &place)
{
    const QString line = QStringLiteral("%1 行目").arg(place.line);
    return place.noEndRecord ? QStringLiteral("(%1: %2)").arg(line, noEndRecordNote())
                             : QStringLiteral("(%1)").arg(line);
}

Place placeIn(const kestrun_place &at, QByteArrayView text, Counting counting)
{
    Place place;
    place.noEndRecord = at.no_end_record != 0;
    if (counting == Counting::Objcopy || at.record_offset > std::uint64_t(text.size())) {
        place.line = int(std::min<std::uint64_t>(at.line, INT_MAX));
        return place;
    }
    const auto offset = qsizetype(at.record_offset);
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
