// A command's input in pieces: a regular file is read a piece at a time
// (and again from its start for a second pass), so that its size costs a
// piece of memory; standard input, a FIFO or a device is read whole into
// memory first, as it cannot be read twice.
#ifndef KESTRUN_CLI_INPUT_SOURCE_H
#define KESTRUN_CLI_INPUT_SOURCE_H

#include "core/InputPieces.h"
#include "core/LargeBuffer.h"

#include <QByteArrayView>
#include <QString>

class InputSource : public InputPieces {
public:
    enum class Outcome { Read, Failed, Cancelled };

    InputSource() = default;
    ~InputSource() override;
    InputSource(const InputSource &) = delete;
    InputSource &operator=(const InputSource &) = delete;

    // Opens `path` ("-": standard input). On failure `error` says why.
    Outcome open(const QString &path, QString &error);

    std::uint64_t size() const override { return m_size; }
    bool next(QByteArrayView &piece) override;
    bool rewind() override;
    QString error() const override { return m_error; }
    std::unique_ptr<InputPieces> part(std::uint64_t from, std::uint64_t to) const override;

private:
    Outcome readAll(int fd, QString &error);

    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::uint64_t m_offset = 0;
    LargeBuffer m_buffer;
    bool m_whole = false;
    QString m_error;
};

#endif
