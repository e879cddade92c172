// Saves that fail midway: a child process writes under a small file size
// limit, either told of the failure (SIGXFSZ ignored, the write fails as on
// a full disk) or killed by it at that point. Either way the old file must
// stay byte for byte, and a save that lived to see its failure must say so
// and leave no stray file behind.
#include "support/test_files.h"

#include "core/IniDocument.h"
#include "core/PrivateProfile.h"
#include "shell/FileRoutines.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Writer { Atomic, IniDocument, PrivateProfile };

constexpr int kReportedFailure = 3;
constexpr int kReportedSuccess = 4;
constexpr int kSilentFailure = 5;

QByteArray oldContent()
{
    QByteArray bytes = "[Old]\r\n";
    for (int i = 0; i < 100; ++i)
        bytes += "Key" + QByteArray::number(i) + "=old value " + QByteArray::number(i) + "\r\n";
    return bytes;
}

// A failed save must say so; the atomic writer also names the reason.
int save(Writer writer, const QString &path)
{
    const QByteArray value(8192, 'n');
    bool saved = false;
    switch (writer) {
    case Writer::Atomic: {
        QString error;
        saved = writeFileAtomically(path, "[New]\r\nKey=" + value + "\r\n", &error);
        if (!saved && error.isEmpty())
            return kSilentFailure;
        break;
    }
    case Writer::IniDocument: {
        IniDocument document = IniDocument::load(path);
        document.setValue("New", "Key", value);
        saved = document.save(path);
        break;
    }
    case Writer::PrivateProfile:
        saved = PrivateProfile::writeString("New", "Key", value, path);
        break;
    }
    return saved ? kReportedSuccess : kReportedFailure;
}

// The exit code of a child that saves under the limit, or the signal that
// ended it as a negative number.
int saveInChild(Writer writer, const QString &path, rlim_t limit, bool killed)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
        rlimit size{};
        getrlimit(RLIMIT_FSIZE, &size);
        size.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &size);
        _exit(save(writer, path));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

} // namespace

class SaveFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void interruptedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("killed");
        const std::pair<const char *, Writer> writers[] = {
            {"atomic", Writer::Atomic},
            {"ini document", Writer::IniDocument},
            {"private profile", Writer::PrivateProfile},
        };
        // Nothing written, one byte, one buffer, most of the new file.
        const qint64 limits[] = {0, 1, 4096, 8200};
        for (const auto &[name, writer] : writers) {
            for (qint64 limit : limits) {
                for (bool killed : {false, true}) {
                    QTest::addRow("%s, %lld bytes, %s", name, limit, killed ? "killed" : "told")
                        << int(writer) << limit << killed;
                }
            }
        }
    }

    void interruptedSaveKeepsTheOldFile()
    {
        QFETCH(int, writer);
        QFETCH(qint64, limit);
        QFETCH(bool, killed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pelcor.ini"));
        writeBytes(path, oldContent());

        const int outcome = saveInChild(Writer(writer), path, rlim_t(limit), killed);
        if (killed) {
            QCOMPARE(outcome, -SIGXFSZ);
        } else {
            QCOMPARE(outcome, kReportedFailure);
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"pelcor.ini"});
        }
        QCOMPARE(readBytes(path), oldContent());
    }

    void saveWithoutLimitReplacesTheFile()
    {
        for (Writer writer : {Writer::Atomic, Writer::IniDocument, Writer::PrivateProfile}) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("pelcor.ini"));
            writeBytes(path, oldContent());
            QCOMPARE(saveInChild(writer, path, RLIM_INFINITY, false), kReportedSuccess);
            QVERIFY(readBytes(path).contains("[New]"));
        }
    }
};

QTEST_GUILESS_MAIN(SaveFaultsTest)
#include "save_faults_test.moc"
