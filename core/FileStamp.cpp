#include "core/FileStamp.h"

#include "core/LocalPath.h"

#include <sys/stat.h>

std::optional<FileStamp> FileStamp::of(const QString &path)
{
    struct stat info {};
    if (path.isEmpty() || ::stat(LocalPath::encode(path).constData(), &info) != 0)
        return std::nullopt;
    return FileStamp{qint64(info.st_size),
                     qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}
