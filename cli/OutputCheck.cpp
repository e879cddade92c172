#include "OutputCheck.h"

#include "core/ImageInput.h"
#include "core/LocalPath.h"

#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Both names exist and are one file.
bool sameFile(const QString &a, const QString &b)
{
    struct stat first {
    }, second{};
    return ::stat(LocalPath::encode(a).constData(), &first) == 0
           && ::stat(LocalPath::encode(b).constData(), &second) == 0
           && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

namespace OutputCheck {

QString refusal(const QString &output, const QStringList &inputs, bool binary)
{
    if (output == u"-") {
        if (binary && isatty(STDOUT_FILENO))
            return QCoreApplication::translate(
                "OutputCheck", "バイナリイメージを端末には書き出しません。-o FILE を指定するか、"
                               "出力をリダイレクトしてください");
        return QString();
    }
    for (const QString &input : inputs) {
        if (input == u"-")
            continue;
        if (sameFile(output, splitInputArgument(input).file))
            return QCoreApplication::translate(
                       "OutputCheck", "%1 は入力ファイルです。別の -o を指定してください")
                .arg(output);
    }
    return QString();
}

} // namespace OutputCheck
