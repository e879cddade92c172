// Where a command's result goes: standard output for "-", otherwise a file
// written the way SafeFileWriter writes: a regular file appears only once
// it is complete (a failed or cancelled run keeps any older file of the
// name as it was), a device or FIFO is written in place. A file replaced is
// left to the system to put on the disk, as objcopy and srec_cat leave it,
// unless setSync(true) (kestrun --sync) asks to wait for the disk first.
#ifndef KESTRUN_CLI_OUTPUT_TARGET_H
#define KESTRUN_CLI_OUTPUT_TARGET_H

#include "core/SafeFileWriter.h"

#include <QByteArrayView>
#include <QString>

class OutputTarget {
public:
    enum class Outcome { Written, Failed, Cancelled };

    explicit OutputTarget(const QString &path);

    // For every target made afterwards: whether committing waits until the
    // bytes are on the disk (default false).
    static void setSync(bool sync);

    // Each step stops at a cancel request; `error` says why one failed.
    Outcome open(QString &error);
    Outcome write(QByteArrayView bytes, QString &error);
    // What SafeFileWriter::copyFrom does.
    Outcome copy(int fd, std::uint64_t offset, std::uint64_t length, QString &error);
    Outcome commit(QString &error);
    // What SafeFileWriter::startOver does.
    bool startOver(QString &error);
    bool canStartOver() const { return m_writer.canStartOver(); }
    // What SafeFileWriter::writeAt does, from any thread.
    bool writeAt(std::uint64_t offset, QByteArrayView bytes, QString &error) const
    {
        return m_writer.writeAt(offset, bytes, error);
    }
    // What SafeFileWriter::reserve does.
    void reserve(std::uint64_t size) const { m_writer.reserve(size); }

private:
    SafeFileWriter m_writer;
};

#endif
