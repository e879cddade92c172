// Where the program keeps its settings once installed. The test program
// puts a copy of itself into a staged install tree (bin/ beside the library
// folder, as cmake --install lays it out) and starts it there in its
// program role: it starts up as Pelcor does, opens the version window,
// prints the settings file the window names, and closes the frame, which
// saves. The copy runs from where it lies, so the program folder is the
// staged one, and the per-user folder is a temporary one.
#include "installed_layout.h"
#include "core/SettingsModel.h"
#include "shell/FrmMDI.h"
#include "base/AppState.h"
#include "shell/Frm_Ver.h"
#include "shell/Startup.h"
#include "base/UserPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

const char kProgramRole[] = "--as-program";

// Anything the program would ask, it asks nobody here: the question is
// written out and answered with a cancel, and the run then fails.
class NoOneToAsk final : public UserPrompts {
public:
    QStringList asked;

    QMessageBox::StandardButton message(QWidget *, QMessageBox::Icon, const QString &,
                                        const QString &text, QMessageBox::StandardButtons) override
    {
        asked << text;
        return QMessageBox::Cancel;
    }
    QString openFile(QWidget *, const QString &title, const QStringList &, int) override
    {
        asked << title;
        return QString();
    }
    QString saveFile(QWidget *, const QString &title, const QString &, const QStringList &,
                     int) override
    {
        asked << title;
        return QString();
    }
    std::optional<QString> askText(QWidget *, const QString &title, const QString &,
                                   const QString &) override
    {
        asked << title;
        return std::nullopt;
    }
    std::optional<int> askNumber(QWidget *, const QString &title, const QString &, int, int,
                                 int) override
    {
        asked << title;
        return std::nullopt;
    }
    std::optional<FormAnswers> askForm(QWidget *, const QString &title,
                                       const QList<FormField> &) override
    {
        asked << title;
        return std::nullopt;
    }
};

void noBeep()
{
}

// The program's start, the version window's settings line on standard
// output, and the close that saves. Exit status 0 when nothing was asked.
int runAsProgram(int argc, char *argv[])
{
    QApplication app(argc, argv);
    prepareApplication(app);
    NoOneToAsk nobody;
    setPrompts(&nobody);
    appState().openingBeep = &noBeep;
    FrmMDI *frame = Main({});
    {
        Frm_Ver window(frame);
        std::puts(window.settingsFile()->text().toUtf8().constData());
    }
    frame->close();
    QApplication::processEvents();
    for (const QString &text : nobody.asked)
        std::fprintf(stderr, "asked: %s\n", text.toUtf8().constData());
    return nobody.asked.isEmpty() ? 0 : 1;
}

bool isRoot()
{
    return geteuid() == 0;
}

} // namespace

class InstalledSettingsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString prefix() const { return m_dir.filePath(QStringLiteral("prefix")); }
    QString binFolder() const { return prefix() + QStringLiteral("/bin"); }
    QString userIni() const { return m_dir.filePath(QStringLiteral("config/Pelcor/Pelcor.ini")); }
    QString portableIni() const { return binFolder() + QStringLiteral("/Pelcor.ini"); }

    // Runs the staged copy; returns the settings line of its version window.
    QString runInstalled()
    {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        program.setProcessEnvironment(environment);
        program.start(binFolder() + QStringLiteral("/Pelcor"), {QString::fromLatin1(kProgramRole)});
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            qWarning("the installed program did not finish");
            return QString();
        }
        if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
            return QStringLiteral("failed: ") + QString::fromUtf8(program.readAllStandardError());
        return QString::fromUtf8(program.readAllStandardOutput()).trimmed();
    }

    static void setWritable(const QString &path, bool writable)
    {
        QFile::Permissions permissions = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        if (QFileInfo(path).isDir())
            permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        if (writable)
            permissions |= QFile::WriteOwner;
        QFile::setPermissions(path, permissions);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString libraryFolder =
            QDir::cleanPath(binFolder() + QStringLiteral("/" PELCOR_LIBDIR_FROM_BINDIR));
        QVERIFY(QDir().mkpath(binFolder()) && QDir().mkpath(libraryFolder));
        // A hard link keeps the copy cheap where the folders share a file
        // system; the program folder is the one it was started by either way.
        const QString self = QCoreApplication::applicationFilePath();
        const QString program = binFolder() + QStringLiteral("/Pelcor");
        if (::link(QFile::encodeName(self).constData(), QFile::encodeName(program).constData())
            != 0)
            QVERIFY(QFile::copy(self, program));
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath()
                                + QStringLiteral("/" KESTRUN_SONAME_FILE),
                            libraryFolder + QStringLiteral("/" KESTRUN_SONAME_FILE)));
    }

    void cleanup()
    {
        setWritable(binFolder(), true);
        QFile::setPermissions(portableIni(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(portableIni());
        QDir(m_dir.filePath(QStringLiteral("config"))).removeRecursively();
    }

    void cleanupTestCase() { setWritable(binFolder(), true); }

    // Installed read-only, with no Pelcor.ini of its own: the settings go
    // to the user's file, which the first save creates with its folder.
    void readOnlyInstallKeepsSettingsPerUser()
    {
        setWritable(binFolder(), false);
        QCOMPARE(runInstalled(), QStringLiteral("設定ファイル: ") + userIni());
        QVERIFY(QFile::exists(userIni()));
        QVERIFY(!QFile::exists(portableIni()));
        QFile file(userIni());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY(saved.startsWith("[Vantrel]"));
        QVERIFY(saved.contains("RecordLength=20"));
        QVERIFY(saved.contains("MDISize="));

        // The next run reads what the first one saved.
        QCOMPARE(runInstalled(), QStringLiteral("設定ファイル: ") + userIni());
    }

    // A Pelcor.ini beside the program makes it a portable one: that file
    // is used and the user's folder stays untouched.
    void writableIniBesideTheProgramIsPortable()
    {
        QFile file(portableIni());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Vantrel]\r\nFontSize=9\r\n");
        file.close();
        QCOMPARE(runInstalled(), QStringLiteral("設定ファイル: ") + portableIni());
        QVERIFY(!QFile::exists(userIni()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY(saved.contains("FontSize=9"));
        QVERIFY(saved.contains("MDISize="));
    }

    // A Pelcor.ini that cannot be written (or a folder that cannot take
    // the replacement) would lose every change: the user's file is used,
    // and its first save keeps the values the read-only file gave.
    void unwritableIniBesideTheProgramIsLeftAlone()
    {
        if (isRoot())
            QSKIP("root writes read-only files; run as a user to see this");
        QFile file(portableIni());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Vantrel]\r\nFontSize=9\r\n");
        file.close();
        setWritable(portableIni(), false);
        setWritable(binFolder(), false);
        QCOMPARE(runInstalled(), QStringLiteral("設定ファイル: ") + userIni());
        QFile saved(userIni());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("FontSize=9"));
    }

    void userFileFollowsTheBaseDirectoryRules_data()
    {
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<QString>("file");
        QTest::newRow("configured") << QByteArray("/srv/config") << "/srv/config/Pelcor/Pelcor.ini";
        QTest::newRow("unset") << QByteArray() << "/home/user/.config/Pelcor/Pelcor.ini";
        QTest::newRow("empty") << QByteArray("") << "/home/user/.config/Pelcor/Pelcor.ini";
        QTest::newRow("relative, so ignored")
            << QByteArray("config") << "/home/user/.config/Pelcor/Pelcor.ini";
    }

    void userFileFollowsTheBaseDirectoryRules()
    {
        QFETCH(QByteArray, configHome);
        QFETCH(QString, file);
        const QByteArray savedHome = qgetenv("HOME");
        const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", "/home/user");
        if (configHome.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configHome);
        const QString chosen = SettingsModel::fileFor(binFolder());
        // A folder of that name beside the program is no settings file.
        QVERIFY(QDir().mkdir(portableIni()));
        const QString besideFolder = SettingsModel::fileFor(binFolder());
        QVERIFY(QDir().rmdir(portableIni()));
        qputenv("HOME", savedHome);
        qputenv("XDG_CONFIG_HOME", savedConfig);
        QCOMPARE(chosen, file);
        QCOMPARE(besideFolder, file);
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], kProgramRole) == 0)
        return runAsProgram(argc, argv);
    QApplication app(argc, argv);
    InstalledSettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "installed_settings_test.moc"
