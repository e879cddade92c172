// Start-up, saves and exit when the disk is not as the program left it: the
// names the platform hands over, a settings file that cannot be read or
// written, and a document's file that another program changed.
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/Startup.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList captions(const FrmMDI &frame)
{
    QStringList list;
    for (QMdiSubWindow *window : frame.mdiArea()->subWindowList(QMdiArea::CreationOrder))
        list.append(window->windowTitle());
    return list;
}

// Puts `kind` where the settings file `path` should be: a FIFO, a link to a
// device, or a folder.
void occupy(const QString &path, const QString &kind)
{
    const QByteArray local = QFile::encodeName(path);
    if (kind == u"fifo")
        QVERIFY(::mkfifo(local.constData(), 0600) == 0);
    else if (kind == u"zero")
        QVERIFY(::symlink("/dev/zero", local.constData()) == 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
}

} // namespace

class StartSaveExitTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QPointer<FrmMDI> m_frame;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    // Closes the frame, answering every document's question with No.
    void closeFrame()
    {
        for (QMdiSubWindow *window : m_frame->mdiArea()->subWindowList())
            ClearModified(qobject_cast<Form1 *>(window));
        m_frame->close();
        QTRY_VERIFY(m_frame.isNull());
        QTRY_COMPARE(Form1::DocumentCount(), 0);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        if (m_frame) {
            ScriptedPrompts script;
            script.expectMessage(QMessageBox::Ok);
            closeFrame();
        }
    }

    void eachArgumentIsOneName_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("blanks and double quotes") << QStringList{"my \"best\" fw.hex"};
        QTest::newRow("a name in double quotes") << QStringList{"\"fw\".hex", "b.txt"};
        QTest::newRow("two blanks and a tab") << QStringList{"a  b\tc.txt"};
        QTest::newRow("leading blank") << QStringList{" lead.txt", "plain.txt"};
    }

    void eachArgumentIsOneName()
    {
        QFETCH(QStringList, names);
        QStringList paths;
        for (const QString &name : names) {
            paths.append(path(name));
            writeBytes(paths.last(), name.toUtf8());
        }
        m_frame = Main(paths + QStringList{QString()}, m_dir->path());
        QCOMPARE(captions(*m_frame), paths);
        QCOMPARE(m_frame->activeDocument()->documentBytes(), names.last().toUtf8());
        closeFrame();
    }

    void unreadableSettingsAreToldOnceEachWay_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("folder") << "folder";
    }

    // Start-up neither waits nor aborts: the defaults apply and the user
    // hears why, and the exit that cannot save says so too.
    void unreadableSettingsAreToldOnceEachWay()
    {
        QFETCH(QString, kind);
        const QString ini = path("Pelcor.ini");
        occupy(ini, kind);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        m_frame = Main({}, m_dir->path());
        QCOMPARE(script.texts(), QStringList{"設定ファイル\r\n" + ini
                                             + "\r\nを読み込めません\r\n既定の設定で起動します"});
        QCOMPARE(SettingsModel::program().displayFont().FontSize, DisplayFont().FontSize);

        script.expectMessage(QMessageBox::Ok);
        closeFrame();
        QVERIFY(script.allAnswered());
        QCOMPARE(script.texts().size(), 2);
        QVERIFY(script.texts().at(1).endsWith(u"に保存できません\r\n変更した設定は失われます"));
        QVERIFY(!QFileInfo(ini).isFile());
    }

    void failedExitSaveIsTold_data()
    {
        QTest::addColumn<QString>("folder");
        // A file where the folder should be, and a folder that went away:
        // both defeat root, unlike permissions.
        QTest::newRow("folder is a file") << "plain";
        QTest::newRow("folder gone") << "gone";
    }

    void failedExitSaveIsTold()
    {
        QFETCH(QString, folder);
        writeBytes(path("plain"), "x");
        m_frame = Main({}, path(folder));
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        closeFrame();
        QVERIFY(script.allAnswered());
        QCOMPARE(script.asked().size(), 1);
        QCOMPARE(script.asked().constFirst().icon, QMessageBox::Warning);
        QCOMPARE(script.texts().constFirst(), "設定ファイル\r\n" + path(folder)
                                                  + "/Pelcor.ini\r\nに保存できません\r\n"
                                                    "変更した設定は失われます");
    }

    void saveAsksBeforeReplacingAChangedFile_data()
    {
        QTest::addColumn<QByteArray>("meanwhile"); // empty: not touched; "-": removed
        QTest::addColumn<bool>("backdated");
        QTest::addColumn<int>("answer"); // NoButton: no question
        QTest::addColumn<bool>("saved");
        QTest::newRow("unchanged") << QByteArray() << false << int(QMessageBox::NoButton) << true;
        QTest::newRow("removed") << QByteArray("-") << false << int(QMessageBox::NoButton) << true;
        QTest::newRow("longer, kept")
            << QByteArray("theirs, longer") << false << int(QMessageBox::No) << false;
        QTest::newRow("longer, replaced")
            << QByteArray("theirs, longer") << false << int(QMessageBox::Yes) << true;
        QTest::newRow("same size, older time")
            << QByteArray("THEIRS") << true << int(QMessageBox::No) << false;
    }

    void saveAsksBeforeReplacingAChangedFile()
    {
        QFETCH(QByteArray, meanwhile);
        QFETCH(bool, backdated);
        QFETCH(int, answer);
        QFETCH(bool, saved);
        const QString file = path("fw.hex");
        writeBytes(file, "theirs");
        m_frame = Main({file}, m_dir->path());
        Form1 *document = m_frame->activeDocument();
        QTest::keyClicks(document->Txt(), QStringLiteral("mine "));
        if (meanwhile == "-")
            QVERIFY(QFile::remove(file));
        else if (!meanwhile.isEmpty())
            writeBytes(file, meanwhile);
        if (backdated) {
            const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) == 0);
        }

        ScriptedPrompts script;
        if (answer != QMessageBox::NoButton)
            script.expectMessage(QMessageBox::StandardButton(answer));
        m_frame->m_Save_Click();
        QVERIFY(script.allAnswered());
        if (answer != QMessageBox::NoButton) {
            QCOMPARE(script.texts(), QStringList{"ファイル\r\n" + file
                                                 + "\r\nはほかのﾌﾟﾛｸﾞﾗﾑで変更されています\r\n"
                                                   "上書きしますか？"});
        }
        QCOMPARE(readBytes(file), saved ? QByteArray("mine theirs") : meanwhile);
        QCOMPARE(document->Modified(), !saved);

        // Its own save is no change by another program.
        if (saved) {
            QTest::keyClicks(document->Txt(), QStringLiteral("again "));
            m_frame->m_Save_Click();
            QCOMPARE(readBytes(file), QByteArray("mine again theirs"));
            QCOMPARE(script.asked().size(), answer != QMessageBox::NoButton ? 1 : 0);
        }
        closeFrame();
    }
};

QTEST_MAIN(StartSaveExitTest)
#include "start_save_exit_test.moc"
