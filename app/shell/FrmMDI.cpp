#include "shell/FrmMDI.h"

#include "base/WaitCursor.h"
#include "shell/Form1.h"
#include "settings/FramePlacement.h"
#include "settings/Frm_Font.h"
#include "settings/Frm_Set.h"
#include "core/SettingsModel.h"
#include "shell/DataLink.h"
#include "shell/DocumentView.h"
#include "shell/Frm_Ver.h"
#include "shell/WindowLayout.h"
#include "base/BusyScope.h"
#include "shell/FileRoutines.h"
#include "base/UserPrompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QUrl>

#include <algorithm>

FrmMDI::FrmMDI(QWidget *parent)
    : QMainWindow(parent), m_area(new QMdiArea(this)), m_caret(new QLabel(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Vantrel"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/pelcor.png")));
    setAcceptDrops(true);
    setCentralWidget(m_area);
    resize(800, 600);
    buildFileMenu();
    buildEditMenu();
    buildDumpMenu();
    buildSettingsMenu();
    buildImageMenu();
    buildWindowMenu();
    buildMapCommands();
    statusBar()->addPermanentWidget(m_caret);
    connect(m_area, &QMdiArea::subWindowActivated, this, &FrmMDI::showCaret);
    m_Help = menuBar()->addAction(QStringLiteral("バージョン情報(&V)"));
    m_Help->setObjectName(QStringLiteral("m_Help"));
    connect(m_Help, &QAction::triggered, this, [this] {
        if (!isBusy())
            Frm_Ver::showModal(this);
    });
}

QAction *FrmMDI::command(QMenu *menu, const char *name, const QString &caption,
                         void (FrmMDI::*handler)(), const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    // Commands wait while a conversion, load or save runs its pump.
    connect(action, &QAction::triggered, this, [this, handler] {
        if (!isBusy())
            (this->*handler)();
    });
    return action;
}

void FrmMDI::buildFileMenu()
{
    m_File = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    m_File->setObjectName(QStringLiteral("m_File"));
    m_OpenFile = command(m_File, "m_OpenFile", QStringLiteral("開く(&O)"),
                         &FrmMDI::m_OpenFile_Click, QKeySequence(Qt::CTRL | Qt::Key_O));
    m_CloseFile = command(m_File, "m_CloseFile", QStringLiteral("閉じる(&C)"),
                          &FrmMDI::m_CloseFile_Click, QKeySequence(Qt::CTRL | Qt::Key_F4));
    m_File->addSeparator()->setObjectName(QStringLiteral("l0"));
    m_Save = command(m_File, "m_Save", QStringLiteral("上書き保存(&S)"), &FrmMDI::m_Save_Click,
                     QKeySequence(Qt::CTRL | Qt::Key_S));
    m_SaveAs = command(m_File, "m_SaveAs", QStringLiteral("名前を付けて保存(&A)"),
                       &FrmMDI::m_SaveAs_Click);
    m_File->addSeparator()->setObjectName(QStringLiteral("l1"));
    m_End = command(m_File, "m_End", QStringLiteral("終了(&X)"), &FrmMDI::m_End_Click);
    connect(m_File, &QMenu::aboutToShow, this, [this] {
        const bool any = Form1::DocumentCount() >= 1;
        for (QAction *item : {m_CloseFile, m_Save, m_SaveAs})
            item->setEnabled(any);
    });
}

void FrmMDI::buildDumpMenu()
{
    m_Asm = menuBar()->addMenu(QStringLiteral("ダンプ(&A)"));
    m_Asm->setObjectName(QStringLiteral("m_Asm"));
    m_HexToDmp = command(m_Asm, "m_HexToDmp", QStringLiteral("HEX  ->  ダンプ(&D)"),
                         &FrmMDI::m_HexToDmp_Click, QKeySequence(Qt::Key_F5));
    m_HexToBin = command(m_Asm, "m_HexToBin", QStringLiteral("HEX  ->  バイナリ(&B)"),
                         &FrmMDI::m_HexToBin_Click, QKeySequence(Qt::SHIFT | Qt::Key_F5));
    m_Asm->addSeparator()->setObjectName(QStringLiteral("l3"));
    m_BinToDmp = command(m_Asm, "m_BinToDmp", QStringLiteral("バイナリ  ->  ダンプ(&F)"),
                         &FrmMDI::m_BinToDmp_Click);
    m_BinToHEX = command(m_Asm, "m_BinToHEX", QStringLiteral("バイナリ  ->  HEX(&H)"),
                         &FrmMDI::m_BinToHEX_Click);
    connect(m_Asm, &QMenu::aboutToShow, this, [this] {
        const bool any = Form1::DocumentCount() >= 1;
        m_HexToDmp->setEnabled(any);
        m_HexToBin->setEnabled(any);
    });
}

void FrmMDI::buildSettingsMenu()
{
    m_Set = menuBar()->addMenu(QStringLiteral("設定(&S)"));
    m_Set->setObjectName(QStringLiteral("m_Set"));
    m_Setting = m_Set->addAction(QStringLiteral("ダンプ設定(&S)"));
    m_Setting->setObjectName(QStringLiteral("m_Setting"));
    m_Setting->setShortcut(QKeySequence(Qt::Key_F6));
    connect(m_Setting, &QAction::triggered, this, [this] {
        if (!isBusy())
            Frm_Set::showFor(this);
    });
    m_Set->addSeparator()->setObjectName(QStringLiteral("l5"));
    m_Font = m_Set->addAction(QStringLiteral("フォント設定(&F)"));
    m_Font->setObjectName(QStringLiteral("m_Font"));
    connect(m_Font, &QAction::triggered, this, [this] {
        if (!isBusy())
            Frm_Font::showFor(this);
    });
}

Form1 *FrmMDI::activeDocument() const
{
    return qobject_cast<Form1 *>(m_area->activeSubWindow());
}

Form1 *FrmMDI::openDocument(const QString &text, const QString &caption, bool clearModified,
                            std::optional<QByteArray> fileBytes)
{
    return placeDocument(DocumentText::fromText(text, std::move(fileBytes)), caption,
                         clearModified);
}

Form1 *FrmMDI::placeDocument(DocumentText text, const QString &caption, bool clearModified,
                             const std::function<bool()> &between)
{
    auto *window = new Form1;
    window->setMapShown(m_MemoryMap->isChecked());
    window->setDataShown(m_DataView->isChecked());
    window->startText(std::move(text));
    window->setWindowTitle(caption);
    if (clearModified)
        ClearModified(window);
    m_area->addSubWindow(window);
    window->resize(WindowLayout::newWindowSize(m_area->viewport()->size()));
    // The frame's Ctrl+F4 closes documents through the Close command; the
    // sub-window's own shortcut would bypass it.
    if (QMenu *menu = window->systemMenu()) {
        for (QAction *action : menu->actions()) {
            if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_F4))
                action->setShortcut(QKeySequence());
        }
    }
    connect(window, &Form1::addressesRead, this, [this, window] {
        if (activeDocument() == window)
            showCaret();
    });
    connect(window->Txt(), &DocumentView::caretMoved, this, [this, window] {
        if (activeDocument() == window)
            showCaret();
    });
    connect(window->dataLink(), &DataLink::dataCaretMoved, this, [this, window] {
        if (activeDocument() == window)
            showCaret();
    });
    window->show();
    // The area places a new window below and right of the last one, out of
    // the frame once there are a few.
    window->setGeometry(WindowLayout::keptInside(window->geometry(), m_area->viewport()->size()));
    m_area->setActiveSubWindow(window);
    if (!window->textPending())
        return window;
    // The rest of a large text, while the frame stays live; nothing may
    // close the window or start other work meanwhile.
    BusyScope busy;
    QPointer<Form1> guard(window);
    while (guard && guard->textPending()) {
        const bool goOn = between ? between() : (QCoreApplication::processEvents(), true);
        if (!goOn)
            break;
        if (guard)
            guard->placeMore();
    }
    if (guard && !guard->textPending())
        return window;
    delete guard;
    return nullptr;
}

void FrmMDI::openFileAsDocument(const QString &path)
{
    openFile(path, path + Form1::UnsavedMarker, true);
}

namespace {

// Two names for one file give one key: links resolved where the file
// exists, the absolute name where it does not.
QString sameFileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

Form1 *FrmMDI::documentOf(const QString &path) const
{
    const QString wanted = sameFileKey(path);
    for (QMdiSubWindow *window : m_area->subWindowList()) {
        auto *document = qobject_cast<Form1 *>(window);
        if (document && !document->diskPath().isEmpty()
            && sameFileKey(document->diskPath()) == wanted)
            return document;
    }
    return nullptr;
}

Form1 *FrmMDI::openFile(const QString &path, const QString &caption, bool clearModified)
{
    if (Form1 *open = documentOf(path)) {
        if (open->isMinimized())
            open->showNormal();
        m_area->setActiveSubWindow(open);
        statusBar()->showMessage(QStringLiteral("%1 は開いています").arg(path), 5000);
        return open;
    }
    // Taken before the read: a write that comes while it runs then counts
    // as a change.
    const std::optional<FileStamp> stamp = FileStamp::of(path);
    QByteArray bytes;
    if (!LoadTextBytes(path, bytes))
        return nullptr;
    Form1 *window = placeDocument(DocumentText::fromFile(std::move(bytes)), caption, clearModified);
    if (window)
        window->setFileOnDisk(path, stamp);
    return window;
}

void FrmMDI::m_OpenFile_Click()
{
    WaitCursor wait;
    const QString path = ChooseOpenFile(this, 0, QString());
    QCoreApplication::processEvents();
    if (!path.isEmpty())
        openFileAsDocument(path);
}

void FrmMDI::m_CloseFile_Click()
{
    if (Form1::DocumentCount() >= 1)
        if (QMdiSubWindow *window = m_area->activeSubWindow())
            window->close();
}

void FrmMDI::m_Save_Click()
{
    if (Form1 *window = activeDocument(); window && Form1::DocumentCount() >= 1)
        SaveDocument(window, false);
}

void FrmMDI::m_SaveAs_Click()
{
    if (Form1 *window = activeDocument(); window && Form1::DocumentCount() >= 1)
        SaveDocument(window, true);
}

void FrmMDI::m_End_Click()
{
    close();
}

void FrmMDI::dropFiles(const QStringList &paths)
{
    WaitCursor wait;
    BusyScope busy;
    for (const QString &path : paths) {
        QCoreApplication::processEvents();
        openFileAsDocument(path);
    }
}

void FrmMDI::closeEvent(QCloseEvent *event)
{
    if (isBusy()) {
        event->ignore();
        return;
    }
    // Every document is asked before any closes: one Cancel keeps them all.
    const QList<QMdiSubWindow *> windows = m_area->subWindowList();
    for (QMdiSubWindow *window : windows) {
        auto *document = qobject_cast<Form1 *>(window);
        if (document && !document->queryClose()) {
            for (QMdiSubWindow *asked : windows)
                if (auto *other = qobject_cast<Form1 *>(asked))
                    other->withdrawCloseApproval();
            event->ignore();
            return;
        }
    }
    for (QMdiSubWindow *window : windows)
        window->close();
    // The one moment the settings are written: a failure is told now or
    // never.
    SettingsModel &settings = SettingsModel::program();
    if (!FramePlacement::save(settings, *this)) {
        prompts().message(this, QMessageBox::Warning, QStringLiteral("Pelcor"),
                          QStringLiteral("設定ファイル\r\n") + settings.filePath()
                              + QStringLiteral("\r\nに保存できません\r\n変更した設定は失われます"),
                          QMessageBox::Ok);
    }
    event->accept();
}

void FrmMDI::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void FrmMDI::dropEvent(QDropEvent *event)
{
    if (isBusy())
        return;
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    event->acceptProposedAction();
    dropFiles(paths);
}
