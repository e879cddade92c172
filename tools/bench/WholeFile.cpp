#include "WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

bool fail(const char *what, const char *path)
{
    std::fprintf(stderr, "kestrun_bench: %s %s: %s\n", what, path, std::strerror(errno));
    return false;
}

} // namespace

bool WholeFile::read(const char *path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail("cannot open", path);
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        close(fd);
        return fail("cannot examine", path);
    }
    // The library takes 32-bit lengths, and HEX text lengths are even signed.
    if (info.st_size > INT32_MAX) {
        close(fd);
        errno = EFBIG;
        return fail("cannot take", path);
    }
    m_length = static_cast<size_t>(info.st_size);
    m_buffer = std::make_unique<LargeBuffer>(m_length + 1);
    if (!m_buffer->isValid()) {
        close(fd);
        return fail("no memory for", path);
    }
    size_t done = 0;
    while (done < m_length) {
        const ssize_t got = ::read(fd, m_buffer->data() + done, m_length - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            close(fd);
            return fail("cannot read", path);
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    m_buffer->data()[m_length] = 0;
    return true;
}

bool WholeFile::write(const char *path, const void *data, size_t length)
{
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail("cannot create", path);
    const auto *bytes = static_cast<const uint8_t *>(data);
    size_t done = 0;
    while (done < length) {
        const ssize_t put = ::write(fd, bytes + done, length - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            close(fd);
            return fail("cannot write", path);
        }
        done += static_cast<size_t>(put);
    }
    if (close(fd) != 0)
        return fail("cannot close", path);
    return true;
}
