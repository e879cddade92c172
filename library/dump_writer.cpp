// The dump writer: bytes at ascending addresses in, the dump lines of one
// window out to the caller's sink. A dump of a window costs the window's
// lines, whatever its addresses.
#include "dump_writer.h"

#include "dump_lines.h"
#include "guard.h"
#include "hex_reader.h"
#include "image.h"
#include "write_parts.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrun {

namespace {

// Text goes to the sink a MiB at a time, as the HEX writer's does.
constexpr uint64_t kFlushAt = 1024 * 1024;

} // namespace

class DumpWriter {
public:
    DumpWriter(const kestrun_dump_options &o, uint64_t first, uint64_t last, kestrun_sink_fn sink,
               intptr_t user)
        : m_options(o), m_lineEnd(o.line_end), m_first(first), m_stop(last + 1),
          m_line(first & ~uint64_t(15)), m_next(first), m_sink(sink), m_user(user),
          m_text(new char[kFlushAt + dumpLineSize(kMaxIndent, m_lineEnd)])
    {
        std::memset(m_bytes, o.fill, sizeof m_bytes);
    }

    Progress progress;
    bool gapLines = false; // runs of two or more lines of fill as one line
    uint64_t first() const { return m_first; }
    uint64_t stop() const { return m_stop; }

    int32_t put(uint64_t address, const uint8_t *bytes, uint64_t count)
    {
        if (m_result < 0)
            return m_result;
        if (address < m_next) {
            // Only what lies ahead is taken.
            const uint64_t skip = std::min(count, m_next - address);
            address += skip;
            bytes += skip;
            count -= skip;
        }
        count = address >= m_stop ? 0 : std::min(count, m_stop - address);
        if (count == 0)
            return ResultOk;
        if (const int32_t rc = fillTo(address); rc < 0)
            return rc;
        while (count > 0) {
            const unsigned at = unsigned(address - m_line);
            const uint64_t n = std::min<uint64_t>(16 - at, count);
            const unsigned to = unsigned(std::min<uint64_t>(16, m_stop - m_line));
            if (at == 0 && n == 16 && m_line >= m_first) {
                // A whole line at hand: straight from the caller's bytes.
                if (const int32_t rc = line(bytes, 0, to); rc < 0)
                    return rc;
                m_line += 16;
            } else {
                std::memcpy(m_bytes + at, bytes, n);
                if (at + n == 16 || m_line + at + n == m_stop)
                    if (const int32_t rc = closeLine(); rc < 0)
                        return rc;
            }
            address += n;
            bytes += n;
            count -= n;
            m_next = address;
        }
        return ResultOk;
    }

    int32_t finish()
    {
        if (m_result < 0)
            return m_result;
        int32_t rc = fillTo(m_stop);
        if (rc == ResultOk && m_next > m_line && m_line < m_stop)
            rc = closeLine();
        if (rc == ResultOk)
            rc = flush();
        if (rc == ResultOk)
            m_result = ResultCancelled; // nothing more is taken
        return rc;
    }

    // Where a run of `length` bytes from the window's start, put before
    // anything else, may be cut: at a line's start near its middle.
    int32_t split(uint64_t address, uint64_t length, uint64_t &firstBytes,
                  uint64_t &firstSize) const
    {
        const uint64_t middle = (address + length / 2 + kPartAlign / 2) / kPartAlign * kPartAlign;
        if (address != m_first || m_next != m_first || m_used > 0 || middle <= address
            || middle >= address + length || address + length > m_stop)
            return ResultBadArgument;
        firstBytes = middle - address;
        firstSize = (middle - m_line) / 16 * dumpLineSize(m_options.indent, m_lineEnd);
        return ResultOk;
    }

    // Goes on from a split point: the window's lines from there.
    int32_t resume(uint64_t address)
    {
        if (address % 16 != 0 || address <= m_first || address >= m_stop || m_next != m_first
            || m_used > 0)
            return m_result = ResultBadArgument;
        m_first = m_line = m_next = address;
        return ResultOk;
    }

    // The lines of everything put, which must end where a line does.
    int32_t finishPart()
    {
        if (m_result < 0)
            return m_result;
        if (m_next != m_line)
            return m_result = ResultBadArgument;
        const int32_t rc = flush();
        if (rc == ResultOk)
            m_result = ResultCancelled; // nothing more is taken
        return rc;
    }

private:
    // Parts start on a 64 KiB boundary, where the source's pieces do.
    static constexpr uint64_t kPartAlign = 0x10000;

    // Addresses m_next..address-1 hold nothing: they show the fill.
    int32_t fillTo(uint64_t address)
    {
        while (m_next < address) {
            // At a line's start (past a first line cut by the window), two
            // or more whole lines up to `address` hold nothing.
            if (gapLines && m_next == m_line && m_line >= m_first && address >= m_line + 32) {
                if (const int32_t rc = gapLine(((address & ~uint64_t(15)) - m_line) / 16); rc < 0)
                    return rc;
                continue;
            }
            const unsigned at = unsigned(m_next - m_line);
            const uint64_t n = std::min<uint64_t>(16 - at, address - m_next);
            std::memset(m_bytes + at, m_options.fill, n);
            m_next += n;
            if (at + n == 16 || m_next == m_stop)
                if (const int32_t rc = closeLine(); rc < 0)
                    return rc;
        }
        return ResultOk;
    }

    int32_t closeLine()
    {
        const unsigned from = m_line >= m_first ? 0 : unsigned(m_first - m_line);
        const unsigned to = unsigned(std::min<uint64_t>(16, m_stop - m_line));
        const int32_t rc = line(m_bytes, from, to);
        m_line += 16;
        return rc;
    }

    int32_t gapLine(uint64_t lines)
    {
        char *p = putGapLine(m_text.get() + m_used, m_options.indent, m_line, lines, m_lineEnd);
        m_used = uint64_t(p - m_text.get());
        m_line += 16 * lines;
        m_next = m_line;
        return m_used >= kFlushAt ? flush() : ResultOk;
    }

    int32_t line(const uint8_t *bytes, unsigned from, unsigned to)
    {
        char *p = putDumpLine(m_text.get() + m_used, m_options.indent, m_line, bytes, from, to,
                              m_lineEnd);
        m_used = uint64_t(p - m_text.get());
        return m_used >= kFlushAt ? flush() : ResultOk;
    }

    int32_t flush()
    {
        if (!progress.report(m_line > m_first ? m_line - m_first : 0))
            return m_result = ResultCancelled;
        if (m_used > 0) {
            if (const int32_t rc = m_sink(m_text.get(), m_used, m_user); rc < 0)
                return m_result = rc;
        }
        m_used = 0;
        return ResultOk;
    }

    kestrun_dump_options m_options;
    LineEnd m_lineEnd;
    uint64_t m_first;
    uint64_t m_stop;
    uint64_t m_line; // the address of the line being gathered
    uint64_t m_next; // the next address to be put
    kestrun_sink_fn m_sink;
    intptr_t m_user;
    int32_t m_result = ResultOk;
    uint8_t m_bytes[16];
    std::unique_ptr<char[]> m_text;
    uint64_t m_used = 0;
};

} // namespace kestrun

struct kestrun_dump_writer {
    template <typename... Args> explicit kestrun_dump_writer(Args &&...args) : writer(args...) {}
    kestrun::DumpWriter writer;
};

namespace kestrun {

int32_t dumpWriterSplit(const kestrun_dump_writer *writer, uint64_t address, uint64_t length,
                        uint64_t &firstBytes, uint64_t &firstSize)
{
    return writer->writer.split(address, length, firstBytes, firstSize);
}

int32_t dumpWriterResume(kestrun_dump_writer *writer, uint64_t address)
{
    return writer->writer.resume(address);
}

int32_t dumpWriterFinishPart(kestrun_dump_writer *writer)
{
    return writer->writer.finishPart();
}

void writeGapLines(kestrun_dump_writer *writer)
{
    writer->writer.gapLines = true;
}

// The writer's lines, less each run of two or more empty whole lines in
// place of which it writes one gap line. A run lies between the lines that
// hold the bytes put, counted only over whole lines of the window: a first
// or last line the window cuts is always written.
uint64_t gapDumpTextSize(const kestrun_dump_options &options, uint64_t first, uint64_t last,
                         const Image &image, uint64_t from, uint64_t stop)
{
    const LineEnd lineEnd(options.line_end);
    const uint64_t lineSize = dumpLineSize(options.indent, lineEnd);
    uint64_t size = (last / 16 - first / 16 + 1) * lineSize;
    auto run = [&](uint64_t begin, uint64_t end) {
        if (end >= begin + 32) {
            const uint64_t lines = (end - begin) / 16;
            size -= lines * lineSize - gapLineSize(options.indent, lines, lineEnd);
        }
    };
    uint64_t free = (first + 15) & ~uint64_t(15); // the first line no data has yet been put in
    image.eachPiece(std::max(first, from), std::min(last + 1, stop),
                    [&](uint64_t address, const uint8_t *, uint64_t count) {
                        run(free, address & ~uint64_t(15));
                        free = std::max(free, ((address + count - 1) & ~uint64_t(15)) + 16);
                    });
    run(free, (last + 1) & ~uint64_t(15));
    return size;
}

} // namespace kestrun

using namespace kestrun;

extern "C" {

KESTRUN_API kestrun_dump_writer *kestrun_dump_writer_new(const kestrun_dump_options *options,
                                                         uint32_t first, uint32_t last,
                                                         kestrun_sink_fn sink,
                                                         intptr_t userValue, int32_t *result)
{
    int32_t rc = ResultOk;
    kestrun_dump_writer *writer = nullptr;
    if (!options || !sink || last < first || options->indent > kMaxIndent
        || (options->line_end & 0xFF) == 0)
        rc = ResultBadArgument;
    else
        rc = guarded([&] {
            writer = new kestrun_dump_writer(*options, uint64_t(first), uint64_t(last), sink,
                                             userValue);
            return ResultOk;
        });
    if (result)
        *result = rc;
    return writer;
}

KESTRUN_API void kestrun_dump_writer_free(kestrun_dump_writer *writer)
{
    delete writer;
}

KESTRUN_API void kestrun_dump_writer_on_progress(kestrun_dump_writer *writer,
                                                 ProgressCallback progress, uint64_t total,
                                                 intptr_t userValue)
{
    if (writer)
        writer->writer.progress.set(progress, total, userValue);
}

KESTRUN_API int32_t kestrun_dump_writer_put(kestrun_dump_writer *writer, uint32_t address,
                                            const uint8_t *bytes, uint64_t count)
{
    if (!writer || (!bytes && count > 0))
        return ResultBadArgument;
    if (uint64_t(address) + count > kAddressSpace)
        return ResultAddressFault;
    return guarded([&] { return writer->writer.put(address, bytes, count); });
}

KESTRUN_API int32_t kestrun_dump_writer_image(kestrun_dump_writer *writer,
                                              const kestrun_image *image)
{
    if (!writer || !image)
        return ResultBadArgument;
    return guarded([&] {
        return image->image.eachPieceWhileOk(
            writer->writer.first(), writer->writer.stop(),
            [&](uint64_t address, const uint8_t *bytes, uint64_t count) {
                return writer->writer.put(address, bytes, count);
            });
    });
}

KESTRUN_API int32_t kestrun_dump_writer_finish(kestrun_dump_writer *writer)
{
    if (!writer)
        return ResultBadArgument;
    return guarded([&] { return writer->writer.finish(); });
}

KESTRUN_API uint64_t kestrun_dump_text_size(const kestrun_dump_options *options, uint32_t first,
                                            uint32_t last)
{
    if (!options || last < first)
        return 0;
    const uint64_t lines = last / 16 - first / 16 + 1;
    return lines * dumpLineSize(options->indent, LineEnd(options->line_end));
}

} // extern "C"
