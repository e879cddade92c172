// A long text written in two parts at once, on two cores: binary to HEX and
// the dump of a binary source. The library says where the run of bytes may
// be cut and how long the first part's text is (kestrun_writer_split); each
// part is read from the source apart and written by a writer of its own,
// its text placed where it belongs in the output, so neither waits for the
// other and no byte is copied on its way to the file.
#include "core/ConversionEngine.h"

#include <atomic>
#include <memory>
#include <thread>

struct ConversionEngine::PlacedPart {
    ConversionEngine *engine;
    std::uint64_t offset; // where the part's next text goes
    std::atomic<bool> *stop;
};

std::int32_t ConversionEngine::toPlace(const char *bytes, std::uint64_t length, std::intptr_t part)
{
    auto *p = reinterpret_cast<PlacedPart *>(part);
    if (p->stop->load(std::memory_order_relaxed))
        return ResultCancelled;
    const std::int32_t rc = p->engine->placeAt(p->offset, QByteArrayView(bytes, qsizetype(length)));
    p->offset += length;
    return rc;
}

namespace {

struct WriterFree {
    const ImageCalls *calls;
    void operator()(kestrun_writer *writer) const { calls->kestrun_writer_free(writer); }
};
using Writer = std::unique_ptr<kestrun_writer, WriterFree>;

// Every byte of `data` to `writer` from `address` on; `error` says why
// reading failed.
std::int32_t putAll(const ImageCalls &c, InputPieces &data, kestrun_writer *writer,
                    std::uint64_t address, QString &error)
{
    QByteArrayView piece;
    while (data.next(piece)) {
        if (piece.isEmpty())
            return ResultOk;
        if (const std::int32_t rc =
                c.kestrun_writer_put(writer, std::uint32_t(address),
                                     reinterpret_cast<const std::uint8_t *>(piece.data()),
                                     std::uint64_t(piece.size()));
            rc < 0)
            return rc;
        address += std::uint64_t(piece.size());
    }
    error = data.error();
    return ConversionEngine::InputFault;
}

} // namespace

// `length` bytes of `data` from its offset `from`, as `format` with
// `options` for addresses from `address`, whose whole text (`textSize`
// bytes) the output has room for; none when the job is not worth two
// parts or cannot be cut, and one pass writes it.
std::optional<std::int32_t> ConversionEngine::writeInTwo(InputPieces &data, std::uint64_t from,
                                                         std::int32_t format,
                                                         const kestrun_write_options &options,
                                                         std::uint32_t address,
                                                         std::uint64_t length,
                                                         std::uint64_t textSize)
{
    if (textSize < m_twoPartsFrom || (m_sink && !m_placedSink) || !bind())
        return std::nullopt;
    const ImageCalls &c = *m_imageCalls;
    std::atomic<bool> stop{false};
    PlacedPart first{this, 0, &stop};
    PlacedPart second{this, 0, &stop};
    std::int32_t rc = ResultOk;
    const Writer a(c.kestrun_writer_new(format, &options, toPlace,
                                        reinterpret_cast<std::intptr_t>(&first), &rc),
                   WriterFree{&c});
    const Writer b(c.kestrun_writer_new(format, &options, toPlace,
                                        reinterpret_cast<std::intptr_t>(&second), &rc),
                   WriterFree{&c});
    std::uint64_t firstBytes = 0;
    if (!a || !b
        || c.kestrun_writer_split(a.get(), address, length, &firstBytes, &second.offset) != ResultOk
        || c.kestrun_writer_resume(b.get(), std::uint32_t(address + firstBytes)) != ResultOk)
        return std::nullopt;
    const std::unique_ptr<InputPieces> firstData = data.part(from, from + firstBytes);
    const std::unique_ptr<InputPieces> secondData = data.part(from + firstBytes, from + length);
    if (!firstData || !secondData)
        return std::nullopt;
    const std::uint64_t firstSize = second.offset;

    // The first part reports the progress, over its own bytes: the second
    // keeps pace with it.
    c.kestrun_writer_on_progress(a.get(), m_callback, firstBytes, m_userValue);
    std::int32_t secondResult = ResultOk;
    QString secondError;
    std::thread secondWriter([&] {
        secondResult = putAll(c, *secondData, b.get(), address + firstBytes, secondError);
        if (secondResult == ResultOk)
            secondResult = c.kestrun_writer_finish(b.get());
        if (secondResult != ResultOk)
            stop = true;
    });
    QString firstError;
    std::int32_t firstResult = putAll(c, *firstData, a.get(), address, firstError);
    if (firstResult == ResultOk)
        firstResult = c.kestrun_writer_finish_part(a.get());
    // A source shorter than its size said leaves a hole the parts
    // cannot mend.
    if (firstResult == ResultOk && first.offset != firstSize) {
        firstResult = InputFault;
        firstError = QStringLiteral("the source changed while it was read");
    }
    if (firstResult != ResultOk)
        stop = true;
    secondWriter.join();
    // A part stopped because the other one failed reports the other's
    // cause; a cancel only when neither failed otherwise.
    auto fault = [](std::int32_t r) { return r != ResultOk && r != ResultCancelled; };
    const bool firstFailed = fault(firstResult) || (!fault(secondResult) && firstResult != ResultOk);
    const std::int32_t result = firstFailed ? firstResult : secondResult;
    if (result == InputFault)
        m_message = firstFailed ? firstError : secondError;
    if (result == ResultOk && !m_sink)
        m_outputLength = second.offset;
    return result;
}
