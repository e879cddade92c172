// The frame's memory map commands: the caret to the next or previous
// segment in address order, and the map panel and the data view shown or
// hidden in every document window.
#include "shell/FrmMDI.h"

#include "shell/DocumentView.h"
#include "shell/Form1.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <algorithm>

void FrmMDI::buildMapCommands()
{
    // Alt with the page keys: desktops take Ctrl+Alt with the arrows (and
    // Super with the page keys) to switch workspaces, and the editor binds
    // the page keys only alone, with Shift, or with Alt+Shift.
    m_Edit->addSeparator()->setObjectName(QStringLiteral("l9"));
    m_NextSegment = command(m_Edit, "m_NextSegment", QStringLiteral("次のｾｸﾞﾒﾝﾄ(&X)"),
                            &FrmMDI::m_NextSegment_Click,
                            QKeySequence(Qt::ALT | Qt::Key_PageDown));
    m_PrevSegment = command(m_Edit, "m_PrevSegment", QStringLiteral("前のｾｸﾞﾒﾝﾄ(&R)"),
                            &FrmMDI::m_PrevSegment_Click,
                            QKeySequence(Qt::ALT | Qt::Key_PageUp));
    connect(m_Edit, &QMenu::aboutToShow, this, [this] {
        const Form1 *active = activeDocument();
        const bool any = active && !active->memoryMap().segments().empty();
        m_NextSegment->setEnabled(any);
        m_PrevSegment->setEnabled(any);
    });
    m_Window->addSeparator()->setObjectName(QStringLiteral("l10"));
    m_MemoryMap = m_Window->addAction(QStringLiteral("ﾒﾓﾘﾏｯﾌﾟ(&M)"));
    m_MemoryMap->setObjectName(QStringLiteral("m_MemoryMap"));
    m_MemoryMap->setCheckable(true);
    m_MemoryMap->setChecked(true);
    connect(m_MemoryMap, &QAction::toggled, this, [this](bool shown) {
        for (QMdiSubWindow *window : m_area->subWindowList())
            if (auto *document = qobject_cast<Form1 *>(window))
                document->setMapShown(shown);
    });
    m_DataView = m_Window->addAction(QStringLiteral("ﾃﾞｰﾀ表示(&D)"));
    m_DataView->setObjectName(QStringLiteral("m_DataView"));
    m_DataView->setCheckable(true);
    m_DataView->setChecked(true);
    connect(m_DataView, &QAction::toggled, this, [this](bool shown) {
        for (QMdiSubWindow *window : m_area->subWindowList())
            if (auto *document = qobject_cast<Form1 *>(window))
                document->setDataShown(shown);
    });
}

void FrmMDI::m_NextSegment_Click()
{
    goToNeighbourSegment(true);
}

void FrmMDI::m_PrevSegment_Click()
{
    goToNeighbourSegment(false);
}

void FrmMDI::goToNeighbourSegment(bool next)
{
    Form1 *window = activeDocument();
    if (!window)
        return;
    const MemoryMap &map = window->memoryMap();
    // Off a data byte the caret stands where the last record above it
    // ends; above every record, before the first segment.
    std::optional<std::uint32_t> here = window->caretAddress();
    if (!here) {
        const auto line = std::uint64_t(window->Txt()->caretLine());
        if (const auto above = window->addresses().atOrAbove(line))
            here = above->address;
    }
    std::optional<std::size_t> segment;
    if (here)
        segment = next ? map.nextSegment(*here) : map.previousSegment(*here);
    else if (next && !map.segments().empty())
        segment = 0;
    if (segment)
        window->goToSegment(*segment);
}
