// What assistive technology reads of a memory map panel: a list named
// メモリマップ whose items are the segments, each named by its range
// (LLLLLLLL-HHHHHHHH) and size, with a press action that goes to the
// segment's first record. The items have no widget of their own, so the
// list makes them on demand and keeps them until the map changes.
#ifndef PELCOR_MEMORY_MAP_ACCESSIBLE_H
#define PELCOR_MEMORY_MAP_ACCESSIBLE_H

#include <QAccessibleWidget>
#include <QPointer>

#include <vector>

class MemoryMapPanel;

class MemoryMapAccessible : public QAccessibleWidget {
public:
    explicit MemoryMapAccessible(MemoryMapPanel *panel);
    ~MemoryMapAccessible() override;

    QString text(QAccessible::Text kind) const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    MemoryMapPanel *panel() const;
    // Forgets the items of an earlier map.
    void dropStale() const;

    mutable std::vector<QAccessible::Id> m_items;
    mutable quint64 m_generation = 0;
};

// One segment of the map.
class MapSegmentAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MapSegmentAccessible(MemoryMapPanel *panel, int index);

    bool isValid() const override;
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &name) override;
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    int index() const { return m_index; }

private:
    QPointer<MemoryMapPanel> m_panel;
    int m_index;
};

#endif
