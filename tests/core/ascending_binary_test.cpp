#include "core/AscendingBinary.h"

#include "exports.h"

#include <QRandomGenerator>
#include <QTest>

class AscendingBinaryTest : public QObject {
    Q_OBJECT

private slots:
    // Records of every length from 1 to 300 bytes, with gaps of fill
    // between some, past more than one gathered piece: the bytes that go
    // out are the image built by hand.
    void recordsOfEveryLengthGiveTheImage()
    {
        QRandomGenerator random(19);
        QByteArray expected, written;
        AscendingBinary binary(AscendingBinary::Window{}, 0xFF, [&](QByteArrayView bytes) {
            written.append(bytes);
            return std::int32_t(ResultOk);
        });
        std::uint8_t record[300];
        while (expected.size() < (3 << 20)) {
            if (random.bounded(4) == 0)
                expected.append(qsizetype(random.bounded(1, 5000)), '\xFF');
            const int length = random.bounded(1, 301);
            for (int i = 0; i < length; ++i)
                record[i] = std::uint8_t(random.bounded(256));
            QCOMPARE(binary.data(std::uint64_t(expected.size()), record, std::uint64_t(length)),
                     ResultOk);
            expected.append(reinterpret_cast<const char *>(record), length);
        }
        QCOMPARE(binary.finish(), ResultOk);
        QCOMPARE(written.size(), expected.size());
        QVERIFY(written == expected);
    }
};

QTEST_GUILESS_MAIN(AscendingBinaryTest)
#include "ascending_binary_test.moc"
