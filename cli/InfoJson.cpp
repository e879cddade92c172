#include "InfoJson.h"

#include "ImageJobOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace InfoJson {

QByteArray text(ConversionEngine &engine)
{
    const kestrun_hex_stats &stats = engine.stats();
    QJsonObject records;
    for (int type = 0; type < 6; ++type)
        records[QStringLiteral("0%1").arg(type)] = qint64(stats.records[type]);
    return text(engine.image(), QJsonObject{{"records", records},
                                            {"overlaps", qint64(stats.overlaps)},
                                            {"conflicting_bytes", qint64(stats.conflicting_bytes)}});
}

QByteArray text(const kestrun_image *image, const QJsonObject &counts)
{
    kestrun_check *crc = kestrun_check_new("crc-32", nullptr);
    QJsonArray ranges;
    kestrun_segment segment{};
    for (std::uint64_t at = 0; kestrun_image_next(image, at, &segment) == ResultOk;
         at = segment.address + segment.length) {
        const std::uint32_t high = std::uint32_t(segment.address + segment.length - 1);
        std::uint64_t value = 0;
        kestrun_check_image(crc, image, segment.address, high, 0xFF, &value);
        ranges.append(QJsonObject{{"low", hexDigits(segment.address)},
                                  {"high", hexDigits(high)},
                                  {"bytes", qint64(segment.length)},
                                  {"crc32", hexDigits(value)}});
    }
    kestrun_check_free(crc);
    QJsonObject facts = counts;
    facts["ranges"] = ranges;
    const std::uint64_t data = kestrun_image_data_bytes(image);
    facts["data_bytes"] = qint64(data);
    std::uint32_t lowest = 0, highest = 0;
    if (kestrun_image_bounds(image, &lowest, &highest) == ResultOk) {
        facts["lowest"] = hexDigits(lowest);
        facts["highest"] = hexDigits(highest);
        const double span = double(highest) - double(lowest) + 1;
        facts["fill_ratio"] = (span - double(data)) / span;
        facts["sum"] = hexDigits(kestrun_image_sum(image, lowest, highest, 0));
    } else {
        facts["lowest"] = QJsonValue::Null;
        facts["highest"] = QJsonValue::Null;
        facts["fill_ratio"] = 0;
        facts["sum"] = hexDigits(0);
    }
    std::uint32_t type = KESTRUN_START_NONE, start = 0;
    kestrun_image_start(image, &type, &start);
    if (type == KESTRUN_START_SEGMENT)
        facts["start"] = QJsonObject{{"type", "segment"},
                                     {"value", hexDigits(start >> 16, 16) + u':'
                                                   + hexDigits(start & 0xFFFF, 16)}};
    else if (type == KESTRUN_START_LINEAR)
        facts["start"] = QJsonObject{{"type", "linear"}, {"value", hexDigits(start)}};
    else
        facts["start"] = QJsonValue::Null;
    return QJsonDocument(facts).toJson(QJsonDocument::Indented);
}

} // namespace InfoJson
