#include "ImageInput.h"

#include "InputSource.h"
#include "LinkedLibrary.h"
#include "core/HexErrorLine.h"

namespace ImageInput {

ImagePointer load(const QString &path, std::uint32_t source, std::int32_t policy, ConflictLog &log,
                  QString &error)
{
    const QString name = path == u"-" ? QStringLiteral("standard input") : path;
    InputSource input;
    if (input.open(path, error) != InputSource::Outcome::Read) {
        error = name + QStringLiteral(": ") + error;
        return nullptr;
    }
    ImagePointer image(kestrun_image_new());
    std::unique_ptr<kestrun_hex_reader, decltype(&kestrun_hex_reader_free)> reader(
        kestrun_hex_reader_new(image.get()), kestrun_hex_reader_free);
    if (!image || !reader) {
        error = name + QStringLiteral(": ") + LinkedLibrary::message(ResultNoMemory);
        return nullptr;
    }
    kestrun_hex_reader_set_overlap(reader.get(), policy);
    kestrun_hex_reader_set_source(reader.get(), source);
    kestrun_hex_reader_on_conflict(reader.get(), ConflictLog::collect, log.userValue());
    std::int32_t rc = ResultOk;
    QByteArrayView piece;
    while (rc == ResultOk && input.next(piece))
        rc = kestrun_hex_reader_feed(reader.get(), piece.data(), std::uint64_t(piece.size()));
    if (rc >= 0 && !input.error().isEmpty()) {
        error = name + QStringLiteral(": ") + input.error();
        return nullptr;
    }
    if (rc >= 0)
        rc = kestrun_hex_reader_finish(reader.get());
    if (rc >= 0)
        return image;
    kestrun_place at{};
    kestrun_hex_reader_place(reader.get(), &at);
    if (rc == ResultOverlap && !log.kept().empty()) {
        error = log.text(log.kept().back());
        return nullptr;
    }
    QString message = LinkedLibrary::message(rc).replace(u'\n', u' ');
    if (at.no_end_record)
        message += QStringLiteral(" (%1)").arg(HexErrorLine::noEndRecordNote());
    error = QStringLiteral("%1:%2: %3").arg(name, QString::number(at.line), message);
    return nullptr;
}

} // namespace ImageInput
