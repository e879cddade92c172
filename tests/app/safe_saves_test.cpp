// Pelcor's saves (binary images, documents, the settings file) go through
// SafeFileWriter: what they write over is never damaged, whatever it is.
#include "core/IniDocument.h"
#include "core/LocalPath.h"
#include "core/SafeFileWriter.h"
#include "shell/FileRoutines.h"
#include "support/scripted_prompts.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

namespace {

struct stat statOf(const QString &path)
{
    struct stat info {};
    if (::lstat(LocalPath::encode(path).constData(), &info) != 0)
        info.st_mode = 0;
    return info;
}

// Everything that arrives on `fd` until its writer closes it.
QByteArray drain(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, got);
    ::close(fd);
    return bytes;
}

} // namespace

class SafeSavesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void fifosAndSocketsAreWrittenInPlace()
    {
        const QString fifo = path("pipe");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        // Nothing can end a wait for a reader in the program: no reader is
        // an error at once.
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QString name = fifo;
        QVERIFY(!SaveBinaryFile(QByteArrayView("image"), name, false));
        QVERIFY2(script.texts().value(0).endsWith(u"読み取っているプログラムがありません"),
                 qPrintable(script.texts().value(0)));
        // The few bytes fit in the pipe, so the reader may read them after.
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(SaveBinaryFile(QByteArrayView("image"), name, false));
        QByteArray received = drain(reader);
        QCOMPARE(received, QByteArray("image"));
        QVERIFY(S_ISFIFO(statOf(fifo).st_mode));

        const QString socketPath = path("socket");
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(socketPath).constData(),
                 sizeof address.sun_path);
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(listener, 1) == 0);
        std::thread server([&] { received = drain(::accept(listener, nullptr, nullptr)); });
        QVERIFY(SafeFileWriter::writeWhole(socketPath, "text"));
        server.join();
        ::close(listener);
        QCOMPARE(received, QByteArray("text"));
        QVERIFY(S_ISSOCK(statOf(socketPath).st_mode));
        QFile::remove(fifo);
        QFile::remove(socketPath);
    }

    void linkedFilesChangeUnderEveryName()
    {
        writeBytes(path("one.bin"), "old");
        QVERIFY(::link(QFile::encodeName(path("one.bin")).constData(),
                       QFile::encodeName(path("two.bin")).constData())
                == 0);
        QVERIFY(::chmod(QFile::encodeName(path("one.bin")).constData(), 0751) == 0);
        const QStringList before = entries();
        {
            // A failed write gives the old bytes back to both names.
            FileSizeLimit limit(4096);
            QString error;
            QVERIFY(!SafeFileWriter::writeWhole(path("two.bin"), QByteArray(1 << 16, 'n'), &error));
            QCOMPARE(error, QStringLiteral("File too large"));
        }
        QCOMPARE(readBytes(path("one.bin")), QByteArray("old"));
        QCOMPARE(entries(), before);

        ScriptedPrompts script;
        QString name = path("two.bin");
        QVERIFY(SaveBinaryFile(QByteArrayView("new"), name, false));
        QCOMPARE(readBytes(path("one.bin")), QByteArray("new"));
        QCOMPARE(statOf(path("one.bin")).st_nlink, nlink_t(2));
        QCOMPARE(statOf(path("one.bin")).st_mode & 07777, mode_t(0751));
        QCOMPARE(entries(), before);
    }

    // The settings file too keeps its mode through a save.
    void replacedFilesKeepTheirMode()
    {
        writeBytes(path("Pelcor.ini"), "[Vantrel]\r\n");
        QVERIFY(::chmod(QFile::encodeName(path("Pelcor.ini")).constData(), 0600) == 0);
        IniDocument document = IniDocument::load(path("Pelcor.ini"));
        document.setValue("Vantrel", "Scope", "0A");
        QVERIFY(document.save(path("Pelcor.ini")));
        QCOMPARE(statOf(path("Pelcor.ini")).st_mode & 07777, mode_t(0600));
        QVERIFY(readBytes(path("Pelcor.ini")).contains("Scope=0A"));
    }

    void namesThatAreNotUtf8KeepTheirBytes()
    {
        const QString name =
            LocalPath::decode(QFile::encodeName(m_dir.path()) + "/rom\xFF\xFE.bin");
        QCOMPARE(LocalPath::encode(name), QFile::encodeName(m_dir.path()) + "/rom\xFF\xFE.bin");
        QString saved = name;
        QVERIFY(SaveBinaryFile(QByteArrayView("bytes"), saved, false));
        QVERIFY(S_ISREG(statOf(name).st_mode));
        QByteArray loaded;
        std::int32_t length = 0;
        QVERIFY(LoadBinaryFile(name, loaded, length));
        QCOMPARE(loaded, QByteArray("bytes", 6));
        QVERIFY(::unlink(LocalPath::encode(name).constData()) == 0);
        // Valid UTF-8 decodes as usual, and back.
        const QByteArray japanese = "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB";
        QCOMPARE(LocalPath::decode(japanese), QStringLiteral("ファイル"));
        QCOMPARE(LocalPath::encode(QStringLiteral("ファイル")), japanese);
        QCOMPARE(LocalPath::encode(LocalPath::decode("\xC0\xAF\xED\xA0\x80")),
                 QByteArray("\xC0\xAF\xED\xA0\x80"));
    }

    void failuresSayWhy()
    {
        ScriptedPrompts script;
        script.expectMessage(QMessageBox::Ok);
        QDir(m_dir.path()).mkdir("folder");
        QString name = path("folder");
        QVERIFY(!SaveBinaryFile(QByteArrayView("x"), name, false));
        QCOMPARE(script.texts(),
                 QStringList{"ファイル\r\n" + name + "\r\nに保存できません\r\nIs a directory"});
    }
};

QTEST_MAIN(SafeSavesTest)
#include "safe_saves_test.moc"
