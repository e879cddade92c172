#include "CrcCommand.h"

#include "CheckRequest.h"
#include "CommandRunner.h"
#include "ErrorLine.h"
#include "LinkedLibrary.h"
#include "MessageLanguage.h"
#include "core/HexText.h"
#include "core/ImageLoader.h"

#include <algorithm>

namespace {

// A given range that holds fill alone, or reaches past its data, is
// checked as asked; but a mistyped range should not pass without a word,
// so the user hears where the data lie, as hex2bin says of its window.
void noteDataOutside(const kestrun_image *image, AddressRange range, std::uint8_t fill)
{
    std::optional<ConversionEngine::Addresses> inside;
    kestrun_segment segment{};
    for (std::uint64_t from = range.low;
         kestrun_image_next(image, from, &segment) == ResultOk && segment.address <= range.high;
         from = segment.address + segment.length) {
        const std::uint32_t low = std::max(segment.address, range.low);
        const std::uint32_t high =
            std::uint32_t(std::min<std::uint64_t>(segment.address + segment.length - 1, range.high));
        inside = inside ? ConversionEngine::Addresses{inside->low, high}
                        : ConversionEngine::Addresses{low, high};
    }
    const ConversionEngine::Addresses window{range.low, range.high};
    if (!inside) {
        std::uint32_t lowest = 0, highest = 0;
        const bool any = kestrun_image_bounds(image, &lowest, &highest) == ResultOk;
        printErrorLine(CommandRunner::emptyWindowNote(
            window, any ? std::optional(ConversionEngine::Addresses{lowest, highest})
                        : std::nullopt));
    } else if (inside->low != range.low || inside->high != range.high) {
        printErrorLine(MessageLanguage::text("kestrun: note: the data in %1-%2 lies in %3-%4; "
                                             "the rest is read as fill %5")
                           .arg(hexDigits(range.low), hexDigits(range.high), hexDigits(inside->low),
                                hexDigits(inside->high), hexDigits(fill, 8)));
    }
}

} // namespace

CrcCommand::CrcCommand(const Invocation &invocation) : m_invocation(invocation)
{
}

int CrcCommand::run()
{
    const ImageJob &job = m_invocation.job;
    if (job.algorithm == u"list") {
        std::fputs(CheckRequest::list().toUtf8().constData(), stdout);
        return CommandRunner::Done;
    }
    const CheckRequest request(job);
    QString error;
    const CheckPointer check = request.make(error);
    if (!check) {
        printErrorLine(QStringLiteral("kestrun: ") + error);
        return CommandRunner::UsageError;
    }
    const QString &name = m_invocation.input;
    ConflictLog log({name}, m_invocation.overlap);
    const ImageHandle image =
        ImageLoader::load(*LinkedLibrary::calls().image(), name,
                          {1, m_invocation.overlap, m_invocation.inputFormat}, log, error);
    if (!image) {
        printErrorLine(error);
        return CommandRunner::Failed;
    }
    for (const QString &line : log.warnings())
        printErrorLine(line);
    const std::uint32_t width = kestrun_check_width(check.get());
    const std::uint32_t bytes = (width + 7) / 8;
    AddressRange range;
    if (!request.range(image.get(), job.verifyAt, bytes, range, error)) {
        printErrorLine(name + QStringLiteral(": ") + error);
        return CommandRunner::Failed;
    }
    if (job.range)
        noteDataOutside(image.get(), range, job.fillByte.value_or(0xFF));
    std::uint64_t value = 0;
    kestrun_check_image(check.get(), image.get(), range.low, range.high,
                        job.fillByte.value_or(0xFF), &value);
    // The value as digits: a digest's bytes in their order, as printed.
    QByteArray computed(bytes, '\0');
    kestrun_check_bytes(check.get(), job.fillByte.value_or(0xFF), KESTRUN_BIG_ENDIAN,
                        reinterpret_cast<std::uint8_t *>(computed.data()), bytes);
    const QString digits = width > 64 ? QString::fromLatin1(computed.toHex().toUpper())
                                      : hexDigits(value, width);
    if (job.verifyAt) {
        QByteArray stored;
        for (std::uint32_t at = 0; at < bytes; at += 8) {
            const std::uint32_t piece = std::min<std::uint32_t>(8, bytes - at);
            std::uint64_t held = 0;
            const std::int32_t rc = kestrun_image_read_value(
                image.get(), *job.verifyAt + at, piece,
                width > 64 ? KESTRUN_BIG_ENDIAN : job.endian, &held);
            if (rc < 0) {
                printErrorLine(MessageLanguage::text("%1: no %2-byte value stored at %3")
                                   .arg(name)
                                   .arg(bytes)
                                   .arg(hexDigits(*job.verifyAt)));
                return CommandRunner::Failed;
            }
            for (std::uint32_t i = 0; i < piece; ++i)
                stored.append(char(held >> (8 * (piece - 1 - i))));
        }
        const QString storedDigits = width > 64 ? QString::fromLatin1(stored.toHex().toUpper())
                                                : hexDigits(stored.toHex().toULongLong(nullptr, 16), width);
        if (storedDigits != digits) {
            printErrorLine(MessageLanguage::text("%1: %2 at %3 is %4, but %5-%6 gives %7")
                               .arg(name, request.name(), hexDigits(*job.verifyAt), storedDigits,
                                    hexDigits(range.low), hexDigits(range.high), digits));
            return CommandRunner::Failed;
        }
    }
    std::fputs(QString(digits).append(u'\n').toLatin1().constData(), stdout);
    return CommandRunner::Done;
}
