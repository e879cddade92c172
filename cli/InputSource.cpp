#include "InputSource.h"

#include "CancelSignal.h"
#include "core/FilePieces.h"
#include "MessageLanguage.h"
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

constexpr std::size_t kPiece = std::size_t(1) << 20;
// A file is read in pieces that stay in the processor's cache while the
// reader goes through them.
constexpr std::size_t kStreamPiece = std::size_t(256) << 10;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

InputSource::~InputSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

InputSource::Outcome InputSource::open(const QString &path, QString &error)
{
    if (path == u"-") {
        if (SafeFileWriter::standardStreamWasClosed(STDIN_FILENO)) {
            error = MessageLanguage::text("not open (it was closed when kestrun started)");
            return Outcome::Failed;
        }
        return readAll(STDIN_FILENO, error);
    }
    const int fd = ::open(LocalPath::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = CancelSignal::requested() ? QString() : systemError(errno);
        return CancelSignal::requested() ? Outcome::Cancelled : Outcome::Failed;
    }
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        m_fd = fd;
        m_size = std::uint64_t(info.st_size);
        m_buffer = LargeBuffer(kStreamPiece);
        if (!m_buffer.isValid()) {
            error = systemError(ENOMEM);
            return Outcome::Failed;
        }
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return Outcome::Read;
    }
    const Outcome outcome = readAll(fd, error);
    ::close(fd);
    return outcome;
}

bool InputSource::next(QByteArrayView &piece)
{
    if (m_whole) {
        piece = m_offset == 0 ? QByteArrayView(m_buffer.chars(), qsizetype(m_size)) : QByteArrayView();
        m_offset = m_size;
        return true;
    }
    for (;;) {
        const ssize_t got = ::read(m_fd, m_buffer.data(), kStreamPiece);
        if (got < 0 && errno == EINTR && !CancelSignal::requested())
            continue;
        if (got < 0) {
            m_error = CancelSignal::requested() ? QString() : systemError(errno);
            return false;
        }
        m_offset += std::uint64_t(got);
        piece = QByteArrayView(m_buffer.chars(), got);
        return true;
    }
}

bool InputSource::rewind()
{
    m_offset = 0;
    if (m_whole)
        return true;
    if (::lseek(m_fd, 0, SEEK_SET) != 0) {
        m_error = systemError(errno);
        return false;
    }
    return true;
}

std::unique_ptr<InputPieces> InputSource::part(std::uint64_t from, std::uint64_t to) const
{
    if (!m_whole)
        return FilePieces::partOf(m_fd, m_size, from, to);
    return MemoryPieces(QByteArrayView(m_buffer.chars(), qsizetype(m_size))).part(from, to);
}

// Reads up to the end of `fd` into memory, growing the buffer as it fills.
InputSource::Outcome InputSource::readAll(int fd, QString &error)
{
    m_whole = true;
    m_buffer = LargeBuffer(8 * kPiece);
    m_size = 0;
    for (;;) {
        if (!m_buffer.isValid()) {
            error = systemError(ENOMEM);
            return Outcome::Failed;
        }
        if (CancelSignal::requested())
            return Outcome::Cancelled;
        const std::size_t room = m_buffer.size() - m_size;
        if (room == 0) {
            LargeBuffer larger(m_buffer.size() * 2);
            if (larger.isValid())
                std::memcpy(larger.data(), m_buffer.data(), m_size);
            m_buffer = std::move(larger);
            continue;
        }
        const ssize_t got = ::read(fd, m_buffer.data() + m_size, std::min(room, 8 * kPiece));
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = systemError(errno);
            return Outcome::Failed;
        }
        m_size += std::uint64_t(got);
    }
    return Outcome::Read;
}
