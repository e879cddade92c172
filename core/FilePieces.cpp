#include "core/FilePieces.h"

#include "core/LocalPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Pieces small enough to stay in the processor's cache between the read
// that copies them and the reader that goes through them: from the page
// cache, a file read in pieces of 128 KiB takes half the time it takes in
// pieces of a MiB.
constexpr qsizetype kPiece = qsizetype(128) << 10;
constexpr qsizetype kPartPiece = qsizetype(128) << 10;

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
        const std::size_t most = m_part ? std::size_t(std::min<std::uint64_t>(
                                              m_to - m_at, std::uint64_t(m_piece.size())))
                                        : std::size_t(m_piece.size());
        const ssize_t n = m_part ? ::pread(m_fd, m_piece.data(), most, off_t(m_at))
                                 : ::read(m_fd, m_piece.data(), most);
        if (n >= 0) {
            m_at += std::uint64_t(n);
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
    m_at = m_from;
    return m_regular && (m_part || ::lseek(m_fd, 0, SEEK_SET) == 0);
}

std::unique_ptr<InputPieces> FilePieces::part(std::uint64_t from, std::uint64_t to) const
{
    return m_regular ? partOf(m_fd, m_size, from, to) : nullptr;
}

std::unique_ptr<InputPieces> FilePieces::partOf(int fd, std::uint64_t size, std::uint64_t from,
                                                std::uint64_t to)
{
    auto part = std::make_unique<FilePieces>();
    part->m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (part->m_fd < 0)
        return nullptr;
    part->m_owned = true;
    part->m_regular = true;
    part->m_part = true;
    part->m_from = part->m_at = std::min(from, size);
    part->m_to = std::clamp(to, part->m_from, size);
    part->m_size = part->m_to - part->m_from;
    // Pieces that stay in the processor's cache while the reader goes
    // through them.
    part->m_piece.resize(kPartPiece);
    return part;
}
