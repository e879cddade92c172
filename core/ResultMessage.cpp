#include "core/ResultMessage.h"

#include "core/Cp932.h"

#include <QCoreApplication>

namespace {

// The library's texts as the translation knows them. Only a text the
// library still gives is translated: one it changed keeps its own words
// rather than taking another message's.
const char *const kResultTexts[] = {
    QT_TRANSLATE_NOOP("KestrunResult", "正常終了"),
    QT_TRANSLATE_NOOP("KestrunResult", "ｲﾝﾃﾙﾍｷｻ形式ではありません"),
    QT_TRANSLATE_NOOP("KestrunResult", "ﾁｪｯｸｻﾑ値が異常です"),
    QT_TRANSLATE_NOOP("KestrunResult", "ｴﾝﾄﾞﾚｺｰﾄﾞが異常です"),
    QT_TRANSLATE_NOOP("KestrunResult", "中止しました"),
    QT_TRANSLATE_NOOP("KestrunResult", "ｵｰﾊﾞｰﾌﾛｰです"),
    QT_TRANSLATE_NOOP("KestrunResult", "ﾒﾓﾘが足りません"),
    QT_TRANSLATE_NOOP("KestrunResult",
                      "例外が発生しました\nﾍｷｻﾌｧｲﾙのｱﾄﾞﾚｽ指定が不正な可能性があります"),
    QT_TRANSLATE_NOOP("KestrunResult", "ﾃﾞｰﾀのｱﾄﾞﾚｽが重なっています"),
    QT_TRANSLATE_NOOP("KestrunResult", "引数が正しくありません"),
    QT_TRANSLATE_NOOP("KestrunResult", "Sﾚｺｰﾄﾞ形式ではありません"),
    QT_TRANSLATE_NOOP("KestrunResult", "ﾚｺｰﾄﾞ数が一致しません"),
    QT_TRANSLATE_NOOP("KestrunResult", "TI-TXT形式ではありません"),
    QT_TRANSLATE_NOOP("KestrunResult", "VMEM形式ではありません"),
    QT_TRANSLATE_NOOP("KestrunResult", "UF2形式ではありません"),
};

QString hexByte(std::uint32_t value)
{
    return QString::number(value & 0xFF, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

QString resultMessage(ErrorStringCall getErrorString, std::int32_t code)
{
    char buffer[KESTRUN_MESSAGE_SIZE] = {};
    if (!getErrorString || getErrorString(code, buffer) != 1)
        return QString();
    const QString own = decodeCp932(QByteArrayView(buffer, qstrnlen(buffer, sizeof buffer)));
    QString message = own;
    for (const char *text : kResultTexts)
        if (own == QString::fromUtf8(text))
            message = QCoreApplication::translate("KestrunResult", text);
    return message.replace(u'\n', u' ');
}

QString placeMessage(ErrorStringCall getErrorString, const kestrun_place &place)
{
    if (place.result == ResultChecksumError && place.has_values)
        return QCoreApplication::translate("KestrunResult", "ﾁｪｯｸｻﾑ値が異常です (%1、正しくは %2)")
            .arg(hexByte(place.found), hexByte(place.expected));
    return resultMessage(getErrorString, place.result);
}
