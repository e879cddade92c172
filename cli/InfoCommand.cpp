#include "InfoCommand.h"

#include "ErrorLine.h"
#include "InfoJson.h"
#include "Invocation.h"
#include "LinkedLibrary.h"
#include "MessageLanguage.h"
#include "StreamingOutput.h"

#include <QJsonObject>

#include <memory>

namespace {

QByteArray hex8(std::uint64_t value)
{
    return QByteArray::number(qulonglong(value), 16).toUpper().rightJustified(8, '0');
}

QByteArray number(std::uint64_t value)
{
    return QByteArray::number(qulonglong(value));
}

struct ImageFree {
    void operator()(kestrun_image *image) const { kestrun_image_free(image); }
};

// The S-record types that exist: S0 to S3 and S5 to S9.
bool srecordType(int type)
{
    return type != 4;
}

} // namespace

bool InfoCommand::readsAsHex(const Invocation &invocation, InputPieces &input,
                             const InputArgument &argument)
{
    if (argument.address)
        return false;
    if (invocation.inputFormat != InputFormat::Detect)
        return invocation.inputFormat == InputFormat::IntelHex;
    QByteArrayView piece;
    if (!input.next(piece) || piece.isEmpty()) {
        // Unreadable or empty: the HEX reader says what it says of that.
        input.rewind();
        return true;
    }
    const std::int32_t format = kestrun_detect_format(
        reinterpret_cast<const std::uint8_t *>(piece.data()), std::uint64_t(piece.size()));
    input.rewind();
    return format == KESTRUN_FORMAT_IHEX;
}

QByteArray InfoCommand::text(const ImageCalls &c, const kestrun_image *image,
                             const QByteArray &counts)
{
    QByteArray text;
    kestrun_segment segment{};
    for (std::uint64_t at = 0; c.kestrun_image_next(image, at, &segment) == ResultOk;
         at = segment.address + segment.length)
        text += "range " + hex8(segment.address) + '-'
                + hex8(segment.address + segment.length - 1) + '\n';
    std::uint32_t lowest = 0, highest = 0;
    const bool held = c.kestrun_image_bounds(image, &lowest, &highest) == ResultOk;
    if (held)
        text += "lowest " + hex8(lowest) + "\nhighest " + hex8(highest) + '\n';
    text += "data-bytes " + number(c.kestrun_image_data_bytes(image)) + '\n';
    text += counts;
    std::uint32_t startType = 0, start = 0;
    c.kestrun_image_start(image, &startType, &start);
    if (startType == KESTRUN_START_SEGMENT)
        text += "start-segment " + hex8(start >> 16).right(4) + ':' + hex8(start & 0xFFFF).right(4)
                + '\n';
    else if (startType == KESTRUN_START_LINEAR)
        text += "start-linear " + hex8(start) + '\n';
    const std::uint32_t sum = held ? c.kestrun_image_sum(image, lowest, highest, 0) : 0;
    text += "sum " + hex8(sum) + '\n';
    return text;
}

int InfoCommand::run(InputPieces &input, const InputArgument &argument)
{
    const ImageCalls &calls = *LinkedLibrary::calls().image();
    std::unique_ptr<kestrun_image, ImageFree> image(calls.kestrun_image_new());
    if (!image) {
        printErrorLine(m_invocation.input + QStringLiteral(": ")
                       + LinkedLibrary::message(ResultNoMemory));
        return 1;
    }
    ImageInputOptions options;
    options.format = m_invocation.inputFormat;
    options.overlap = m_invocation.overlap;
    const ImageInput in = readImageInput(calls, image.get(), input, argument, options);
    if (in.result < 0) {
        printErrorLine(in.error);
        return 1;
    }
    const QString format = inputFormatName(calls, in.format);
    QByteArray counts;
    QJsonObject facts{{"format", format}};
    if (in.format == InputFormat::SRecord) {
        QJsonObject records;
        for (int type = 0; type < 10; ++type) {
            if (!srecordType(type))
                continue;
            counts += "records-S" + number(type) + ' ' + number(in.stats.records[type]) + '\n';
            records[QStringLiteral("S%1").arg(type)] = qint64(in.stats.records[type]);
        }
        counts += "conflicting-bytes " + number(in.stats.conflicting_bytes) + '\n';
        facts["records"] = records;
        facts["overlaps"] = qint64(in.stats.overlaps);
        facts["conflicting_bytes"] = qint64(in.stats.conflicting_bytes);
    }
    if (in.family) {
        const char *named = calls.kestrun_uf2_family_name(*in.family);
        const QByteArray id = "0x" + hex8(*in.family);
        counts += "family " + id + (named ? ' ' + QByteArray(named) : QByteArray()) + '\n';
        facts["family"] = QString::fromLatin1(id);
        if (named)
            facts["family_name"] = QString::fromLatin1(named);
    }
    const QByteArray text = m_invocation.job.json
                                ? InfoJson::text(image.get(), facts)
                                : "format " + format.toLatin1() + '\n'
                                      + InfoCommand::text(calls, image.get(), counts);
    const QString path = m_invocation.output.isEmpty() ? QStringLiteral("-") : m_invocation.output;
    const QString where = path == u"-" ? MessageLanguage::text("standard output") : path;
    StreamingOutput output(path);
    QString error;
    if (output.open(error) != OutputTarget::Outcome::Written || !output.put(text)
        || output.finish(error) != OutputTarget::Outcome::Written) {
        output.failed(error);
        printErrorLine(where + QStringLiteral(": ") + error);
        return 1;
    }
    return 0;
}
