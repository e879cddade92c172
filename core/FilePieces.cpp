#include "core/FilePieces.h"

#include "core/LocalPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr qsizetype kPiece = qsizetype(1) << 20;

} // namespace

FilePieces::~FilePieces()
{
    if (m_owned && m_fd >= 0)
        ::close(m_fd);
}

bool FilePieces::open(const QString &path)
{
    if (path == u"-") {
        m_fd = STDIN_FILENO;
    } else {
        m_fd = ::open(LocalPath::encode(path).constData(), O_RDONLY | O_CLOEXEC);
        m_owned = m_fd >= 0;
    }
    struct stat info {};
    if (m_fd < 0 || fstat(m_fd, &info) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        m_error = QString::fromLocal8Bit(std::strerror(EISDIR));
        return false;
    }
    m_regular = S_ISREG(info.st_mode);
    m_size = m_regular ? std::uint64_t(info.st_size) : 0;
    if (m_regular)
        posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_piece.resize(kPiece);
    return true;
}

bool FilePieces::next(QByteArrayView &piece)
{
    for (;;) {
        const ssize_t n = ::read(m_fd, m_piece.data(), std::size_t(m_piece.size()));
        if (n >= 0) {
            piece = QByteArrayView(m_piece.constData(), n);
            return true;
        }
        if (errno != EINTR) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
}

bool FilePieces::rewind()
{
    return m_regular && ::lseek(m_fd, 0, SEEK_SET) == 0;
}
