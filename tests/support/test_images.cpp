#include "support/test_images.h"

#include <random>

QByteArray sampleImage(qsizetype size, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    QByteArray image(size, Qt::Uninitialized);
    for (qsizetype at = 0; at < size;) {
        const qsizetype run = std::min<qsizetype>(size - at, 1 + generator() % 300);
        const unsigned kind = generator() % 3;
        for (qsizetype i = 0; i < run; ++i, ++at) {
            image[at] = kind == 0   ? char(0xFF)
                        : kind == 1 ? char(0x20 + generator() % 0x60)
                                    : char(generator());
        }
    }
    return image;
}

QByteArray hexRecord(std::uint8_t type, std::uint16_t address, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(address >> 8));
    bytes.append(char(address & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    std::uint8_t sum = 0;
    for (const char byte : bytes)
        sum += std::uint8_t(byte);
    bytes.append(char(0x100 - sum));
    return ':' + bytes.toHex().toUpper();
}

QByteArray hexText(const QList<QByteArray> &records, const QByteArray &lineEnd)
{
    QByteArray text;
    for (const QByteArray &record : records)
        text += record + lineEnd;
    return text + hexRecord(0x01, 0, QByteArray()) + lineEnd;
}

QByteArray contiguousHex(const QByteArray &image)
{
    QList<QByteArray> records;
    for (qsizetype at = 0; at < image.size(); at += 16) {
        if (at > 0 && at % 0x10000 == 0) {
            QByteArray upper;
            upper.append(char(at >> 24)).append(char((at >> 16) & 0xFF));
            records.append(hexRecord(0x04, 0, upper));
        }
        records.append(hexRecord(0x00, static_cast<std::uint16_t>(at), image.mid(at, 16)));
    }
    return hexText(records);
}

QByteArray scatteredHex()
{
    const QByteArray data = sampleImage(0x60, 7);
    return hexText({
        hexRecord(0x00, 0x0100, data.mid(0, 0x20)),
        hexRecord(0x00, 0x0000, data.mid(0x20, 0x10)),
        hexRecord(0x00, 0x0120, data.mid(0x30, 0x08)),
        hexRecord(0x04, 0x0000, QByteArray::fromHex("0001")),
        hexRecord(0x00, 0x0020, data.mid(0x38, 0x28)),
    });
}
