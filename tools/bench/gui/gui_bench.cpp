// Times what a user waits for: the four conversions from their menu
// handlers (progress window, settings, documents, files), the library call
// they wrap with and without the progress callback, and a large text file
// opened, saved and closed.
//
//   pelcor_gui_bench [MiB]      (default 16)
#include "convert/Conversions.h"
#include "convert/form2.h"
#include "convert/kestrun.h"
#include "convert/progress.h"
#include "settings/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/busy_scope.h"
#include "shell/cp932.h"
#include "shell/file_routines.h"
#include "shell/user_prompts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

// Answers every dialog at once: the open and save dialogs with fixed paths.
class FixedAnswers final : public UserPrompts {
public:
    QString openPath;
    QString savePath;
    QMessageBox::StandardButton message(QWidget *, QMessageBox::Icon, const QString &,
                                        const QString &text, QMessageBox::StandardButtons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    }
    QString openFile(QWidget *, const QString &, const QStringList &, int) override
    {
        return openPath;
    }
    QString saveFile(QWidget *, const QString &, const QString &, const QStringList &,
                     int) override
    {
        return savePath;
    }
};

double seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e9;
}

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void report(const char *what, double alone, double withProgress, double driver)
{
    std::printf("%-14s library alone %7.3f s   with progress %7.3f s (%.2fx)   driver %7.3f s (%.2fx)\n",
                what, alone, withProgress, withProgress / alone, driver, driver / alone);
}

void closeAll(FrmMDI &frame)
{
    for (QMdiSubWindow *window : frame.mdiArea()->subWindowList()) {
        ClearModified(qobject_cast<Form1 *>(window));
        window->close();
    }
    QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int mib = argc > 1 ? std::atoi(argv[1]) : 16;
    QTemporaryDir dir;
    SettingsModel::program().setUp(dir.path());
    DumpSettings settings;
    settings.RecordLength = QStringLiteral("10");
    SettingsModel::program().setDumpSettings(settings);
    FixedAnswers answers;
    setPrompts(&answers);
    FrmMDI frame;
    setFrameWindow(&frame);
    frame.show();

    const std::uint32_t size = std::uint32_t(mib) << 20;
    std::vector<std::uint8_t> image(size);
    std::mt19937 random(7);
    for (auto &byte : image)
        byte = static_cast<std::uint8_t>(random());
    const QString binPath = dir.filePath(QStringLiteral("image.bin"));
    writeFileAtomically(binPath, QByteArrayView(image.data(), image.size()));

    // The HEX text, 16-byte records with CR LF, as the user's document.
    std::vector<char> hex(size_t(size) * 10);
    std::uint32_t hexLength = 0, start = 0, end = 0;
    kestrun::BinaryToHex(image.data(), hex.data(), size, std::uint32_t(hex.size()), 16, &hexLength,
                         &start, &end, 0xFF, 0x0A0D, 0, nullptr);
    const QString hexText = QString::fromLatin1(hex.data(), hexLength);
    std::printf("image %d MiB, HEX text %.1f MB\n", mib, hexLength / 1e6);

    auto libraryHexToBinary = [&](ProgressCallback progress, std::intptr_t user) {
        std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[size_t(hexLength) * 10 + 1]);
        std::uint32_t imageSize = 0, s = 0, e = 0;
        kestrun::HexToBinary(hex.data(), out.get(), std::int32_t(hexLength), hexLength * 10u,
                             &imageSize, &s, &e, 0xFF, user, progress);
    };
    auto libraryBinaryToHex = [&](ProgressCallback progress, std::intptr_t user) {
        std::unique_ptr<char[]> out(new char[size_t(size) * 10 + 1]);
        std::uint32_t written = 0, s = 0, e = 0;
        kestrun::BinaryToHex(image.data(), out.get(), size, size * 10u, 16, &written, &s, &e,
                             0xFF, 0x0A0D, user, progress);
    };
    auto libraryDump = [&](ProgressCallback progress, std::intptr_t user) {
        std::vector<std::uint8_t> data(image);
        std::unique_ptr<char[]> out(new char[size_t(size) * 10 + 1]);
        std::uint32_t written = 0, s = 0, e = 0;
        kestrun::DumpFormat(data.data(), out.get(), size, size * 10u, &written, &s, &e, 0xFF,
                            0x0A0D, 4, user, progress);
    };
    // The library call as a driver makes it: shared progress window shown.
    auto withProgress = [&](const std::function<void(ProgressCallback, std::intptr_t)> &call) {
        ContinueConversion = 1;
        Form2 &progress = loadProgressWindow();
        progress.showOwnedBy(&frame);
        const double t = seconds([&] { call(DrawProgress, progress.deviceContext()); });
        closeProgressWindow();
        return t;
    };

    Form1 *source = frame.openDocument(hexText, dir.filePath(QStringLiteral("image.hex")), true);
    answers.savePath = dir.filePath(QStringLiteral("out.bin"));
    report("HEX to binary", seconds([&] { libraryHexToBinary(nullptr, 0); }),
           withProgress(libraryHexToBinary), seconds([&] { ConvertHexToBinary(source); }));
    answers.openPath = binPath;
    report("binary to HEX", seconds([&] { libraryBinaryToHex(nullptr, 0); }),
           withProgress(libraryBinaryToHex), seconds([&] { ConvertBinaryToHex(); }));
    report("binary to dump", seconds([&] { libraryDump(nullptr, 0); }), withProgress(libraryDump),
           seconds([&] { ConvertBinaryToDump(); }));
    const double hexToDump = seconds([&] { ConvertHexToDump(source); });
    std::printf("%-14s driver %7.3f s\n", "HEX to dump", hexToDump);
    closeAll(frame);

    // A large text file: opened, shown, saved, closed.
    const QString textPath = dir.filePath(QStringLiteral("large.txt"));
    QByteArray large;
    while (large.size() < 50'000'000)
        large += "0123456789ABCDEF ｶﾀｶﾅ 漢字 line of a large text file\r\n";
    writeFileAtomically(textPath, encodeCp932(decodeCp932(large)));
    const long before = rssKiB();
    Form1 *document = nullptr;
    const double open = seconds([&] {
        frame.openFileAsDocument(textPath);
        document = frame.activeDocument();
        QApplication::processEvents();
        document->Txt()->verticalScrollBar()->setValue(document->Txt()->verticalScrollBar()->maximum() / 2);
        QApplication::processEvents();
    });
    answers.savePath = dir.filePath(QStringLiteral("saved.txt"));
    const double save = seconds([&] { SaveDocument(document, true); });
    const long open_rss = rssKiB();
    closeAll(frame);
    std::printf("50 MB text     open %.3f s   save %.3f s   RSS %ld MiB open, %ld MiB after close (%ld before)\n",
                open, save, open_rss / 1024, rssKiB() / 1024, before / 1024);
    setPrompts(nullptr);
    return 0;
}
