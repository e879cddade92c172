#include "convert/Form2.h"
#include "convert/PictureBox.h"
#include "base/BusyScope.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

// What a progress window looked like when it was shown.
struct ShownWindow {
    QRect ink; // where its picture holds dark pixels
    bool cancellable = false;
    bool busy = false;
    QWidget *owner = nullptr;
};

// Records every progress window that is shown while it exists.
class ProgressWatcher : public QObject {
public:
    ProgressWatcher() { qApp->installEventFilter(this); }
    QList<ShownWindow> shown;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *window = qobject_cast<Form2 *>(object);
        if (window && event->type() == QEvent::Show) {
            const QImage image = window->Pic()->image();
            QRect ink;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (qGray(image.pixel(x, y)) < 128)
                        ink |= QRect(x, y, 1, 1);
                }
            }
            shown.append({ink, window->Cmd()->isEnabled(), isBusy(), window->parentWidget()});
        }
        return false;
    }
};

bool noProgressWindowLeft()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::none_of(windows.begin(), windows.end(),
                        [](QWidget *w) { return qobject_cast<Form2 *>(w); });
}

} // namespace

class FileRoutinesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_frame;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        setFrameWindow(&m_frame);
    }

    void cleanup()
    {
        QVERIFY(noProgressWindowLeft());
        QVERIFY(!isBusy());
    }

    void trimAtNul_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("no NUL") << "a.hex"
                                << "a.hex";
        QTest::newRow("NUL inside") << QString::fromUtf16(u"a.hex\0b.hex", 11) << "a.hex";
        QTest::newRow("NUL first") << QString(QChar(0)) << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void trimAtNul()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(TrimAtNul(text), trimmed);
    }

    void openDialogShowsTheChosenFilter_data()
    {
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0 is the first entry") << 0 << "ｲﾝﾃﾙﾍｷｻﾌｧｲﾙ(*.hex)";
        QTest::newRow("S-records") << int(SRecordFiles)
                                   << "Sﾚｺｰﾄﾞﾌｧｲﾙ(*.s19 *.s28 *.s37 *.srec *.mot)";
        QTest::newRow("binary files") << int(BinaryFiles) << "ﾊﾞｲﾅﾘﾌｧｲﾙ(*.bin)";
        QTest::newRow("all files") << int(AllFiles) << "全てのﾌｧｲﾙ(*.*)";
        QTest::newRow("unknown index") << 9 << "ｲﾝﾃﾙﾍｷｻﾌｧｲﾙ(*.hex)";
    }

    void openDialogShowsTheChosenFilter()
    {
        QFETCH(int, filterIndex);
        QFETCH(QString, shown);
        ScriptedPrompts script;
        script.expectOpen(QString::fromUtf16(u"/data/rom.hex\0junk", 18));
        QCOMPARE(ChooseOpenFile(&m_frame, filterIndex), QStringLiteral("/data/rom.hex"));
        const AskedPrompt &dialog = script.asked().constFirst();
        QCOMPARE(dialog.filters.size(), 6);
        QCOMPARE(dialog.filters.at(dialog.selectedFilter), shown);
        QCOMPARE(dialog.owner, &m_frame);
        QVERIFY(dialog.title.isEmpty());
    }

    void saveDialogChangesThePathOnlyWhenConfirmed()
    {
        ScriptedPrompts script;
        script.expectSave(QString());
        script.expectSave(QStringLiteral("/data/new.bin"));
        QString name = QStringLiteral("/data/rom.bin");
        QVERIFY(!ChooseSaveFile(&m_frame, name, BinaryFiles));
        QCOMPARE(name, QStringLiteral("/data/rom.bin"));
        QVERIFY(ChooseSaveFile(&m_frame, name, BinaryFiles));
        QCOMPARE(name, QStringLiteral("/data/new.bin"));
        QCOMPARE(script.asked().at(0).initialPath, QStringLiteral("/data/rom.bin"));
    }

    void saveDialogProposesTheNameAsGiven_data()
    {
        QTest::addColumn<int>("filter");
        for (int i = 0; i < FileFilter().size(); ++i)
            QTest::addRow("filter %d", i + 1) << i;
    }

    // The Qt dialog itself: whatever filter it opens with, its name box
    // holds the name proposed. (Choosing a filter gives the name in the
    // box the filter's extension, so a dump's fw.txt would be saved over
    // fw.hex.)
    void saveDialogProposesTheNameAsGiven()
    {
        QFETCH(int, filter);
        QString shown = QStringLiteral("<no dialog>");
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (const auto *box = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                shown = box->text();
            dialog->reject();
        });
        look.start(10);
        const QString chosen =
            prompts().saveFile(&m_frame, QString(), path("fw.txt"), FileFilter(), filter);
        QVERIFY(chosen.isEmpty());
        QCOMPARE(shown, QStringLiteral("fw.txt"));
    }

    void textFileKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const char *end : {"\r\n", "\n", "\r"}) {
            QTest::newRow(QByteArray(end).toPercentEncoding().constData())
                << QByteArray(":00000001FF") + end + "\x95\x5C\x8E\xA6\x81\x60\x87\x40" + end
                       + "\xB2\xDD\xC3\xD9 C:\\rom" + end;
        }
    }

    void textFileKeepsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(path("in.txt"), bytes);
        QString text;
        std::int32_t length = -1;
        QVERIFY(LoadTextFile(path("in.txt"), text, length));
        QCOMPARE(length, bytes.size());
        QVERIFY(text.contains(u"表示～①"_qs));
        QVERIFY(saveFileWithProgress(path("out.txt"), encodeCp932(text)));
        QCOMPARE(readBytes(path("out.txt")), bytes);
    }

    void emptyFiles()
    {
        writeBytes(path("empty"), QByteArray());
        QString text = QStringLiteral("old");
        std::int32_t length = -1;
        QVERIFY(LoadTextFile(path("empty"), text, length));
        QCOMPARE(text, QString());
        QCOMPARE(length, 0);

        QByteArray bytes;
        length = -1;
        QVERIFY(LoadBinaryFile(path("empty"), bytes, length));
        QCOMPARE(length, 0);
        QCOMPARE(bytes, QByteArray(1, '\0'));
    }

    void binaryFileGetsASpareZero()
    {
        const QByteArray content("\x00\xFF\x1A\r\n\x80", 6);
        writeBytes(path("rom.bin"), content);
        QByteArray bytes;
        std::int32_t length = -1;
        QVERIFY(LoadBinaryFile(path("rom.bin"), bytes, length));
        QCOMPARE(length, 6);
        QCOMPARE(bytes, content + '\0');
    }

    void largeFilesShowTheProgressWindow_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("windows");
        QTest::newRow("524,287 bytes") << 524287 << 0;
        QTest::newRow("524,288 bytes") << 524288 << 1;
    }

    void largeFilesShowTheProgressWindow()
    {
        QFETCH(int, size);
        QFETCH(int, windows);
        writeBytes(path("big.hex"), QByteArray(size, 'A'));
        QString text;
        std::int32_t length = 0;
        QByteArray bytes;
        ProgressWatcher watcher;
        QVERIFY(LoadTextFile(path("big.hex"), text, length));
        QVERIFY(LoadBinaryFile(path("big.hex"), bytes, length));
        QCOMPARE(text.size(), size);
        QCOMPARE(watcher.shown.size(), 2 * windows);
        for (const ShownWindow &window : watcher.shown) {
            QVERIFY(!window.ink.isEmpty());
            QVERIFY(window.ink.left() >= 40 && window.ink.top() >= 5);
            QVERIFY(!window.cancellable);
            QVERIFY(window.busy);
            QCOMPARE(window.owner, &m_frame);
        }
    }

    void missingFiles()
    {
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        script.expectMessage(QMessageBox::Ok);
        const QString missing = path("missing.hex");
        QString text = QStringLiteral("kept");
        QByteArray bytes("kept");
        std::int32_t length = 7;
        QVERIFY(!LoadTextFile(missing, text, length));
        QVERIFY(!LoadBinaryFile(missing, bytes, length));
        QCOMPARE(text, QStringLiteral("kept"));
        QCOMPARE(bytes, QByteArray("kept"));
        QCOMPARE(length, 7);
        QCOMPARE(script.texts(), QStringList({"ファイル\r\n" + missing + "\r\nが見つかりません",
                                              "ファイルが見つかりません"}));
        QCOMPARE(script.titles(), QStringList({"Pelcor", "Pelcor"}));
        QCOMPARE(script.asked().at(0).icon, QMessageBox::Critical);
    }

    void unreadableFilesAreReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("folder") << "folder";
        QTest::newRow("pipe") << "pipe";
    }

    void unreadableFilesAreReported()
    {
        QFETCH(QString, name);
        QDir(m_dir.path()).mkdir("folder");
        ::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        script.expectMessage(QMessageBox::Ok);
        QString text = QStringLiteral("kept");
        QByteArray bytes;
        std::int32_t length = 7;
        QVERIFY(!LoadTextFile(path(name), text, length));
        QVERIFY(!LoadBinaryFile(path(name), bytes, length));
        QCOMPARE(text, QStringLiteral("kept"));
        QCOMPARE(length, 7);
        QVERIFY(script.allAnswered());
        for (const QString &message : script.texts())
            QVERIFY(message.contains(path(name)));
    }

    void saveAsksForTheNameAndUpdatesThePath()
    {
        ScriptedPrompts script;
        script.expectSave(path("chosen.bin"));
        QString name = path("proposed.bin");
        ProgressWatcher watcher;
        QVERIFY(SaveBinaryFile(QByteArrayView("\x01\x02"), name, true));
        QCOMPARE(name, path("chosen.bin"));
        QCOMPARE(readBytes(name), QByteArray("\x01\x02"));
        QVERIFY(!QFile::exists(path("proposed.bin")));
        const AskedPrompt &dialog = script.asked().constFirst();
        QCOMPARE(dialog.filters.at(dialog.selectedFilter), QStringLiteral("ﾊﾞｲﾅﾘﾌｧｲﾙ(*.bin)"));
        QCOMPARE(dialog.initialPath, path("proposed.bin"));
        QCOMPARE(watcher.shown.size(), 1);
        QVERIFY(watcher.shown.at(0).ink.left() >= 50);
        QVERIFY(watcher.shown.at(0).busy);
    }

    void cancelledSaveWritesNothing()
    {
        writeBytes(path("keep.bin"), "old");
        ScriptedPrompts script;
        script.expectSave(QString());
        QString name = path("keep.bin");
        ProgressWatcher watcher;
        QVERIFY(!SaveBinaryFile(QByteArrayView("new"), name, true));
        QCOMPARE(name, path("keep.bin"));
        QCOMPARE(readBytes(name), QByteArray("old"));
        QVERIFY(watcher.shown.isEmpty());
    }

    void savingOverALongerFileLeavesOnlyTheNewBytes()
    {
        writeBytes(path("long.bin"), QByteArray(4096, 'x'));
        QString name = path("long.bin");
        QVERIFY(SaveBinaryFile(QByteArrayView("short"), name, false));
        QCOMPARE(readBytes(name), QByteArray("short"));
    }

    void saveIntoAFolderThatIsNowAFileFails()
    {
        QDir(m_dir.path()).mkdir("gone");
        writeBytes(path("gone/rom.bin"), "old");
        QVERIFY(QDir(path("gone")).removeRecursively());
        writeBytes(path("gone"), "a file now");
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QString name = path("gone/rom.bin");
        QVERIFY(!SaveBinaryFile(QByteArrayView("new"), name, false));
        QCOMPARE(script.texts(),
                 QStringList{"ファイル\r\n" + name + "\r\nに保存できません\r\nNot a directory"});
        QCOMPARE(readBytes(path("gone")), QByteArray("a file now"));
    }

    // A write that fails halfway (here: the file size limit, which binds
    // root too) must leave the old file as it was and no stray file beside.
    void failedWriteKeepsTheOldFile()
    {
        writeBytes(path("rom.bin"), "old content");
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QString name = path("rom.bin");
        QString error;
        bool saved1 = true;
        bool saved2 = true;
        {
            FileSizeLimit limit(64 * 1024);
            saved1 = SaveBinaryFile(QByteArray(1 << 20, 'n'), name, false);
            saved2 = writeFileAtomically(name, QByteArray(1 << 20, 'n'), &error);
        }
        QVERIFY(!saved1);
        QVERIFY(!saved2);
        QVERIFY(!error.isEmpty());
        QVERIFY(script.texts().constFirst().contains(name));
        QCOMPARE(readBytes(name), QByteArray("old content"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
        QVERIFY(script.texts().constFirst().endsWith("File too large"));
    }

    void busyScopesNest()
    {
        BusyScope outer;
        {
            BusyScope inner;
        }
        QVERIFY(isBusy());
    }
};

QTEST_MAIN(FileRoutinesTest)
#include "file_routines_test.moc"
