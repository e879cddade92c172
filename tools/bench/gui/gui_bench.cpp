// Times what a user waits for: the four conversions from their menu
// handlers (progress window, settings, documents, files), the library call
// they wrap with and without the progress callback, and a large text file
// opened, saved and closed.
//
//   pelcor_gui_bench [MiB [callback|hex2bin|bin2hex|dump|text|large|map]]   (default 16, all)
#include "base/AppState.h"
#include "core/ConversionEngine.h"
#include "convert/Conversions.h"
#include "core/LargeBuffer.h"
#include "convert/Form2.h"
#include "convert/KestrunBinding.h"
#include "convert/Progress.h"
#include "core/SettingsModel.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/AllocatorTuning.h"
#include "base/BusyScope.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"
#include "base/UserPrompts.h"

#include "LargeDocuments.h"
#include "MapBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
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
    QString saveFile(QWidget *, const QString &, const QString &, const QStringList &, int) override
    {
        return savePath;
    }
    std::optional<QString> askText(QWidget *, const QString &, const QString &,
                                   const QString &) override
    {
        return std::nullopt;
    }
    std::optional<int> askNumber(QWidget *, const QString &, const QString &, int, int,
                                 int) override
    {
        return std::nullopt;
    }
    std::optional<FormAnswers> askForm(QWidget *, const QString &, const QList<FormField> &) override
    {
        return std::nullopt;
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
    std::printf(
        "%-14s library alone %7.3f s   with progress %7.3f s (%.2fx)   driver %7.3f s (%.2fx)\n",
        what, alone, withProgress, withProgress / alone, driver, driver / alone);
}

// The best of `runs` timings of `work`.
double best(int runs, const std::function<void()> &work)
{
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i)
        fastest = std::min(fastest, seconds(work));
    return fastest;
}

// Where the HEX-to-binary driver's time goes: its steps one by one, in its
// order, each the best of a few runs.
void hexToBinarySteps(Form1 *source, const QString &savePath)
{
    const LibraryCalls calls{KestrunBinding::CheckSum, KestrunBinding::HexToBinary,
                             KestrunBinding::BinaryToHex, KestrunBinding::DumpFormat,
                             KestrunBinding::imageCalls};
    const ConversionSettings settings =
        readConversionSettings(SettingsModel::program().dumpSettings());
    const int runs = 3;
    const double window = best(runs, [] {
        Form2 &progress = loadProgressWindow();
        progress.drawStatus(QStringLiteral("初期化してるよ"), QPoint(40, 5));
        progress.refreshPicture();
        progress.showOwnedBy(nullptr);
        pumpEvents();
        closeProgressWindow();
    });
    QByteArray bytes;
    const double documentBytes = best(runs, [&] { bytes = source->documentBytes(); });
    Form2 &progress = loadProgressWindow();
    progress.showOwnedBy(nullptr);
    std::unique_ptr<ConversionEngine> engine;
    const double library = best(runs, [&] {
        engine = std::make_unique<ConversionEngine>(calls, settings);
        engine->setProgress(DrawProgress, progress.deviceContext());
        engine->hexToBinary(bytes);
    });
    closeProgressWindow();
    const double save = best(runs, [&] { saveFileWithProgress(savePath, engine->output()); });
    std::printf("  HEX to binary steps: progress window %.3f s, document bytes %.3f s, "
                "engine %.3f s, saving %.3f s\n",
                window, documentBytes, library, save);
}

// Where the binary-to-HEX driver's time goes: the steps that come before
// and after its library call, which opens the result in a document window.
void binaryToHexSteps(FrmMDI &frame, const QString &binPath)
{
    QByteArray data;
    std::int32_t length = 0;
    const double load = best(3, [&] { LoadBinaryFile(binPath, data, length); });
    data.truncate(length);
    const ConversionSettings settings =
        readConversionSettings(SettingsModel::program().dumpSettings());
    ConversionEngine engine({KestrunBinding::CheckSum, KestrunBinding::HexToBinary,
                             KestrunBinding::BinaryToHex, KestrunBinding::DumpFormat},
                            settings);
    engine.binaryToHex(data);
    QString text;
    const double widen = best(3, [&] { text = decodeCp932(engine.output()); });
    Form1 *result = nullptr;
    const double open = seconds([&] {
        result = frame.openDocument(text, binPath + QStringLiteral(".hex"), false);
        QApplication::processEvents();
    });
    ClearModified(result);
    result->close();
    std::printf("  binary to HEX steps: loading %.3f s, result text %.3f s, result window %.3f s\n",
                load, widen, open);
}

// Closes every document window but `keep`.
void closeAll(FrmMDI &frame, Form1 *keep = nullptr)
{
    for (QMdiSubWindow *window : frame.mdiArea()->subWindowList()) {
        if (window == keep)
            continue;
        ClearModified(qobject_cast<Form1 *>(window));
        window->close();
    }
    QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    // With the allocator the program runs with.
    restartWithHugePages(argv);
    QApplication app(argc, argv);
    const int mib = argc > 1 ? std::atoi(argv[1]) : 16;
    // One of callback, hex2bin, bin2hex, dump, text; all when not given.
    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();
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
    KestrunBinding::BinaryToHex(image.data(), hex.data(), size, std::uint32_t(hex.size()), 16,
                                &hexLength, &start, &end, 0xFF, 0x0A0D, 0, nullptr);
    const QString hexPath = dir.filePath(QStringLiteral("image.hex"));
    writeFileAtomically(hexPath, QByteArrayView(hex.data(), hexLength));
    std::printf("image %d MiB, HEX text %.1f MB\n", mib, hexLength / 1e6);

    auto libraryHexToBinary = [&](ProgressCallback progress, std::intptr_t user) {
        LargeBuffer out(size_t(hexLength) * 10 + 1);
        std::uint32_t imageSize = 0, s = 0, e = 0;
        KestrunBinding::HexToBinary(hex.data(), out.data(), std::int32_t(hexLength),
                                    hexLength * 10u, &imageSize, &s, &e, 0xFF, user, progress);
    };
    auto libraryBinaryToHex = [&](ProgressCallback progress, std::intptr_t user) {
        LargeBuffer out(size_t(size) * 10 + 1);
        std::uint32_t written = 0, s = 0, e = 0;
        KestrunBinding::BinaryToHex(image.data(), out.chars(), size, size * 10u, 16, &written, &s,
                                    &e, 0xFF, 0x0A0D, user, progress);
    };
    // The dump masks unprintable bytes in its input; masking them again
    // costs the same, so one copy serves every run.
    std::vector<std::uint8_t> dumpData(image);
    auto libraryDump = [&](ProgressCallback progress, std::intptr_t user) {
        LargeBuffer out(size_t(size) * 10 + 1);
        std::uint32_t written = 0, s = 0, e = 0;
        KestrunBinding::DumpFormat(dumpData.data(), out.chars(), size, size * 10u, &written, &s, &e,
                                   0xFF, 0x0A0D, 4, user, progress);
    };
    // HEX to dump: the image from the HEX text, then its dump.
    auto libraryHexToDump = [&](ProgressCallback progress, std::intptr_t user) {
        LargeBuffer dumped(size_t(hexLength) * 10 + 1);
        std::uint32_t imageSize = 0, s = 0, e = 0;
        KestrunBinding::HexToBinary(hex.data(), dumped.data(), std::int32_t(hexLength),
                                    hexLength * 10u, &imageSize, &s, &e, 0xFF, user, progress);
        LargeBuffer out(size_t(imageSize) * 10 + 1);
        std::uint32_t written = 0, first = 0, last = imageSize - 1;
        KestrunBinding::DumpFormat(dumped.data(), out.chars(), imageSize, imageSize * 10u, &written,
                                   &first, &last, 0xFF, 0x0A0D, 4, user, progress);
    };
    // The library call as a driver makes it: shared progress window shown.
    auto withProgress = [&](const std::function<void(ProgressCallback, std::intptr_t)> &call) {
        appState().continueConversion = 1;
        Form2 &progress = loadProgressWindow();
        progress.showOwnedBy(&frame);
        const double t = seconds([&] { call(DrawProgress, progress.deviceContext()); });
        closeProgressWindow();
        return t;
    };

    frame.openFileAsDocument(hexPath);
    Form1 *source = frame.activeDocument();
    answers.savePath = dir.filePath(QStringLiteral("out.bin"));
    // The library call alone and with the progress window, the best of
    // five runs each, taken in turns after one of each to warm up, so that
    // a machine that speeds up or slows down meanwhile favours neither.
    // The drivers that open a large result window, which take seconds, run
    // once.
    struct Pair {
        double alone = 1e9;
        double withProgress = 1e9;
    };
    const auto pair = [&](const std::function<void(ProgressCallback, std::intptr_t)> &call) {
        Pair fastest;
        for (int i = 0; i < 6; ++i) {
            const double alone = seconds([&] { call(nullptr, 0); });
            const double progress = withProgress(call);
            if (i > 0) {
                fastest.alone = std::min(fastest.alone, alone);
                fastest.withProgress = std::min(fastest.withProgress, progress);
            }
        }
        return fastest;
    };
    if (only.isEmpty() || only == "callback") {
        // What one report costs DrawProgress when it changes nothing on the
        // screen, called as the library calls it, and what the 185 reports
        // that each draw a new width cost together.
        Form2 &progress = loadProgressWindow();
        progress.showOwnedBy(&frame);
        pumpEvents();
        volatile ProgressCallback callback = DrawProgress;
        const std::intptr_t context = progress.deviceContext();
        const std::int32_t reports = 20'000'000;
        const double quiet = best(3, [&] {
            for (std::int32_t done = 0; done < reports; ++done)
                callback(done, INT32_MAX, context);
        });
        closeProgressWindow();
        Form2 &fresh = loadProgressWindow();
        fresh.showOwnedBy(&frame);
        pumpEvents();
        const double widths = seconds([&] {
            for (std::int32_t done = 0; done <= 185; ++done)
                callback(done, 185, fresh.deviceContext());
        });
        closeProgressWindow();
        std::printf(
            "DrawProgress   %.2f ns a report that changes nothing, %.3f ms for 185 widths\n",
            quiet / reports * 1e9, widths * 1e3);
    }
    const auto wanted = [&](const char *name) { return only.isEmpty() || only == name; };
    if (wanted("hex2bin")) {
        const Pair library = pair(libraryHexToBinary);
        const double alone = library.alone;
        report("HEX to binary", alone, library.withProgress,
               best(5, [&] { frame.convertHexToBinary(source); }));
        hexToBinarySteps(source, answers.savePath);
        // An edited document's text comes from the editor, not as loaded.
        source->Txt()->replaceSelection(QStringLiteral(" "));
        source->Txt()->SendScintilla(QsciScintillaBase::SCI_DELETEBACK);
        const double edited = best(5, [&] { frame.convertHexToBinary(source); });
        const double editedBytes = best(5, [&] { source->documentBytes(); });
        std::printf("  driver on the document once edited %.3f s (%.2fx), its bytes %.3f s\n",
                    edited, edited / alone, editedBytes);
    }
    answers.openPath = binPath;
    if (wanted("bin2hex")) {
        const Pair library = pair(libraryBinaryToHex);
        report("binary to HEX", library.alone, library.withProgress,
               seconds([&] { frame.convertBinaryToHex(); }));
        closeAll(frame, source);
        binaryToHexSteps(frame, binPath);
    }
    if (wanted("dump")) {
        const Pair dump = pair(libraryDump);
        report("binary to dump", dump.alone, dump.withProgress,
               seconds([&] { frame.convertBinaryToDump(); }));
        closeAll(frame, source);
        const Pair hexDump = pair(libraryHexToDump);
        report("HEX to dump", hexDump.alone, hexDump.withProgress,
               seconds([&] { frame.convertHexToDump(source); }));
    }
    closeAll(frame);
    if (wanted("large"))
        benchLargeDocuments(frame, dir.path(), image);
    if (wanted("map"))
        benchMemoryMap(frame, dir.path(), image);
    if (!wanted("text"))
        return 0;

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
        document->Txt()->verticalScrollBar()->setValue(
            document->Txt()->verticalScrollBar()->maximum() / 2);
        QApplication::processEvents();
    });
    answers.savePath = dir.filePath(QStringLiteral("saved.txt"));
    const double save = seconds([&] { SaveDocument(document, true); });
    const long open_rss = rssKiB();
    closeAll(frame);
    std::printf("50 MB text     open %.3f s   save %.3f s   RSS %ld MiB open, %ld MiB after close "
                "(%ld before)\n",
                open, save, open_rss / 1024, rssKiB() / 1024, before / 1024);
    setPrompts(nullptr);
    return 0;
}
