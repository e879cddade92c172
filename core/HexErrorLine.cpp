#include "core/HexErrorLine.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>

namespace HexErrorLine {

bool isRecordError(std::int32_t result)
{
    return result == ResultNotIntelHex || result == ResultChecksumError
           || result == ResultEndRecordError || result == ResultAddressFault
           || result == ResultNotSRecord || result == ResultRecordCount;
}

Place inEditor(const kestrun_place &at)
{
    return Place{int(std::clamp<std::uint64_t>(at.editor_line, 1, INT_MAX)),
                 at.no_end_record != 0};
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

} // namespace HexErrorLine
