#include "core/SafeFileWriter.h"

#include "core/LocalPath.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

bool g_closedStream[3] = {};
bool (*g_cancelled)() = nullptr;

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// 0, or the errno of the write that failed. An interruptible write into a
// pipe or FIFO whose reader stopped reading ends at a cancel instead of
// waiting for ever.
int writeAll(int fd, const char *data, std::size_t size, bool interruptible = false)
{
    while (size > 0) {
        // A signal ends a blocked write early, with part of it written.
        if (interruptible && g_cancelled && g_cancelled())
            return EINTR;
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return put < 0 ? errno : EIO;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

// Copies everything from `from` (read from its start) to `to`; 0 or errno.
int copyAll(int from, int to)
{
    if (lseek(from, 0, SEEK_SET) < 0)
        return errno;
    static constexpr std::size_t kPiece = 1 << 20;
    QByteArray buffer(kPiece, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), kPiece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (const int error = writeAll(to, buffer.constData(), static_cast<std::size_t>(got)))
            return error;
    }
}

// Data reaches the disk before a rename makes it the file; a descriptor
// that cannot be synced (a pipe, some devices) needs no sync.
int sync(int fd)
{
    return fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
}

// A new file beside `target`, named after it, created exclusively.
int createBeside(const QByteArray &target, mode_t mode, QByteArray &name)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    // Short enough that the suffix keeps within a name's 255 bytes.
    const QByteArray base = target.mid(slash + 1).left(200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + '.' + base + '.'
               + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Where a symbolic link that names no file yet points: the name to create,
// so that the link stays and leads to the new file. Any other `path` is
// returned as it is.
QByteArray danglingLinkTarget(QByteArray path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        QByteArray next(qsizetype(info.st_size) + 1, Qt::Uninitialized);
        const ssize_t length = ::readlink(path.constData(), next.data(), std::size_t(next.size()));
        if (length <= 0 || length >= next.size())
            return path;
        next.truncate(length);
        const qsizetype slash = path.lastIndexOf('/');
        path = next.startsWith('/') || slash < 0 ? next : path.left(slash + 1) + next;
    }
    return path;
}

} // namespace

SafeFileWriter::SafeFileWriter(const QString &path) : m_path(path)
{
}

SafeFileWriter::~SafeFileWriter()
{
    discard();
}

bool SafeFileWriter::fail(int error)
{
    return failWith(reason(error));
}

bool SafeFileWriter::failWith(const QString &reasonText)
{
    if (m_error.isEmpty())
        m_error = reasonText;
    return false;
}

// The file itself may be written (open() checked), but a save that can
// fail without damage needs a new file beside it.
bool SafeFileWriter::failBeside(int error)
{
    if (error != EACCES)
        return fail(error);
    return failWith(
        reason(error)
        + QCoreApplication::translate(
            "SafeFileWriter", " (安全に保存するための新しいファイルをそのフォルダに作れません)"));
}

bool SafeFileWriter::open()
{
    if (m_path == u"-") {
        if (g_closedStream[STDOUT_FILENO] || fcntl(STDOUT_FILENO, F_GETFD) < 0)
            return failWith(QCoreApplication::translate(
                "SafeFileWriter", "開かれていません (プログラムの起動時に閉じられていました)"));
        m_kind = Kind::Stream;
        m_fd = STDOUT_FILENO;
        return true;
    }
    const QByteArray path = LocalPath::encode(m_path);
    if (path.isEmpty())
        return fail(ENOENT);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return errno == ENOENT ? openReplacement(danglingLinkTarget(path), nullptr) : fail(errno);
    if (S_ISDIR(info.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(info.st_mode))
        return openSpecial(path, info.st_mode);
    // The file a symbolic link names is the one to replace, not the link.
    QByteArray target = path;
    if (char *real = ::realpath(path.constData(), nullptr)) {
        target = real;
        std::free(real);
    }
    // A file its owner made read-only stays so, as with any editor.
    if (::access(target.constData(), W_OK) != 0)
        return fail(errno);
    return info.st_nlink > 1 ? openLinked(target) : openReplacement(target, &info);
}

bool SafeFileWriter::openReplacement(const QByteArray &target, const struct stat *old)
{
    // A new file gets the usual mode under the umask; a replaced one its
    // predecessor's, set once the owner is (a change of owner clears the
    // set-id bits).
    m_fd = createBeside(target, old ? 0600 : 0666, m_temporary);
    if (m_fd < 0)
        return old ? failBeside(errno) : fail(errno);
    m_kind = Kind::Replace;
    m_target = target;
    if (old) {
        // Only root may hand a file to another owner; anyone else keeps at
        // least the group where the system allows it.
        if (old->st_uid != geteuid() || old->st_gid != getegid()) {
            if (fchown(m_fd, old->st_uid, old->st_gid) != 0)
                (void)fchown(m_fd, static_cast<uid_t>(-1), old->st_gid);
        }
        if (fchmod(m_fd, old->st_mode & 07777) != 0)
            return fail(errno);
    }
    return true;
}

bool SafeFileWriter::openLinked(const QByteArray &target)
{
    const int original = ::open(target.constData(), O_RDWR | O_CLOEXEC);
    if (original < 0)
        return fail(errno);
    const int backup = createBeside(target, 0600, m_temporary);
    int error = backup < 0 ? errno : copyAll(original, backup);
    if (!error)
        error = m_sync ? sync(backup) : 0;
    if (backup >= 0 && ::close(backup) != 0 && !error)
        error = errno;
    if (!error && (ftruncate(original, 0) != 0 || lseek(original, 0, SEEK_SET) < 0))
        error = errno;
    if (error) {
        ::close(original);
        if (backup >= 0)
            ::unlink(m_temporary.constData());
        m_temporary.clear();
        return backup < 0 ? failBeside(error) : fail(error);
    }
    m_kind = Kind::LinkedInPlace;
    m_target = target;
    m_fd = original;
    return true;
}

bool SafeFileWriter::openSpecial(const QByteArray &target, mode_t mode)
{
    if (S_ISSOCK(mode)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::size_t(target.size()) >= sizeof address.sun_path)
            return fail(ENAMETOOLONG);
        std::memcpy(address.sun_path, target.constData(), std::size_t(target.size()));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0
            && ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            const int error = errno;
            ::close(m_fd);
            m_fd = -1;
            errno = error;
        }
    } else {
        // A FIFO waits here for its reader, as any writer of one does, when
        // a cancel (a signal that interrupts the wait) can end the wait;
        // where nothing can, a FIFO nobody reads is an error rather than a
        // program that never answers again.
        const int wait = S_ISFIFO(mode) && !g_cancelled ? O_NONBLOCK : 0;
        m_fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | wait);
        if (m_fd >= 0 && wait)
            (void)fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (m_fd < 0 && errno == ENXIO && S_ISFIFO(mode))
        return failWith(
            QCoreApplication::translate("SafeFileWriter", "読み取っているプログラムがありません"));
    if (m_fd < 0)
        return fail(errno);
    m_kind = Kind::InPlace;
    return true;
}

bool SafeFileWriter::write(QByteArrayView bytes)
{
    if (m_fd < 0)
        return failWith(reason(EBADF));
    if (const int error = writeAll(m_fd, bytes.data(), std::size_t(bytes.size()), true))
        return fail(error);
    if (m_kind == Kind::Replace && m_sync) {
        // The disk starts on what is written while the rest is made, so the
        // sync before the rename waits for the last pieces only. A hint:
        // where it cannot be given, that sync still does all of it.
        ::sync_file_range(m_fd, off64_t(m_written), off64_t(bytes.size()), SYNC_FILE_RANGE_WRITE);
    }
    if (m_kind == Kind::Replace)
        m_written += std::uint64_t(bytes.size());
    return true;
}

bool SafeFileWriter::writeAt(std::uint64_t offset, QByteArrayView bytes, QString &error) const
{
    if (m_kind != Kind::Replace || m_fd < 0) {
        error = reason(EBADF);
        return false;
    }
    const char *data = bytes.data();
    for (std::size_t left = std::size_t(bytes.size()); left > 0;) {
        const ssize_t put = ::pwrite(m_fd, data, left, off_t(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            error = reason(put < 0 ? errno : EIO);
            return false;
        }
        data += put;
        offset += std::uint64_t(put);
        left -= std::size_t(put);
    }
    return true;
}

void SafeFileWriter::reserve(std::uint64_t size) const
{
    if (m_kind == Kind::Replace && m_fd >= 0 && size > 0)
        (void)::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size));
}

bool SafeFileWriter::copyFrom(int fd, std::uint64_t offset, std::uint64_t length)
{
    if (m_fd < 0)
        return failWith(reason(EBADF));
    QByteArray buffer;
    for (auto from = off64_t(offset); length > 0;) {
        ssize_t moved = ::copy_file_range(fd, &from, m_fd, nullptr, std::size_t(length), 0);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            // Between file systems that cannot copy for us: through memory.
            buffer.resize(qsizetype(std::min<std::uint64_t>(length, 1 << 20)));
            moved = ::pread(fd, buffer.data(), std::size_t(buffer.size()), from);
            if (moved > 0) {
                if (const int error = writeAll(m_fd, buffer.constData(), std::size_t(moved), true))
                    return fail(error);
                from += moved;
            }
        }
        if (moved <= 0)
            return fail(moved < 0 ? errno : EIO);
        length -= std::uint64_t(moved);
        if (m_kind == Kind::Replace)
            m_written += std::uint64_t(moved);
    }
    return true;
}

bool SafeFileWriter::commit()
{
    if (!m_error.isEmpty() || m_kind == Kind::None)
        return failWith(reason(EBADF));
    int error = 0;
    switch (m_kind) {
    case Kind::Stream:
        m_kind = Kind::None;
        m_fd = -1;
        return true;
    case Kind::Replace:
        error = m_sync ? sync(m_fd) : 0;
        if (::close(std::exchange(m_fd, -1)) != 0 && !error)
            error = errno;
        if (!error && ::rename(m_temporary.constData(), m_target.constData()) != 0)
            error = errno;
        break;
    case Kind::LinkedInPlace:
        error = m_sync ? sync(m_fd) : 0;
        if (::close(std::exchange(m_fd, -1)) != 0 && !error)
            error = errno;
        break;
    case Kind::InPlace:
        if (::close(std::exchange(m_fd, -1)) != 0)
            error = errno;
        break;
    case Kind::None:
        break;
    }
    if (error) {
        fail(error);
        discard();
        return false;
    }
    if (m_kind == Kind::LinkedInPlace)
        ::unlink(m_temporary.constData());
    m_kind = Kind::None;
    m_temporary.clear();
    return true;
}

bool SafeFileWriter::startOver()
{
    if (!canStartOver())
        return failWith(reason(EBADF));
    if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        return fail(errno);
    m_written = 0;
    return true;
}

void SafeFileWriter::discard()
{
    switch (m_kind) {
    case Kind::Replace:
        closeFile();
        ::unlink(m_temporary.constData());
        break;
    case Kind::LinkedInPlace:
        if (restoreFromBackup())
            ::unlink(m_temporary.constData());
        break;
    case Kind::InPlace:
        closeFile();
        break;
    case Kind::Stream:
    case Kind::None:
        break;
    }
    m_fd = -1;
    m_kind = Kind::None;
    m_temporary.clear();
}

// Writes the old bytes back into the linked file; on failure they stay in
// the backup, which the error then names.
bool SafeFileWriter::restoreFromBackup()
{
    if (m_fd < 0)
        m_fd = ::open(m_target.constData(), O_WRONLY | O_CLOEXEC);
    const int backup = ::open(m_temporary.constData(), O_RDONLY | O_CLOEXEC);
    int error = m_fd < 0 || backup < 0 ? errno : 0;
    if (!error && (ftruncate(m_fd, 0) != 0 || lseek(m_fd, 0, SEEK_SET) < 0))
        error = errno;
    if (!error)
        error = copyAll(backup, m_fd);
    if (backup >= 0)
        ::close(backup);
    closeFile();
    if (!error)
        return true;
    m_error += QCoreApplication::translate("SafeFileWriter", " (元の内容は %1 に残してあります)")
                   .arg(LocalPath::decode(m_temporary));
    return false;
}

void SafeFileWriter::closeFile()
{
    if (m_fd >= 0 && m_kind != Kind::Stream)
        ::close(m_fd);
    m_fd = -1;
}

bool SafeFileWriter::writeWhole(const QString &path, QByteArrayView bytes, QString *error)
{
    SafeFileWriter writer(path);
    const bool written = writer.open() && writer.write(bytes) && writer.commit();
    if (!written && error)
        *error = writer.errorString();
    return written;
}

void SafeFileWriter::protectProcess()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        g_closedStream[fd] = true;
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

void SafeFileWriter::setCancelCheck(bool (*cancelled)())
{
    g_cancelled = cancelled;
}

bool SafeFileWriter::standardStreamWasClosed(int fd)
{
    return fd >= 0 && fd <= 2 && g_closedStream[fd];
}
