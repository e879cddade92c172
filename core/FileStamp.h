// What a file on disk was like when the program last read or wrote it.
#ifndef PELCOR_FILE_STAMP_H
#define PELCOR_FILE_STAMP_H

#include <QString>

#include <optional>

// A file's size and modification time: a write by another program changes
// at least one of them, which is how a save tells that the file is no
// longer the one its text came from.
struct FileStamp {
    qint64 size = 0;
    qint64 modifiedNs = 0;

    // The stamp of the file `path` names (by the name's bytes, through
    // links); nothing when there is none.
    static std::optional<FileStamp> of(const QString &path);

    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

#endif
