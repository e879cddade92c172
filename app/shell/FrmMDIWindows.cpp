// The frame's Window menu: cascading and tiling the documents, lining up
// their icons, and the list of open windows.
#include "shell/FrmMDI.h"

#include "base/BusyScope.h"
#include "shell/Form1.h"
#include "shell/WindowLayout.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStyle>

#include <algorithm>

void FrmMDI::buildWindowMenu()
{
    m_Window = menuBar()->addMenu(QStringLiteral("ウィンドウ(&W)"));
    m_Window->setObjectName(QStringLiteral("m_Window"));
    const QString captions[] = {
        QStringLiteral("重ねて表示(&C)"), QStringLiteral("上下に並べて表示(&H)"),
        QStringLiteral("左右に並べて表示(&V)"), QStringLiteral("アイコンの整列(&A)")};
    for (int i = 0; i < 4; ++i) {
        m_Wnd[i] = m_Window->addAction(captions[i]);
        m_Wnd[i]->setObjectName(QStringLiteral("m_Wnd%1").arg(i));
        connect(m_Wnd[i], &QAction::triggered, this, [this, i] {
            if (!isBusy())
                m_Wnd_Click(i);
        });
    }
    connect(m_Window, &QMenu::aboutToShow, this, [this] {
        const bool any = Form1::DocumentCount() >= 1;
        for (QAction *item : m_Wnd)
            item->setEnabled(any);
        refreshWindowList();
    });
}

void FrmMDI::refreshWindowList()
{
    qDeleteAll(m_windowList);
    m_windowList.clear();
    const QList<QMdiSubWindow *> windows = m_area->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowList.append(m_Window->addSeparator());
    int number = 1;
    for (QMdiSubWindow *window : windows) {
        const QString caption =
            number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(window->windowTitle())
                        : window->windowTitle();
        QAction *entry = m_Window->addAction(caption);
        entry->setCheckable(true);
        entry->setChecked(window == m_area->activeSubWindow());
        connect(entry, &QAction::triggered, this, [this, window] {
            if (m_area->subWindowList().contains(window))
                m_area->setActiveSubWindow(window);
        });
        m_windowList.append(entry);
        ++number;
    }
}

void FrmMDI::m_Wnd_Click(int index)
{
    if (Form1::DocumentCount() < 1)
        return;
    switch (index) {
    case 0:
        cascade();
        break;
    case 1:
        arrangeInBands(true);
        break;
    case 2:
        arrangeInBands(false);
        break;
    case 3:
        arrangeIcons();
        break;
    default:
        break;
    }
}

void FrmMDI::arrangeInBands(bool horizontal)
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : m_area->subWindowList())
        if (!window->isMinimized())
            windows.append(window);
    if (windows.isEmpty())
        return;
    const QRect area = m_area->viewport()->rect();
    const int count = int(windows.size());
    for (int i = 0; i < count; ++i) {
        windows[i]->showNormal();
        if (horizontal) {
            const int top = area.height() * i / count;
            const int bottom = area.height() * (i + 1) / count;
            windows[i]->setGeometry(0, top, area.width(), bottom - top);
        } else {
            const int left = area.width() * i / count;
            const int right = area.width() * (i + 1) / count;
            windows[i]->setGeometry(left, 0, right - left, area.height());
        }
    }
}

void FrmMDI::arrangeIcons()
{
    const QRect area = m_area->viewport()->rect();
    int x = 0;
    int y = area.bottom();
    for (QMdiSubWindow *window : m_area->subWindowList()) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        window->move(x, y - size.height() + 1);
        x += size.width();
    }
}

// QMdiArea's own cascade shrinks every window to its smallest size.
void FrmMDI::cascade()
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : m_area->subWindowList())
        if (!window->isMinimized())
            windows.append(window);
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 4;
    const QList<QRect> places =
        WindowLayout::cascade(m_area->viewport()->size(), int(windows.size()), step);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(places[i]);
        windows[i]->raise();
    }
    if (!windows.isEmpty())
        m_area->setActiveSubWindow(windows.last());
}
