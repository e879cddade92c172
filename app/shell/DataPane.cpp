#include "shell/DataPane.h"

#include "shell/DataInspector.h"
#include "shell/DataView.h"

#include <algorithm>

DataPane::DataPane(QWidget *parent)
    : QSplitter(Qt::Vertical, parent), m_view(new DataView(this)),
      m_inspector(new DataInspector(m_view, this))
{
    addWidget(m_view);
    addWidget(m_inspector);
    setStretchFactor(0, 1);
    setStretchFactor(1, 0);
    setChildrenCollapsible(false);
    setFocusProxy(m_view);
    connect(this, &QSplitter::splitterMoved, this, [this] { m_handleMoved = true; });
}

void DataPane::resizeEvent(QResizeEvent *event)
{
    QSplitter::resizeEvent(event);
    if (m_handleMoved)
        return;
    const int below = std::min(m_inspector->sizeHint().height(), height() / 3);
    setSizes({height() - below, below});
}

QSize DataPane::sizeHint() const
{
    return QSize(m_view->sizeHint().width(), QSplitter::sizeHint().height());
}
