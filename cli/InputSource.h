// The whole input of a command, from a file or, for "-", from standard
// input, read into memory in one piece as the conversions need it.
#ifndef KESTRUN_CLI_INPUT_SOURCE_H
#define KESTRUN_CLI_INPUT_SOURCE_H

#include "core/LargeBuffer.h"

#include <QByteArrayView>
#include <QString>

class InputSource {
public:
    enum class Outcome { Read, Failed, Cancelled };

    // Reads `path` ("-": standard input). On failure `error` says why. The
    // library takes 32-bit lengths, so larger inputs fail.
    Outcome read(const QString &path, QString &error);

    // The input, followed by a NUL so that HEX text can go to the library
    // as it is.
    QByteArrayView bytes() const { return QByteArrayView(m_buffer.chars(), m_length); }
    char *data() const { return m_buffer.chars(); }

private:
    Outcome readAll(int fd, qsizetype expected, QString &error);

    LargeBuffer m_buffer;
    qsizetype m_length = 0;
};

#endif
