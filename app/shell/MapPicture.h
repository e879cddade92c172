// A memory map as a picture of a given size: the bar of bands from
// address 0 at the top to FFFFFFFF at the bottom, segment labels beside
// it, and below them where the text stops being valid. The panel paints
// it and asks it what lies under the mouse; the PNG and SVG exports paint
// the very same picture onto their devices.
#ifndef PELCOR_MAP_PICTURE_H
#define PELCOR_MAP_PICTURE_H

#include "core/MarkedRange.h"
#include "core/MapLayout.h"
#include "core/MemoryMap.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

class MapPicture {
public:
    MapPicture(const MemoryMap &map, const std::vector<MarkedRange> &marked, QSize size,
               const QFont &font);

    void paint(QPainter &painter) const;
    const MapLayout &layout() const { return m_layout; }
    QSize size() const { return m_size; }

    // The band under `point`; none off the bar's rows.
    std::optional<std::size_t> bandAt(QPoint point) const;
    // Where band `band` is drawn.
    QRect bandRect(std::size_t band) const;
    // What the tooltip says of `point`: the marks under it (what each is,
    // its range and size), else the range under it, an overlap first;
    // empty off the bar.
    QString describeAt(QPoint point) const;
    // Where the mark of `range` is drawn: beside the bar, at least a few
    // pixels tall whatever the range's size.
    QRect markRect(const AddressRange &range) const;
    // Where the caret's mark at `address` is drawn: a line across the bar
    // with a pointer to its left.
    QRect caretRect(std::uint32_t address) const;
    void paintCaret(QPainter &painter, std::uint32_t address) const;
    // The line under the bar, when the text stops being valid.
    QString stopText() const;

    // The picture written as a file; false when it cannot be written.
    bool savePng(const QString &path) const;
    bool saveSvg(const QString &path) const;

    // "LLLLLLLL-HHHHHHHH".
    static QString rangeText(std::uint32_t low, std::uint32_t high);
    // A size as people read it: bytes, KiB, MiB or GiB. The picture's own
    // labels write bytes as B, which keeps them in one font.
    static QString sizeText(std::uint64_t bytes, bool forLabel = false);

private:
    void paintBands(QPainter &painter) const;
    void paintMarks(QPainter &painter) const;
    QString describeMarksAt(QPoint point) const;
    void paintLabels(QPainter &painter) const;
    int rowOf(std::uint32_t address) const;

    const MemoryMap &m_map;
    const std::vector<MarkedRange> &m_marked;
    QSize m_size;
    QFont m_font;
    QRect m_bar;
    QRect m_footer;
    MapLayout m_layout;
};

#endif
