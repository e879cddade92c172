#pragma once

#include "core/Cp932.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Files of the tests are written and compared as raw bytes, because byte
// identity is what the settings file promises.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
}

// Test texts are UTF-8 in the source; the files hold code page 932.
inline QByteArray sjis(const char *utf8)
{
    return encodeCp932(QString::fromUtf8(utf8));
}

#include <csignal>
#include <sys/resource.h>

// Makes every write beyond `bytes` fail, the way a full disk does. Unlike
// file permissions this also holds for root, who runs the tests.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};
