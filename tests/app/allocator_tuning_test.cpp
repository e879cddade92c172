#include "shell/AllocatorTuning.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class AllocatorTuningTest : public QObject {
    Q_OBJECT

private slots:
    void settingIsAddedOnce_data()
    {
        QTest::addColumn<QByteArray>("current");
        QTest::addColumn<bool>("isSet");
        QTest::addColumn<QString>("wanted");
        QTest::newRow("unset") << QByteArray() << false << "glibc.malloc.hugetlb=1";
        QTest::newRow("empty") << QByteArray("") << true << "glibc.malloc.hugetlb=1";
        QTest::newRow("others kept") << QByteArray("glibc.malloc.arena_max=2") << true
                                     << "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1";
        QTest::newRow("user's choice stands") << QByteArray("glibc.malloc.hugetlb=0") << true << "";
        QTest::newRow("already restarted")
            << QByteArray("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1") << true << "";
        QTest::newRow("a longer name is another setting")
            << QByteArray("glibc.malloc.hugetlbx=1") << true
            << "glibc.malloc.hugetlbx=1:glibc.malloc.hugetlb=1";
    }

    void settingIsAddedOnce()
    {
        QFETCH(QByteArray, current);
        QFETCH(bool, isSet);
        QFETCH(QString, wanted);
        const std::optional<std::string> tunables =
            tunablesWithHugePages(isSet ? current.constData() : nullptr);
        QCOMPARE(tunables.has_value(), !wanted.isEmpty());
        if (tunables)
            QCOMPARE(QString::fromStdString(*tunables), wanted);
    }

    // The restarted program puts the environment back as it was, so that
    // programs it starts (a browser for the version window's links) do not
    // inherit the setting.
    void restartedProgramRestoresTheEnvironment()
    {
        char name[] = "Pelcor";
        char *argv[] = {name, nullptr};
        qputenv("GLIBC_TUNABLES", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
        qputenv("PELCOR_GLIBC_TUNABLES_BEFORE", "=glibc.malloc.arena_max=2");
        restartWithHugePages(argv);
        QCOMPARE(qgetenv("GLIBC_TUNABLES"), QByteArray("glibc.malloc.arena_max=2"));
        QVERIFY(!qEnvironmentVariableIsSet("PELCOR_GLIBC_TUNABLES_BEFORE"));

        qputenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1");
        qputenv("PELCOR_GLIBC_TUNABLES_BEFORE", "-");
        restartWithHugePages(argv);
        QVERIFY(!qEnvironmentVariableIsSet("GLIBC_TUNABLES"));
        QVERIFY(!qEnvironmentVariableIsSet("PELCOR_GLIBC_TUNABLES_BEFORE"));
    }

    // The real program, started as a user starts it, runs with the setting
    // in force: the environment it was started with (as the kernel keeps
    // it) holds it. It runs from a folder of its own, so that its settings
    // file lands there.
    void programRunsWithTheSetting()
    {
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("Pelcor"));
        QVERIFY(QFile::copy(QStringLiteral(PELCOR_PROGRAM), program));
        QProcess pelcor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("GLIBC_TUNABLES"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        pelcor.setProcessEnvironment(environment);
        pelcor.start(program, {});
        QVERIFY(pelcor.waitForStarted());
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pelcor.processId()));
        QByteArray seen;
        QElapsedTimer waited;
        waited.start();
        while (!seen.contains("GLIBC_TUNABLES=glibc.malloc.hugetlb=1")
               && waited.elapsed() < 10000) {
            QThread::msleep(20);
            if (environ.open(QIODevice::ReadOnly)) {
                seen = environ.readAll();
                environ.close();
            }
        }
        const bool running = pelcor.state() == QProcess::Running;
        pelcor.kill();
        pelcor.waitForFinished();
        QVERIFY(running);
        QVERIFY2(seen.contains("GLIBC_TUNABLES=glibc.malloc.hugetlb=1"), seen.constData());
    }
};

QTEST_GUILESS_MAIN(AllocatorTuningTest)
#include "allocator_tuning_test.moc"
