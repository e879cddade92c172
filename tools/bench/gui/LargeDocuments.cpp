#include "LargeDocuments.h"

#include "convert/Conversions.h"
#include "convert/KestrunBinding.h"
#include "shell/DocumentView.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "core/Cp932.h"
#include "shell/FileRoutines.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

long rssNow()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong() / 1024;
    return -1;
}

// Resident memory in MiB as the system sees it, and what remains once the
// allocator has handed back the free pages it keeps for reuse: the second
// is what the windows themselves hold.
struct Memory {
    long seen = 0;
    long held = 0;
};

Memory rssMiB()
{
    Memory m;
    m.seen = rssNow();
    malloc_trim(0);
    m.held = rssNow();
    return m;
}

// Watches one command as the user sees it: when the first document window
// that was not there before paints its text, and the longest stretch in
// which the frame handled no events at all (a timer asks every 5 ms).
class Watch : public QObject {
public:
    Watch()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
        qApp->installEventFilter(this);
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    ~Watch() override { qApp->removeEventFilter(this); }
    double seconds() const { return m_clock.nsecsElapsed() / 1e9; }
    double firstScreen() const { return m_firstScreen; }
    double longestFreeze()
    {
        tick();
        return m_longest;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_firstScreen < 0) {
            auto *view = qobject_cast<DocumentView *>(watched->parent());
            if (view && view->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) > 0
                && !m_before.contains(view))
                m_firstScreen = seconds();
        }
        return false;
    }

public:
    QList<QObject *> m_before;

private:
    void tick()
    {
        const double now = seconds();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QElapsedTimer m_clock;
    QTimer m_timer;
    double m_firstScreen = -1;
    double m_last = 0;
    double m_longest = 0;
};

struct Figures {
    double firstScreen = 0;
    double whole = 0;
    double freeze = 0;
    double find = 0;
    Memory before;
    Memory open;
    Memory after;
};

// Closes every document window without questions and lets the memory go.
void closeAll(FrmMDI &frame)
{
    for (QMdiSubWindow *window : frame.mdiArea()->subWindowList()) {
        if (auto *document = qobject_cast<Form1 *>(window))
            ClearModified(document);
        window->close();
    }
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

QList<QObject *> viewsOf(FrmMDI &frame)
{
    QList<QObject *> views;
    for (DocumentView *view : frame.findChildren<DocumentView *>())
        views.append(view);
    return views;
}

// Usable: from the top, the find command reaches the last line, which then
// shows; returns the seconds that takes.
double findTheLastLine(DocumentView *view)
{
    const QByteArrayView text = view->textBytes();
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    const qsizetype start = text.first(end).lastIndexOf('\n') + 1;
    const QString needle =
        QString::fromLatin1(text.sliced(start, std::min<qsizetype>(end - start, 24)));
    view->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
    QApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    const bool found = view->findNext(needle);
    QApplication::processEvents();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (!found || view->caretLine() < view->lineTotal() - 1)
        std::fprintf(stderr, "find did not reach the last line\n");
    return seconds;
}

// Runs `command`, which opens one document window, and measures it.
Figures measure(FrmMDI &frame, const std::function<void()> &command)
{
    Figures f;
    closeAll(frame);
    f.before = rssMiB();
    {
        Watch watch;
        watch.m_before = viewsOf(frame);
        command();
        QApplication::processEvents();
        f.whole = watch.seconds();
        f.firstScreen = watch.firstScreen();
        f.freeze = watch.longestFreeze();
    }
    if (Form1 *document = frame.activeDocument())
        f.find = findTheLastLine(document->Txt());
    f.open = rssMiB();
    closeAll(frame);
    f.after = rssMiB();
    return f;
}

// The same text in QPlainTextEdit in a window of the frame, as Pelcor set
// it before: line ends made LF, then the whole text at once.
Figures measurePlain(FrmMDI &frame, const QString &text)
{
    Figures f;
    closeAll(frame);
    f.before = rssMiB();
    QElapsedTimer clock;
    clock.start();
    auto *window = new QMdiSubWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto *edit = new QPlainTextEdit;
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    window->setWidget(edit);
    edit->document()->setUndoRedoEnabled(false);
    edit->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    edit->document()->setUndoRedoEnabled(true);
    frame.mdiArea()->addSubWindow(window);
    window->show();
    QApplication::processEvents();
    f.whole = f.firstScreen = f.freeze = clock.nsecsElapsed() / 1e9;
    edit->moveCursor(QTextCursor::End);
    QApplication::processEvents();
    f.open = rssMiB();
    window->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    f.after = rssMiB();
    return f;
}

void print(const char *what, double megabytes, const Figures &view, const Figures &plain)
{
    std::printf(
        "%-9s %5.1f MB  first screen %6.3f s  whole %6.3f s (%.2fx of QPlainTextEdit's %6.3f s)"
        "  longest freeze %5.3f s  find the last line %5.3f s\n",
        what, megabytes, view.firstScreen, view.whole, view.whole / plain.whole, plain.whole,
        view.freeze, view.find);
    const auto times = [&](long mib) { return mib * 1048576.0 / (megabytes * 1e6); };
    for (const auto &[name, f] : {std::pair{"view", view}, std::pair{"QPlainTextEdit", plain}}) {
        std::printf("  %-14s RSS MiB before %4ld, open %4ld (+%ld), after close %4ld;"
                    "  held +%ld open (%.2fx the text), +%ld after close\n",
                    name, f.before.seen, f.open.seen, f.open.seen - f.before.seen, f.after.seen,
                    f.open.held - f.before.held, times(f.open.held - f.before.held),
                    f.after.held - f.before.held);
    }
}

} // namespace

void benchLargeDocuments(FrmMDI &frame, const QString &folder,
                         const std::vector<std::uint8_t> &image)
{
    const auto size = std::uint32_t(image.size());
    std::vector<char> hex(std::size_t(size) * 3 + 1024);
    std::uint32_t hexLength = 0, start = 0, end = 0;
    KestrunBinding::BinaryToHex(image.data(), hex.data(), size, std::uint32_t(hex.size()), 0x20,
                                &hexLength, &start, &end, 0xFF, 0x0A0D, 0, nullptr);
    const QString hexPath = folder + QStringLiteral("/opened.hex");
    writeFileAtomically(hexPath, QByteArrayView(hex.data(), hexLength));
    hex = {};
    const double hexMB = hexLength / 1e6;

    const Figures openView = measure(frame, [&] { frame.openFileAsDocument(hexPath); });
    QByteArray bytes;
    LoadTextBytes(hexPath, bytes);
    const Figures openPlain = measurePlain(frame, decodeCp932(bytes));
    bytes = {};
    print("open HEX", hexMB, openView, openPlain);

    // F5 on the opened HEX file: the dump report in a new window.
    frame.openFileAsDocument(hexPath);
    Form1 *source = frame.activeDocument();
    Figures dumpView;
    {
        Watch watch;
        watch.m_before = viewsOf(frame);
        const Memory before = rssMiB();
        frame.convertHexToDump(source);
        QApplication::processEvents();
        dumpView.whole = watch.seconds();
        dumpView.firstScreen = watch.firstScreen();
        dumpView.freeze = watch.longestFreeze();
        dumpView.before = before;
    }
    Form1 *dump = frame.activeDocument();
    dumpView.find = findTheLastLine(dump->Txt());
    dumpView.open = rssMiB();
    const double dumpMB = dump->Txt()->textBytes().size() / 1e6;
    // The peer gets the same text, kept on disk meanwhile.
    const QString dumpPath = folder + QStringLiteral("/shown-dump.txt");
    writeFileAtomically(dumpPath, dump->documentBytes());
    ClearModified(dump);
    dump->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dumpView.after = rssMiB();
    closeAll(frame);
    LoadTextBytes(dumpPath, bytes);
    const Figures dumpPlain = measurePlain(frame, decodeCp932(bytes));
    bytes = {};
    print("F5 dump", dumpMB, dumpView, dumpPlain);
}
