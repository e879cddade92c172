#include "core/FilePatch.h"

#include <algorithm>

namespace {

struct Fixed {
    const std::function<void(const kestrun_fixed_checksum &)> *tell;
};

std::int32_t tellFixed(const kestrun_fixed_checksum *fixed, std::intptr_t user)
{
    const auto *f = reinterpret_cast<const Fixed *>(user);
    if (*f->tell)
        (*f->tell)(*fixed);
    return ResultOk;
}

} // namespace

FilePatch::FilePatch(const ImageCalls &calls)
    : m_calls(calls), m_original(newImage(calls)), m_changes(newImage(calls))
{
}

std::int32_t FilePatch::read(InputPieces &text, const InputArgument &argument,
                             bool acceptChecksums)
{
    ImageInputOptions options;
    options.acceptChecksums = acceptChecksums;
    if (!m_original || !m_changes) {
        m_input.result = ResultNoMemory;
        return m_input.result;
    }
    m_input = readImageInput(m_calls, m_original.get(), text, argument, options);
    if (m_input.result == ResultOk && m_input.format != InputFormat::IntelHex
        && m_input.format != InputFormat::SRecord)
        m_input.result = ResultBadArgument;
    return m_input.result;
}

bool FilePatch::set(std::uint32_t address, const QByteArray &bytes)
{
    if (std::uint64_t(address) + std::uint64_t(bytes.size()) > (std::uint64_t(1) << 32))
        return false;
    return m_calls.kestrun_image_put(m_changes.get(), address,
                                     reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                     std::uint64_t(bytes.size()))
           == ResultOk;
}

bool FilePatch::held(std::uint32_t address) const
{
    kestrun_segment segment{};
    for (const kestrun_image *image : {m_original.get(), m_changes.get()})
        if (m_calls.kestrun_image_next(image, address, &segment) == ResultOk
            && segment.address <= address)
            return true;
    return false;
}

bool FilePatch::reachesGaps(std::uint32_t low, std::uint32_t high) const
{
    for (std::uint64_t at = low; at <= high;) {
        // The next address from `at` that either image holds, and where
        // that run of held addresses ends.
        std::uint64_t next = std::uint64_t(high) + 1, end = next;
        for (const kestrun_image *image : {m_original.get(), m_changes.get()}) {
            kestrun_segment segment{};
            if (m_calls.kestrun_image_next(image, at, &segment) == ResultOk
                && segment.address < next) {
                next = std::max<std::uint64_t>(segment.address, at);
                end = std::uint64_t(segment.address) + segment.length;
            }
        }
        if (next > at)
            return true;
        at = end;
    }
    return false;
}

bool FilePatch::fill(std::uint32_t low, std::uint32_t high, const QByteArray &pattern,
                     bool intoGaps)
{
    if (pattern.isEmpty() || high < low)
        return false;
    // A piece at a time, so that a wide range costs a piece of memory.
    constexpr std::uint64_t kPiece = std::uint64_t(1) << 20;
    QByteArray bytes;
    for (std::uint64_t at = low; at <= high;) {
        std::uint64_t from = at;
        std::uint64_t stop = std::min<std::uint64_t>(std::uint64_t(high) + 1, at + kPiece);
        if (!intoGaps) {
            // The first held run at or after `at`, in either image.
            std::uint64_t next = std::uint64_t(high) + 1, end = next;
            for (const kestrun_image *image : {m_original.get(), m_changes.get()}) {
                kestrun_segment segment{};
                if (m_calls.kestrun_image_next(image, at, &segment) != ResultOk)
                    continue;
                if (const std::uint64_t begins = std::max<std::uint64_t>(segment.address, at);
                    begins < next) {
                    next = begins;
                    end = std::uint64_t(segment.address) + segment.length;
                }
            }
            if (next > high)
                return true;
            from = next;
            stop = std::min({end, std::uint64_t(high) + 1, next + kPiece});
        }
        bytes.resize(qsizetype(stop - from));
        for (std::uint64_t a = from; a < stop; ++a)
            bytes[qsizetype(a - from)] =
                pattern[qsizetype((a - low) % std::uint64_t(pattern.size()))];
        if (!set(std::uint32_t(from), bytes))
            return false;
        at = stop;
    }
    return true;
}

std::int32_t FilePatch::write(InputPieces &text, bool fixChecksums, kestrun_sink_fn sink,
                              std::intptr_t user,
                              const std::function<void(const kestrun_fixed_checksum &)> &onFixed)
{
    const std::int32_t format =
        m_input.format == InputFormat::SRecord ? KESTRUN_FORMAT_SREC : KESTRUN_FORMAT_IHEX;
    std::int32_t rc = ResultOk;
    kestrun_patcher *patcher =
        m_calls.kestrun_patcher_new(format, m_original.get(), m_changes.get(), &rc);
    if (!patcher)
        return rc;
    Fixed fixed{&onFixed};
    m_calls.kestrun_patcher_fix_checksums(patcher, fixChecksums);
    m_calls.kestrun_patcher_on_fixed(patcher, tellFixed, reinterpret_cast<std::intptr_t>(&fixed));
    QByteArrayView piece;
    while (rc >= 0) {
        if (!text.next(piece)) {
            rc = ResultBadArgument;
            break;
        }
        if (piece.isEmpty())
            break;
        rc = m_calls.kestrun_patcher_feed(patcher, piece.data(), std::uint64_t(piece.size()), sink,
                                          user);
    }
    if (rc >= 0)
        rc = m_calls.kestrun_patcher_finish(patcher, sink, user);
    m_calls.kestrun_patcher_stats(patcher, &m_stats);
    m_calls.kestrun_patcher_free(patcher);
    return rc;
}
