#include "LinkedLibrary.h"

#include "core/Cp932.h"
#include "core/LinkedLibraryCalls.h"

#include <QCoreApplication>

namespace LinkedLibrary {

const LibraryCalls &calls()
{
    static const LibraryCalls linked = linkedLibraryCalls();
    return linked;
}

namespace {

// The library's messages as Qt's translation knows them (context
// KestrunResult), so that kestrun's English catalogue can give theirs.
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
};

} // namespace

QString message(std::int32_t code)
{
    char buffer[KESTRUN_MESSAGE_SIZE] = {};
    if (GetErrorString(code, buffer) != 1)
        return QString();
    const QString own = decodeCp932(QByteArrayView(buffer, qstrnlen(buffer, sizeof buffer)));
    // Only a text the library still gives is translated; one it changed
    // keeps its own words rather than another message's.
    for (const char *text : kResultTexts)
        if (own == QString::fromUtf8(text))
            return QCoreApplication::translate("KestrunResult", text);
    return own;
}

std::int32_t version()
{
    std::int32_t number = 0;
    DllGetVersion(&number);
    return number;
}

} // namespace LinkedLibrary
