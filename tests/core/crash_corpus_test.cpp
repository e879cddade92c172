// Every input that ever broke a parser fuzz target, and every seed, runs
// through the same checks as in the fuzzer, here without clang's fuzzer
// runtime.
#include "../fuzz/harness/core_targets.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

[[noreturn]] void throwFailure(const kestrun_fuzz::CheckFailure &failure)
{
    throw failure;
}

} // namespace

class CrashCorpusTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kestrun_fuzz::failureHandler() = throwFailure; }

    void everyKeptInputPassesTheFuzzChecks_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const QDir data(QStringLiteral(PELCOR_TEST_DATA));
        for (int t = 0; t < int(std::size(kestrun_fuzz::kCoreTargets)); ++t) {
            const QString name = QString::fromLatin1(kestrun_fuzz::kCoreTargets[t].name);
            int count = 0;
            for (const QString &folder :
                 {QStringLiteral("crashers/"), QStringLiteral("../fuzz/corpus/")}) {
                const QDir dir(data.filePath(folder + name));
                for (const QString &file : dir.entryList(QDir::Files)) {
                    const QString path = dir.filePath(file);
                    QTest::newRow(qPrintable(name + '/' + file)) << t << path;
                    ++count;
                }
            }
            QVERIFY2(count > 0, qPrintable(name));
        }
    }

    void everyKeptInputPassesTheFuzzChecks()
    {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        try {
            kestrun_fuzz::kCoreTargets[target].run(
                reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
        } catch (const kestrun_fuzz::CheckFailure &failure) {
            QFAIL(qPrintable(QStringLiteral("%1:%2: %3")
                                 .arg(failure.file)
                                 .arg(failure.line)
                                 .arg(failure.condition)));
        }
    }
};

QTEST_GUILESS_MAIN(CrashCorpusTest)
#include "crash_corpus_test.moc"
