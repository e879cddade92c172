// kestrun's outputs never damage what they replace: FIFOs are written, not
// replaced; hard-linked files are updated in place and restored on
// failure; mode and owner stay; closed standard streams are errors; names
// that are not UTF-8 work; every failure has a reason.
#include "support/kestrun_process.h"
#include "support/test_files.h"
#include "support/test_images.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statOf(const QByteArray &path)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        info.st_mode = 0;
    return info;
}

} // namespace

class SafeOutputTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_hex;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QByteArray local(const QString &name) const { return QFile::encodeName(path(name)); }

    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeBytes(path("rom.bin"), sampleImage(0x3000, 5));
        QVERIFY(runKestrun({"bin2hex", path("rom.bin"), "-o", path("rom.hex")}).exitCode == 0);
        m_hex = readBytes(path("rom.hex"));
    }

    // Qt cannot name the files whose names are not UTF-8.
    void cleanupTestCase() { runKestrunScript(m_dir.path(), "find . -mindepth 1 -delete"); }

    // An output replaces the old file by a rename either way; it waits for
    // the disk (fdatasync) only when --sync asks, as objcopy and srec_cat
    // never do, in every command that writes a file.
    void onlySyncWaitsForTheDisk_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("hex2bin") << "$K hex2bin rom.hex -o out.bin";
        QTest::newRow("bin2hex") << "$K bin2hex rom.bin -o out.hex";
        QTest::newRow("dump") << "$K dump rom.bin -o out.txt";
        QTest::newRow("convert") << "$K convert rom.hex -o out.s37";
        QTest::newRow("merge") << "$K merge rom.hex -o out.bin";
        QTest::newRow("info") << "$K info rom.bin@100 -o out.txt";
        QTest::newRow("hard-linked output") << "cp rom.bin l1.bin && ln -f l1.bin l2.bin && $K hex2bin rom.hex -o l2.bin";
    }
    void onlySyncWaitsForTheDisk()
    {
        QFETCH(QString, command);
        if (runKestrunScript(m_dir.path(), "strace -o trace.txt true").exitCode != 0)
            QSKIP("strace cannot trace here");
        for (const bool sync : {false, true}) {
            const QString traced =
                QString(command).replace("$K ", sync ? "$T $K --sync " : "$T $K ")
                    .prepend("T='strace -f -e trace=fdatasync,fsync,sync_file_range -o trace.txt'; ");
            const KestrunRun run = runKestrunScript(m_dir.path(), traced);
            QVERIFY2(run.exitCode == 0, run.err.constData());
            const QByteArray trace = readBytes(m_dir.filePath("trace.txt"));
            QCOMPARE(trace.contains("fdatasync("), sync);
            QVERIFY(!trace.contains("fsync("));
            if (!sync)
                QVERIFY(!trace.contains("sync_file_range("));
        }
    }

    void fifoIsWrittenNotReplaced()
    {
        QVERIFY(::mkfifo(local("pipe").constData(), 0600) == 0);
        const KestrunRun run = runKestrunScript(
            m_dir.path(), "cat pipe > from-pipe & $K bin2hex rom.bin -o pipe; s=$?; wait; exit $s");
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(S_ISFIFO(statOf(local("pipe")).st_mode));
        QVERIFY(readBytes(path("from-pipe")) == m_hex);
        QFile::remove(path("pipe"));
    }

    void hardLinksSeeTheNewBytesAndKeepTheOldOnFailure()
    {
        writeBytes(path("a.hex"), "old");
        QVERIFY(::link(local("a.hex").constData(), local("b.hex").constData()) == 0);
        QVERIFY(::chmod(local("a.hex").constData(), 0640) == 0);
        const QStringList before = entries();

        // A failure (here the file size limit) writes the old bytes back.
        const KestrunRun failed =
            runKestrunScript(m_dir.path(), "ulimit -f 8; exec $K bin2hex rom.bin -o a.hex");
        QCOMPARE(failed.exitCode, 1);
        QVERIFY2(failed.errorText().contains(u"a.hex: File too large"), failed.err.constData());
        QCOMPARE(readBytes(path("b.hex")), QByteArray("old"));
        QCOMPARE(entries(), before);

        const KestrunRun written = runKestrun({"bin2hex", path("rom.bin"), "-o", path("a.hex")});
        QVERIFY2(written.exitCode == 0, written.err.constData());
        QVERIFY(readBytes(path("b.hex")) == m_hex);
        const struct stat info = statOf(local("a.hex"));
        QCOMPARE(info.st_nlink, nlink_t(2));
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
        QCOMPARE(entries(), before);
        QFile::remove(path("a.hex"));
        QFile::remove(path("b.hex"));
    }

    void replacedFilesKeepModeOwnerAndLinks()
    {
        writeBytes(path("target.hex"), "old");
        QVERIFY(::chmod(local("target.hex").constData(), 0604) == 0);
        const bool root = geteuid() == 0;
        if (root)
            QVERIFY(::chown(local("target.hex").constData(), 65534, 65534) == 0);
        QVERIFY(::symlink("target.hex", local("link.hex").constData()) == 0);

        const KestrunRun run = runKestrun({"bin2hex", path("rom.bin"), "-o", path("link.hex")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(S_ISLNK(statOf(local("link.hex")).st_mode));
        QVERIFY(readBytes(path("target.hex")) == m_hex);
        const struct stat info = statOf(local("target.hex"));
        QCOMPARE(info.st_mode & 07777, mode_t(0604));
        if (root)
            QCOMPARE(info.st_uid, uid_t(65534));
    }

    void danglingLinksLeadToTheNewFile()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("made"));
        QVERIFY(::symlink("made/new.hex", local("dangling.hex").constData()) == 0);
        const KestrunRun run = runKestrun({"bin2hex", path("rom.bin"), "-o", path("dangling.hex")});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(S_ISLNK(statOf(local("dangling.hex")).st_mode));
        QVERIFY(readBytes(path("made/new.hex")) == m_hex);
    }

    // A writable file in a folder that takes no new file is refused, and
    // the reason names the folder.
    void readOnlyFoldersAreNamedAsTheReason()
    {
        QTemporaryDir shared;
        QVERIFY(QFile::setPermissions(shared.path(), QFile::Permissions(0x7777)));
        const QString folder = shared.filePath("ro");
        QVERIFY(QDir().mkdir(folder));
        writeBytes(folder + "/x.hex", "old");
        QVERIFY(::chmod(QFile::encodeName(folder + "/x.hex").constData(), 0666) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        // Folder permissions bind root only as another user.
        const QString as =
            geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
        const KestrunRun run =
            runKestrunScript(m_dir.path(), as + "$K bin2hex - -o " + folder + "/x.hex < rom.bin");
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errorText().contains(u"新しいファイルをそのフォルダに作れません"), run.err.constData());
        QCOMPARE(readBytes(folder + "/x.hex"), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"x.hex"});
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    }

    void closedStandardStreamsAreErrors_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("output to a closed stdout")
            << "exec $K bin2hex rom.bin -o - >&-" << 1 << "標準出力: 開かれていません";
        QTest::newRow("input from a closed stdin")
            << "exec $K hex2bin - -o x.bin <&-" << 1 << "標準入力: 開かれていません";
        // The file must not take descriptor 1 and receive stray output.
        QTest::newRow("a file with stdout closed")
            << "exec $K bin2hex rom.bin -o closed.hex >&-" << 0 << "";
    }

    void closedStandardStreamsAreErrors()
    {
        QFETCH(QString, script);
        QFETCH(int, status);
        QFETCH(QString, said);
        const KestrunRun run = runKestrunScript(m_dir.path(), script);
        QCOMPARE(run.exitCode, status);
        QVERIFY2(run.errorText().contains(said), run.err.constData());
        if (status == 0)
            QVERIFY(readBytes(path("closed.hex")) == m_hex);
    }

    // A reader that takes one byte and then stops reading leaves kestrun
    // blocked in a write, which a cancel must still end.
    void cancelsEndWritesNobodyReads_data()
    {
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QString>("output");
        QTest::newRow("a FIFO, SIGINT") << "INT"
                                        << "-o stuck";
        QTest::newRow("standard output, SIGTERM") << "TERM"
                                                  << "-o - > stuck";
    }

    void cancelsEndWritesNobodyReads()
    {
        QFETCH(QString, signal);
        QFETCH(QString, output);
        writeBytes(path("wide.bin"), sampleImage(0x40000, 3));
        QVERIFY(::mkfifo(local("stuck").constData(), 0600) == 0);
        const QString script =
            QStringLiteral("(exec 3<stuck; head -c 1 <&3 >/dev/null; touch read; exec sleep 30) & "
                           "r=$!; $K bin2hex wide.bin %1 & k=$!; "
                           "while [ ! -e read ]; do sleep 0.1; done; kill -%2 $k; "
                           "wait $k; s=$?; kill $r; rm read stuck; exit $s")
                .arg(output, signal);
        const KestrunRun run = runKestrunScript(m_dir.path(), script);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errorText().contains(u"中止しました"), run.err.constData());
    }

    void namesThatAreNotUtf8()
    {
        const KestrunRun run = runKestrunScript(m_dir.path(), "cp rom.bin \"$(printf 'r\\377.bin')\" && "
                                                   "$K bin2hex \"$(printf 'r\\377.bin')\" -o "
                                                   "\"$(printf 'o\\376.hex')\" && "
                                                   "$K hex2bin \"$(printf 'o\\376.hex')\"");
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(S_ISREG(statOf(QFile::encodeName(m_dir.path()) + "/o\xFE.hex").st_mode));
        // hex2bin's default output: the input's name with .bin.
        QVERIFY(S_ISREG(statOf(QFile::encodeName(m_dir.path()) + "/o\xFE.bin").st_mode));
        const KestrunRun missing = runKestrunScript(m_dir.path(), "$K dump \"$(printf 'n\\377.bin')\"");
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.startsWith("n\xFF.bin: No such file"));
        // A settings file too, read by its bytes.
        const KestrunRun settings =
            runKestrunScript(m_dir.path(), "printf '[Vantrel]\\r\\nRecordLength=10\\r\\n' > "
                                "\"$(printf 's\\375.ini')\" && "
                                "$K bin2hex rom.bin --settings \"$(printf 's\\375.ini')\" -o -");
        QVERIFY2(settings.exitCode == 0, settings.err.constData());
        QVERIFY(settings.out.startsWith(":10000000"));
    }
};

QTEST_GUILESS_MAIN(SafeOutputTest)
#include "safe_output_test.moc"
