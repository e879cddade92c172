#include "core/DataSearch.h"
#include "core/LinkedLibraryCalls.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <map>
#include <random>

// DataSearch::find against the plainest search there is: every start
// address of a byte map, tried in order.
class DataSearchTest : public QObject {
    Q_OBJECT

private slots:
    void patternsFromTyping_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes"); // empty: refused
        QTest::newRow("pairs apart") << int(DataSearch::Bytes) << "48 65 6c" << QByteArray("Hel");
        QTest::newRow("pairs together") << int(DataSearch::Bytes) << "FF00" << QByteArray("\xFF\0", 2);
        QTest::newRow("odd digit") << int(DataSearch::Bytes) << "123" << QByteArray();
        QTest::newRow("digit split by space") << int(DataSearch::Bytes) << "1 2" << QByteArray();
        QTest::newRow("not hex") << int(DataSearch::Bytes) << "0G" << QByteArray();
        QTest::newRow("characters in cp932")
            << int(DataSearch::Characters) << QStringLiteral("ｱ") << QByteArray("\xB1");
    }

    void patternsFromTyping()
    {
        QFETCH(int, target);
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        const std::optional<QByteArray> pattern =
            DataSearch::pattern(DataSearch::Target(target), typed);
        QCOMPARE(pattern.value_or(QByteArray()), bytes);
    }

    // Images stored from many small writes in a shuffled order, so that a
    // run of held bytes comes in several pieces, with gaps between runs.
    void findsWhatAPlainSearchFinds()
    {
        const ImageCalls &c = *linkedImageCalls();
        QRandomGenerator random(20261208);
        for (int round = 0; round < 40; ++round) {
            std::map<std::uint32_t, std::uint8_t> bytes;
            const std::uint32_t base = round % 2 ? 0xFFFFFF00u - 4096 : 0;
            std::vector<std::uint32_t> starts;
            for (std::uint32_t at = 0; at < 4096; at += 1 + random.bounded(24))
                if (random.bounded(5) != 0)
                    starts.push_back(at);
            std::shuffle(starts.begin(), starts.end(), std::mt19937(round));
            kestrun_image *image = c.kestrun_image_new();
            for (const std::uint32_t at : starts) {
                std::uint8_t piece[8];
                const quint32 count = 1 + random.bounded(8u);
                for (quint32 i = 0; i < count; ++i) {
                    piece[i] = std::uint8_t(random.bounded(3));
                    bytes[base + at + i] = piece[i];
                }
                QCOMPARE(c.kestrun_image_store(image, base + at, piece, count, KESTRUN_OVERLAP_LAST,
                                               0, nullptr, 0),
                         ResultOk);
            }
            for (int probe = 0; probe < 20; ++probe) {
                QByteArray pattern;
                for (quint32 i = 0, n = 1 + random.bounded(5); i < n; ++i)
                    pattern.append(char(random.bounded(3)));
                const std::uint64_t from = base + random.bounded(4096);
                const auto plain = [&](std::uint64_t low) -> std::optional<std::uint32_t> {
                    for (auto it = bytes.lower_bound(std::uint32_t(low)); it != bytes.end(); ++it) {
                        qsizetype i = 0;
                        for (auto at = it; i < pattern.size() && at != bytes.end()
                                           && at->first == it->first + std::uint32_t(i)
                                           && at->second == std::uint8_t(pattern[i]);
                             ++at)
                            ++i;
                        if (i == pattern.size())
                            return it->first;
                    }
                    return std::nullopt;
                };
                std::optional<std::uint32_t> expected = plain(from);
                if (!expected)
                    expected = plain(0);
                QCOMPARE(DataSearch::find(c, image, pattern, from), expected);
            }
            c.kestrun_image_free(image);
        }
    }
};

QTEST_MAIN(DataSearchTest)
#include "data_search_test.moc"
