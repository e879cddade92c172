#include "shell/MemoryMapAccessible.h"

#include "shell/MapPicture.h"
#include "shell/MemoryMapPanel.h"

#include <QWidget>
#include <QWindow>

namespace {

// Assistive technology speaks full-width katakana better than the
// half-width the menus use.
QString spokenSize(std::uint64_t bytes)
{
    QString size = MapPicture::sizeText(bytes);
    return size.replace(QStringLiteral("ﾊﾞｲﾄ"), QStringLiteral("バイト"));
}

} // namespace

MemoryMapAccessible::MemoryMapAccessible(MemoryMapPanel *panel)
    : QAccessibleWidget(panel, QAccessible::List)
{
}

MemoryMapAccessible::~MemoryMapAccessible()
{
    for (QAccessible::Id id : m_items)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

MemoryMapPanel *MemoryMapAccessible::panel() const
{
    return static_cast<MemoryMapPanel *>(widget());
}

void MemoryMapAccessible::dropStale() const
{
    if (m_generation == panel()->generation())
        return;
    for (QAccessible::Id id : m_items)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
    m_items.assign(panel()->map().segments().size(), 0);
    m_generation = panel()->generation();
}

QString MemoryMapAccessible::text(QAccessible::Text kind) const
{
    if (kind != QAccessible::Name)
        return QAccessibleWidget::text(kind);
    const MemoryMap &map = panel()->map();
    QString name = QStringLiteral("メモリマップ: セグメント %1 個").arg(map.segments().size());
    if (!map.overlaps().empty())
        name += QStringLiteral("、重複 %1 か所").arg(map.overlaps().size());
    if (map.stop())
        name += QStringLiteral("、%1 行目から先は読めません").arg(map.stop()->line);
    return name;
}

int MemoryMapAccessible::childCount() const
{
    return int(panel()->map().segments().size());
}

QAccessibleInterface *MemoryMapAccessible::child(int index) const
{
    dropStale();
    if (index < 0 || std::size_t(index) >= m_items.size())
        return nullptr;
    QAccessible::Id &id = m_items[std::size_t(index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(new MapSegmentAccessible(panel(), index));
    return QAccessible::accessibleInterface(id);
}

int MemoryMapAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (child && child->role() == QAccessible::ListItem && child->parent() == this)
        return static_cast<const MapSegmentAccessible *>(child)->index();
    return -1;
}

QAccessibleInterface *MemoryMapAccessible::childAt(int x, int y) const
{
    const std::optional<std::size_t> segment =
        panel()->segmentAt(panel()->mapFromGlobal(QPoint(x, y)));
    return segment ? child(int(*segment)) : nullptr;
}

MapSegmentAccessible::MapSegmentAccessible(MemoryMapPanel *panel, int index)
    : m_panel(panel), m_index(index)
{
}

bool MapSegmentAccessible::isValid() const
{
    return m_panel && std::size_t(m_index) < m_panel->map().segments().size();
}

QWindow *MapSegmentAccessible::window() const
{
    return m_panel ? m_panel->window()->windowHandle() : nullptr;
}

QAccessibleInterface *MapSegmentAccessible::parent() const
{
    return m_panel ? QAccessible::queryAccessibleInterface(m_panel.data()) : nullptr;
}

QString MapSegmentAccessible::text(QAccessible::Text kind) const
{
    if (!isValid())
        return QString();
    const MemoryMap::Segment &s = m_panel->map().segments()[std::size_t(m_index)];
    switch (kind) {
    case QAccessible::Name:
        return QStringLiteral("セグメント %1 (%2)")
            .arg(MapPicture::rangeText(s.low, s.high), spokenSize(s.size()));
    case QAccessible::Description:
        if (s.pieces > 1)
            return QStringLiteral("%1 個のセグメントをまとめて表示, %2 行目から").arg(s.pieces).arg(s.line);
        return QStringLiteral("%1 行目から").arg(s.line);
    default:
        return QString();
    }
}

QRect MapSegmentAccessible::rect() const
{
    if (!isValid())
        return QRect();
    const QRect local = m_panel->segmentRect(std::size_t(m_index));
    return QRect(m_panel->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State MapSegmentAccessible::state() const
{
    QAccessible::State state;
    state.invisible = !m_panel || !m_panel->isVisible();
    return state;
}

void *MapSegmentAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

QStringList MapSegmentAccessible::actionNames() const
{
    return {pressAction()};
}

void MapSegmentAccessible::doAction(const QString &name)
{
    if (name == pressAction() && isValid())
        m_panel->chooseSegment(std::size_t(m_index));
}
