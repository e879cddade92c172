// Binary output: bytes in address order with the fill between, from the
// options' first address to their last.
#include "format_table.h"
#include "guard.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace kestrun {

namespace {

// Bytes of first..last in order, the fill where nothing was put, gathered
// into pieces of a size the sink takes well.
class BinaryWriter final : public FormatWriter {
public:
    BinaryWriter(const kestrun_write_options &o, kestrun_sink_fn sink, intptr_t user)
        : m_fill(o.fill), m_first(o.first), m_next(o.first), m_stop(uint64_t(o.last) + 1), m_sink(sink),
          m_user(user), m_piece(new uint8_t[kPiece])
    {
    }

    void onProgress(ProgressCallback callback, uint64_t total, intptr_t user) override
    {
        progress.set(callback, total, user);
    }

    int32_t put(uint32_t at, const uint8_t *bytes, uint64_t count) override
    {
        uint64_t address = at;
        if (address + count > kAddressSpace)
            return ResultAddressFault;
        if (m_result < 0)
            return m_result;
        if (address < m_first) {
            // The part below the window is passed over.
            const uint64_t skip = std::min(count, m_first - address);
            address += skip;
            bytes += skip;
            count -= skip;
        }
        if (count == 0)
            return ResultOk;
        if (address < m_next)
            return m_result = ResultBadArgument; // out of address order
        const uint64_t stop = std::min(address + count, m_stop);
        if (address >= stop)
            return ResultOk;
        if (const int32_t rc = fillTo(address); rc < 0)
            return rc;
        m_put += stop - address;
        return emit(bytes, stop - address);
    }

    int32_t finish() override
    {
        if (m_result < 0)
            return m_result;
        if (const int32_t rc = fillTo(m_stop); rc < 0)
            return rc;
        return flush();
    }

private:
    Progress progress;
    static constexpr uint64_t kPiece = 256 * 1024;

    int32_t fillTo(uint64_t address)
    {
        while (m_next < address) {
            const uint64_t n = std::min<uint64_t>(address - m_next, kPiece - m_held);
            std::memset(m_piece.get() + m_held, m_fill, n);
            m_held += n;
            m_next += n;
            if (m_held == kPiece)
                if (const int32_t rc = flush(); rc < 0)
                    return rc;
        }
        return ResultOk;
    }

    int32_t emit(const uint8_t *bytes, uint64_t count)
    {
        while (count > 0) {
            if (m_held == 0 && count >= kPiece) {
                // Large runs go to the sink where they lie.
                const uint64_t n = count - count % kPiece;
                if (const int32_t rc = send(reinterpret_cast<const char *>(bytes), n); rc < 0)
                    return rc;
                bytes += n;
                count -= n;
                m_next += n;
                continue;
            }
            const uint64_t n = std::min(count, kPiece - m_held);
            std::memcpy(m_piece.get() + m_held, bytes, n);
            m_held += n;
            m_next += n;
            bytes += n;
            count -= n;
            if (m_held == kPiece)
                if (const int32_t rc = flush(); rc < 0)
                    return rc;
        }
        return ResultOk;
    }

    int32_t flush()
    {
        const uint64_t n = m_held;
        m_held = 0;
        return n ? send(reinterpret_cast<const char *>(m_piece.get()), n) : ResultOk;
    }

    int32_t send(const char *bytes, uint64_t count)
    {
        if (!progress.report(m_put))
            return m_result = ResultCancelled;
        const int32_t rc = m_sink(bytes, count, m_user);
        return rc < 0 ? m_result = rc : ResultOk;
    }

    uint8_t m_fill;
    uint64_t m_first;
    uint64_t m_next;
    uint64_t m_stop;
    kestrun_sink_fn m_sink;
    intptr_t m_user;
    std::unique_ptr<uint8_t[]> m_piece;
    uint64_t m_held = 0;
    uint64_t m_put = 0;
    int32_t m_result = ResultOk;
};

} // namespace

std::unique_ptr<FormatWriter> newBinaryFormatWriter(const kestrun_write_options &o,
                                                    kestrun_sink_fn sink, intptr_t user,
                                                    int32_t &result)
{
    if (o.last < o.first) {
        result = ResultBadArgument;
        return nullptr;
    }
    return std::make_unique<BinaryWriter>(o, sink, user);
}

int32_t binaryWriteSize(const kestrun_write_options &o, const kestrun_image *, uint32_t, uint32_t,
                        uint64_t *size)
{
    if (o.last < o.first)
        return ResultBadArgument;
    *size = uint64_t(o.last) - o.first + 1;
    return ResultOk;
}

} // namespace kestrun
