// A file read whole into a huge-page buffer, followed by a NUL so that HEX
// text can be handed to the library as it is.
#ifndef KESTRUN_BENCH_WHOLE_FILE_H
#define KESTRUN_BENCH_WHOLE_FILE_H

#include "core/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class WholeFile {
public:
    // Reports its own failures on standard error.
    bool read(const char *path);
    static bool write(const char *path, const void *data, size_t length);

    uint8_t *data() const { return m_buffer->data(); }
    const char *chars() const { return m_buffer->chars(); }
    size_t length() const { return m_length; }

private:
    std::unique_ptr<LargeBuffer> m_buffer;
    size_t m_length = 0;
};

#endif
