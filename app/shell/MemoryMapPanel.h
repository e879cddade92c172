// The memory map beside a document window's text: the picture of its
// MemoryMap, a tooltip naming the range under the mouse, a click that asks
// for the first record of a segment, and the picture saved as PNG or SVG
// from its context menu (the file named through the prompts). Assistive
// technology reads it as a list of its segments (MemoryMapAccessible).
#ifndef PELCOR_MEMORY_MAP_PANEL_H
#define PELCOR_MEMORY_MAP_PANEL_H

#include "core/MarkedRange.h"
#include "core/MemoryMap.h"

#include <QWidget>

#include <optional>
#include <vector>

class MapPicture;
class QAction;

class MemoryMapPanel : public QWidget {
    Q_OBJECT

public:
    explicit MemoryMapPanel(QWidget *parent = nullptr);

    void setMap(MemoryMap map);
    const MemoryMap &map() const { return m_map; }
    void setMarkedRanges(std::vector<MarkedRange> ranges);
    const std::vector<MarkedRange> &markedRanges() const { return m_marked; }
    // The address of the caret, which the map marks; none off the data.
    void setCaret(std::optional<std::uint32_t> address);
    std::optional<std::uint32_t> caret() const { return m_caret; }
    // Where the caret's mark is drawn; empty without one.
    QRect caretRect() const;
    // Counts the maps set, so that whoever keeps per-segment objects knows
    // when they went stale.
    quint64 generation() const { return m_generation; }

    // Where segment `segment` is drawn, in the panel's coordinates, and
    // the segment drawn at `point`.
    QRect segmentRect(std::size_t segment) const;
    std::optional<std::size_t> segmentAt(QPoint point) const;
    // Asks for segment `segment`'s first record, as a click on it does.
    void chooseSegment(std::size_t segment);
    // Asks for a file name and saves the picture there, as SVG or PNG.
    void exportPicture(bool svg);

    QSize sizeHint() const override;

signals:
    void segmentChosen(std::size_t segment);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    MapPicture picture(QSize size) const;
    void changed();

    MemoryMap m_map;
    std::vector<MarkedRange> m_marked;
    std::optional<std::uint32_t> m_caret;
    quint64 m_generation = 0;
    QAction *m_savePng;
    QAction *m_saveSvg;
};

#endif
