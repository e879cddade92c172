// A file read a piece at a time, for the inputs core opens itself (the
// image inputs of kestrun's commands): a regular file costs a piece of
// memory whatever its size; "-" is standard input.
#ifndef PELCOR_FILE_PIECES_H
#define PELCOR_FILE_PIECES_H

#include "core/InputPieces.h"

#include <QByteArray>
#include <QString>

class FilePieces : public InputPieces {
public:
    FilePieces() = default;
    ~FilePieces() override;
    FilePieces(const FilePieces &) = delete;
    FilePieces &operator=(const FilePieces &) = delete;

    // Opens `path` ("-": standard input); false with error() saying why.
    bool open(const QString &path);

    std::uint64_t size() const override { return m_size; }
    bool next(QByteArrayView &piece) override;
    // Only a regular file can start again, and be read in parts.
    bool rewind() override;
    QString error() const override { return m_error; }
    std::unique_ptr<InputPieces> part(std::uint64_t from, std::uint64_t to) const override;
    // Bytes from..to of the regular file open as `fd` (of `size` bytes),
    // read through a descriptor of their own; null when none can be had.
    static std::unique_ptr<InputPieces> partOf(int fd, std::uint64_t size, std::uint64_t from,
                                               std::uint64_t to);

private:
    int m_fd = -1;
    bool m_owned = false;
    bool m_regular = false;
    std::uint64_t m_size = 0;
    // A part reads from..to by offset, leaving the file's position alone.
    bool m_part = false;
    std::uint64_t m_from = 0;
    std::uint64_t m_at = 0;
    std::uint64_t m_to = 0;
    QByteArray m_piece;
    QString m_error;
};

#endif
