#include "MapBench.h"

#include "convert/KestrunBinding.h"
#include "core/MemoryMap.h"
#include "shell/DataView.h"
#include "shell/DocumentView.h"
#include "shell/FileRoutines.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/MemoryMapPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

// The CPU time of this thread: what a busy machine's other work leaves out.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

long rssKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLong() * 4;
}

// When a document view first paints its text, and when the map panel last
// painted a map it had not painted before.
class PaintWatch : public QObject {
public:
    PaintWatch()
    {
        qApp->installEventFilter(this);
        m_clock.start();
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    double now() const { return m_clock.nsecsElapsed() / 1e9; }

    double textPainted = -1;
    double mapPainted = -1;
    quint64 mapGeneration = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        if (auto *panel = qobject_cast<MemoryMapPanel *>(watched)) {
            if (!panel->map().segments().empty() && panel->generation() != mapGeneration) {
                mapGeneration = panel->generation();
                mapPainted = now();
            }
        } else if (textPainted < 0 && qobject_cast<DocumentView *>(watched->parent())) {
            textPainted = now();
        }
        return false;
    }

private:
    QElapsedTimer m_clock;
};

bool waitFor(const std::function<bool()> &done, double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.nsecsElapsed() / 1e9 > seconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The longest wait, from moving the caret onto a data byte to the status
// bar naming its address, over lines from the top to the bottom.
double caretAddressDelay(FrmMDI &frame, Form1 *document)
{
    QLabel *caret = nullptr;
    for (QLabel *label : frame.statusBar()->findChildren<QLabel *>())
        if (label->text().contains(u'行'))
            caret = label;
    if (!caret)
        return -1;
    DocumentView *view = document->Txt();
    const int last = view->lineTotal() - 1;
    double longest = 0;
    for (int line : {2, last / 4, last / 2, last * 3 / 4, last - 1}) {
        view->goToLine(1);
        waitFor([&] { return !caret->text().contains(QStringLiteral("ｱﾄﾞﾚｽ")); }, 1);
        QElapsedTimer clock;
        clock.start();
        view->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                            static_cast<unsigned long>(view->SendScintilla(
                                QsciScintillaBase::SCI_POSITIONFROMLINE, line - 1) + 11));
        if (!waitFor([&] { return caret->text().contains(QStringLiteral("ｱﾄﾞﾚｽ")); }, 1))
            return -1;
        longest = std::max(longest, clock.nsecsElapsed() / 1e9);
    }
    return longest;
}


struct SampledRead {
    MemoryMap map;
    double seconds;
    long peakKiB; // above the RSS before it
};

// MemoryMap::read of `text`, the process's memory sampled meanwhile.
SampledRead sampledRead(QByteArrayView text, AddressIndex *addresses,
                        const MemoryMap::ReadLimits &limits = {})
{
    std::atomic<bool> reading{true};
    // Memory freed before is given back, so that the read's own shows.
    malloc_trim(0);
    const long base = rssKiB();
    std::atomic<long> peak = base;
    std::thread sampler([&] {
        while (reading) {
            peak = std::max(peak.load(), rssKiB());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QElapsedTimer clock;
    clock.start();
    MemoryMap map = MemoryMap::read(*KestrunBinding::imageCalls(), text, addresses, limits);
    const double seconds = clock.nsecsElapsed() / 1e9;
    reading = false;
    sampler.join();
    return {std::move(map), seconds, peak - base};
}

// The worst text for a map of the same size: one-byte records at every
// other address, each a segment of its own.
void scatteredMap()
{
    QByteArray text;
    text.reserve(41'000'000);
    char line[32];
    for (std::uint32_t at = 0; text.size() < 40'000'000; at += 2) {
        if ((at & 0xFFFF) == 0) {
            const unsigned high = at >> 16;
            std::snprintf(line, sizeof line, ":02000004%04X%02X\r\n", high,
                          unsigned(0x100 - ((6 + (high >> 8) + (high & 0xFF)) & 0xFF)) & 0xFF);
            text += line;
        }
        const unsigned low = at & 0xFFFF;
        const unsigned byte = (at >> 1) & 0xFF;
        std::snprintf(line, sizeof line, ":01%04X00%02X%02X\r\n", low, byte,
                      unsigned(0x100 - ((1 + (low >> 8) + (low & 0xFF) + byte) & 0xFF)) & 0xFF);
        text += line;
    }
    text += ":00000001FF\r\n";
    // Bounded as the map reads, and with every image and segment held at
    // once for comparison.
    const std::pair<const char *, MemoryMap::ReadLimits> ways[] = {
        {"bounded", {}}, {"held at once", {UINT64_MAX, SIZE_MAX}}};
    for (const auto &[name, limits] : ways) {
        const SampledRead sampled = sampledRead(text, nullptr, limits);
        std::printf("  scattered %.1f MB HEX of one-byte segments, %s: %zu segment(s) kept%s, "
                    "read %.3f s, map holds %.1f MiB, the read's peak +%ld MiB RSS\n",
                    text.size() / 1e6, name, sampled.map.segments().size(),
                    sampled.map.stop() ? " (stopped)" : "", sampled.seconds,
                    sampled.map.memoryBytes() / 1048576.0, sampled.peakKiB / 1024);
    }
}

} // namespace

void benchMemoryMap(FrmMDI &frame, const QString &folder, const std::vector<std::uint8_t> &image)
{
    const auto size = std::uint32_t(image.size());
    std::vector<char> hex(std::size_t(size) * 3 + 1024);
    std::uint32_t hexLength = 0, start = 0, end = 0;
    KestrunBinding::BinaryToHex(image.data(), hex.data(), size, std::uint32_t(hex.size()), 0x20,
                                &hexLength, &start, &end, 0xFF, 0x0A0D, 0, nullptr);
    const QString path = folder + QStringLiteral("/mapped.hex");
    writeFileAtomically(path, QByteArrayView(hex.data(), hexLength));
    hex = {};

    PaintWatch watch;
    frame.openFileAsDocument(path);
    Form1 *document = frame.activeDocument();
    if (!document || !waitFor([&] { return watch.mapPainted >= 0; }, 20)) {
        std::fprintf(stderr, "the map was not drawn\n");
        return;
    }
    const double afterFirstScreen = watch.mapPainted - watch.textPainted;

    // An edit that leaves the text as it was, then the pause.
    DocumentView *view = document->Txt();
    view->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
    const quint64 before = document->mapPanel()->generation();
    const double edited = watch.now();
    view->replaceSelection(QStringLiteral(" "));
    view->SendScintilla(QsciScintillaBase::SCI_DELETEBACK);
    if (!waitFor([&] { return watch.mapGeneration > before; }, 20)) {
        std::fprintf(stderr, "the map was not drawn again\n");
        return;
    }
    // The pause in typing the document waits for before it reads again.
    constexpr double kPause = 0.4;
    const double afterPause = watch.mapPainted - edited - kPause;

    // The read alone, its memory sampled meanwhile: the image it reads
    // into is let go at its end, the map and the addresses stay.
    AddressIndex addresses;
    const SampledRead sampled = sampledRead(view->textBytes(), &addresses);
    const MemoryMap &map = sampled.map;
    const double read = sampled.seconds;
    const long peakKiB = sampled.peakKiB;

    const double caret = caretAddressDelay(frame, document);
    std::printf("memory map %5.1f MB HEX, %zu segment(s): drawn %.3f s after the first screen, "
                "%.3f s after the pause once edited; its read %.3f s\n",
                hexLength / 1e6, map.segments().size(), afterFirstScreen, afterPause, read);
    std::printf("  map holds %zu bytes, the addresses %.1f MiB; the read's peak +%ld MiB RSS; "
                "caret's address shown within %.1f ms\n",
                map.memoryBytes(), addresses.memoryBytes() / 1048576.0,
                peakKiB / 1024, caret * 1e3);
    // Bytes typed over in the data view, in turn a quarter and three
    // quarters into the image, so that each is far from the edit before: from
    // the second digit of the last until both views have painted it.
    DataView *data = document->dataView();
    data->setFocus();
    auto key = [&](const char *text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(text));
        QApplication::sendEvent(data, &press);
    };
    // The best of 6 (the machine is shared), the worst, and the least CPU
    // time; with PELCOR_BENCH_TYPING set, 100 and nothing after, for a
    // profiler.
    double fastest = 1e9, slowest = 0, cpu = 1e9;
    for (int run = 0; run < (qEnvironmentVariableIsSet("PELCOR_BENCH_TYPING") ? 100 : 6); ++run) {
        data->setCaret(std::uint32_t(size / 4 * (run % 2 ? 3 : 1)));
        // Bytes the image does not hold there yet.
        const QByteArray digits = QByteArray::number(0x10000 + run * 0x1111, 16).right(4);
        for (int i = 0; i < 3; ++i)
            key(digits.mid(i, 1).constData());
        QElapsedTimer typed;
        typed.start();
        const double cpuBefore = threadSeconds();
        key(digits.mid(3, 1).constData());
        data->viewport()->repaint();
        view->repaint();
        cpu = std::min(cpu, threadSeconds() - cpuBefore);
        fastest = std::min(fastest, typed.nsecsElapsed() / 1e6);
        slowest = std::max(slowest, typed.nsecsElapsed() / 1e6);
    }
    std::printf("  a byte typed in the data view shown in both views in %.1f ms (slowest %.1f, "
                "CPU %.1f ms); RSS %ld MiB\n", fastest, slowest, cpu * 1e3, rssKiB() / 1024);
    if (qEnvironmentVariableIsSet("PELCOR_BENCH_TYPING"))
        std::exit(0);
    // A character typed in the middle of the text itself, told as the view
    // tells it, and with Scintilla's notices after each change, on which
    // the base class counts the characters of all the text before it.
    view->setFocus();
    const long mask = view->SendScintilla(QsciScintillaBase::SCI_GETMODEVENTMASK);
    for (const long notices : {mask, long(QsciScintillaBase::SC_MOD_INSERTTEXT
                                          | QsciScintillaBase::SC_MOD_DELETETEXT)}) {
        view->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK,
                            static_cast<unsigned long>(notices));
        view->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                            static_cast<unsigned long>(view->textBytes().size() / 2));
        QElapsedTimer keyed;
        keyed.start();
        const double cpuBefore = threadSeconds();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("A"));
        QApplication::sendEvent(view, &press);
        QApplication::processEvents();
        view->repaint();
        std::printf("  a character typed in the text shown in %.1f ms (CPU %.1f ms)%s\n",
                    keyed.nsecsElapsed() / 1e6, (threadSeconds() - cpuBefore) * 1e3,
                    notices == mask ? "" : " with the notices after each change");
    }
    view->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, static_cast<unsigned long>(mask));
    scatteredMap();
    ClearModified(document);
    document->close();
    QApplication::processEvents();
}
