#include "InputSource.h"

#include "CancelSignal.h"
#include "core/LocalPath.h"
#include "core/SafeFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

// One byte below the largest text length the library takes, so that a
// HEX text's terminating NUL still fits.
constexpr qsizetype kLargestInput = INT32_MAX - 1;
constexpr qsizetype kChunk = qsizetype(8) << 20;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

InputSource::Outcome InputSource::read(const QString &path, QString &error)
{
    if (path == u"-") {
        if (SafeFileWriter::standardStreamWasClosed(STDIN_FILENO)) {
            error = QStringLiteral("not open (it was closed when kestrun started)");
            return Outcome::Failed;
        }
        return readAll(STDIN_FILENO, kChunk, error);
    }
    const int fd = ::open(LocalPath::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = systemError(errno);
        return Outcome::Failed;
    }
    struct stat info {};
    const qsizetype expected = fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
                                   ? static_cast<qsizetype>(info.st_size)
                                   : kChunk;
    const Outcome outcome = readAll(fd, expected, error);
    ::close(fd);
    return outcome;
}

// Reads up to the end of `fd` into a buffer for `expected` bytes, one more
// to meet the end without growing, and the NUL; a longer input grows it.
InputSource::Outcome InputSource::readAll(int fd, qsizetype expected, QString &error)
{
    m_buffer = LargeBuffer(static_cast<std::size_t>(std::min(expected + 1, kLargestInput + 1)) + 1);
    m_length = 0;
    for (;;) {
        if (!m_buffer.isValid()) {
            error = systemError(ENOMEM);
            return Outcome::Failed;
        }
        if (CancelSignal::requested())
            return Outcome::Cancelled;
        const qsizetype room = static_cast<qsizetype>(m_buffer.size()) - 1 - m_length;
        if (room == 0) {
            if (m_length > kLargestInput) {
                error = QStringLiteral("larger than %1 bytes").arg(kLargestInput);
                return Outcome::Failed;
            }
            LargeBuffer larger(static_cast<std::size_t>(std::min(m_length * 2, kLargestInput + 1))
                               + 1);
            if (larger.isValid())
                std::memcpy(larger.data(), m_buffer.data(), static_cast<std::size_t>(m_length));
            m_buffer = std::move(larger);
            continue;
        }
        const ssize_t got = ::read(fd, m_buffer.data() + m_length,
                                   static_cast<std::size_t>(std::min(room, kChunk)));
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = systemError(errno);
            return Outcome::Failed;
        }
        m_length += got;
    }
    m_buffer.data()[m_length] = '\0';
    return Outcome::Read;
}
