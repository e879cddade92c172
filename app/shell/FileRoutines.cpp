#include "shell/FileRoutines.h"

#include "base/AppState.h"

#include "convert/Form2.h"
#include "convert/Progress.h"
#include "core/Cp932.h"
#include "core/LargeBuffer.h"
#include "core/LocalPath.h"
#include "core/SafeFileWriter.h"
#include "base/BusyScope.h"
#include "base/UserPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <new>
#include <optional>

namespace {

// Files longer than this get a progress window while they are read.
constexpr qint64 largeFileSize = 0x7FFFF;

// The lengths handed to callers and to the library are 32-bit.
constexpr qint64 largestFileSize = std::numeric_limits<std::int32_t>::max();

void showError(const QString &text)
{
    prompts().message(frameWindow(), QMessageBox::Critical, QStringLiteral("Pelcor"), text,
                      QMessageBox::Ok);
}

// "ファイル", the path and `ending` on three lines.
QString aboutFile(const QString &path, const QString &ending)
{
    return QStringLiteral("ファイル\r\n") + path + QStringLiteral("\r\n") + ending;
}

// The progress window of a load or a save: a status text, no bar, and no
// cancelling. It lives as long as this object.
class StatusWindow {
public:
    StatusWindow(const QString &text, QPoint at) : m_window(new Form2)
    {
        m_window->clearPicture();
        m_window->lock();
        m_window->drawStatus(text, at);
        m_window->showOwnedBy(frameWindow());
        m_window->restoreColour();
        pumpEvents();
    }
    ~StatusWindow() { delete m_window; }
    StatusWindow(const StatusWindow &) = delete;
    StatusWindow &operator=(const StatusWindow &) = delete;

private:
    // Guarded: the owner may take the window with it.
    QPointer<Form2> m_window;
};

enum class ReadResult { Read, NotFound, Failed };

// Reads the whole of `path` into `bytes` with `spare` zero bytes after the
// content; shows `status` while a large file is read. The caller keeps the
// window until it has turned the bytes into what it needs.
ReadResult readWholeFile(const QString &path, qsizetype spare, QByteArray &bytes,
                         std::optional<StatusWindow> &status)
{
    // By the name's own bytes, which need not be UTF-8.
    const QByteArray local = LocalPath::encode(path);
    struct stat info {};
    if (::stat(local.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::NotFound : ReadResult::Failed;
    // Devices and pipes report no size and may never end.
    QFile file;
    if (!S_ISREG(info.st_mode) || !LocalPath::openForReading(file, path))
        return ReadResult::Failed;
    const qint64 size = file.size();
    if (size > largestFileSize)
        return ReadResult::Failed;
    if (size > largeFileSize)
        status.emplace(QStringLiteral("ﾌｧｲﾙ大きいッｽね"), QPoint(40, 5));
    QByteArray content(size + spare, Qt::Uninitialized);
    adviseHugePages(content.data(), content.size());
    const qint64 read = file.read(content.data(), size);
    if (read < 0)
        return ReadResult::Failed;
    content.truncate(read + spare);
    std::fill_n(content.data() + read, spare, '\0');
    bytes = std::move(content);
    return ReadResult::Read;
}

// Runs `load`, turning a failed allocation into a message: a file can be
// larger than the memory left.
template <typename Load> bool guardedLoad(const QString &path, Load load)
{
    try {
        return load();
    } catch (const std::bad_alloc &) {
        showError(aboutFile(path, QStringLiteral("を読み込むメモリが足りません")));
        return false;
    }
}

void reportReadFailure(const QString &path)
{
    showError(aboutFile(path, QStringLiteral("を読み込めません")));
}

int dialogFilter(int filterIndex)
{
    return (filterIndex >= 1 && filterIndex <= FileFilter().size()) ? filterIndex - 1 : 0;
}

} // namespace

void setFrameWindow(QWidget *frame)
{
    appState().frame = frame;
}

QWidget *frameWindow()
{
    return appState().frame;
}

const QStringList &FileFilter()
{
    static const QStringList filters = {
        QStringLiteral("ｲﾝﾃﾙﾍｷｻﾌｧｲﾙ(*.hex)"),
        QStringLiteral("Sﾚｺｰﾄﾞﾌｧｲﾙ(*.s19 *.s28 *.s37 *.srec *.mot)"),
        QStringLiteral("ﾊﾞｲﾅﾘﾌｧｲﾙ(*.bin)"),
        QStringLiteral("ﾀﾞﾝﾌﾟﾌｧｲﾙ(*.dmp)"),
        QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"),
        QStringLiteral("全てのﾌｧｲﾙ(*.*)"),
    };
    return filters;
}

int FilterIndexFor(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    for (int kind = HexFiles; kind < AllFiles; ++kind) {
        const QString &filter = FileFilter().at(kind - 1);
        const qsizetype open = filter.indexOf(u'(');
        // The patterns between the parentheses, which QDir matches as a
        // dialog does: any of them, whatever the case.
        if (QDir::match(filter.mid(open + 1, filter.size() - open - 2), name))
            return kind;
    }
    return 0;
}

QString TrimAtNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString ChooseOpenFile(QWidget *owner, int filterIndex, const QString &title)
{
    return TrimAtNul(prompts().openFile(owner, title, FileFilter(), dialogFilter(filterIndex)));
}

bool ChooseSaveFile(QWidget *owner, QString &path, int filterIndex, const QString &title)
{
    const QString chosen = TrimAtNul(
        prompts().saveFile(owner, title, TrimAtNul(path), FileFilter(), dialogFilter(filterIndex)));
    if (chosen.isEmpty())
        return false;
    path = chosen;
    return true;
}

namespace {

// The whole file and `spare` zero bytes after it, the user told why when it
// cannot be had: `notFound` when it does not exist, a read failure otherwise.
// A large file's status window stays in `status` until the caller is done.
bool loadWholeFile(const QString &path, qsizetype spare, const QString &notFound, QByteArray &bytes,
                   std::optional<StatusWindow> &status)
{
    switch (readWholeFile(path, spare, bytes, status)) {
    case ReadResult::NotFound:
        showError(notFound);
        return false;
    case ReadResult::Failed:
        status.reset();
        reportReadFailure(path);
        return false;
    case ReadResult::Read:
        break;
    }
    return true;
}

} // namespace

bool LoadTextBytes(const QString &path, QByteArray &bytes)
{
    BusyScope busy;
    return guardedLoad(path, [&] {
        QByteArray content;
        std::optional<StatusWindow> status;
        if (!loadWholeFile(path, 0, aboutFile(path, QStringLiteral("が見つかりません")), content,
                           status))
            return false;
        bytes = std::move(content);
        return true;
    });
}

bool LoadTextFile(const QString &path, QString &text, std::int32_t &length, QByteArray *read)
{
    BusyScope busy;
    return guardedLoad(path, [&] {
        QByteArray bytes;
        std::optional<StatusWindow> status;
        if (!loadWholeFile(path, 0, aboutFile(path, QStringLiteral("が見つかりません")), bytes,
                           status))
            return false;
        text = decodeCp932(bytes);
        length = static_cast<std::int32_t>(bytes.size());
        if (read)
            *read = std::move(bytes);
        return true;
    });
}

bool LoadBinaryFile(const QString &path, QByteArray &bytes, std::int32_t &length)
{
    BusyScope busy;
    return guardedLoad(path, [&] {
        QByteArray content;
        std::optional<StatusWindow> status;
        if (!loadWholeFile(path, 1, QStringLiteral("ファイルが見つかりません"), content, status))
            return false;
        length = static_cast<std::int32_t>(content.size() - 1);
        bytes = std::move(content);
        return true;
    });
}

bool SaveBinaryFile(QByteArrayView bytes, QString &path, bool ask)
{
    if (ask && !ChooseSaveFile(frameWindow(), path, BinaryFiles))
        return false;
    return saveFileWithProgress(path, bytes);
}

bool saveFileWithProgress(const QString &path, QByteArrayView bytes)
{
    BusyScope busy;
    bool written = false;
    QString reason;
    {
        StatusWindow status(QStringLiteral("保存してますよ"), QPoint(50, 0));
        written = writeFileAtomically(path, bytes, &reason);
    }
    if (!written)
        showError(aboutFile(path, QStringLiteral("に保存できません\r\n") + reason));
    return written;
}

bool writeFileAtomically(const QString &path, QByteArrayView bytes, QString *error)
{
    return SafeFileWriter::writeWhole(path, bytes, error);
}
