// Where the frame puts its document windows, as plain geometry: the
// cascade, and a new window kept inside the area.
#ifndef PELCOR_WINDOW_LAYOUT_H
#define PELCOR_WINDOW_LAYOUT_H

#include <QList>
#include <QRect>
#include <QSize>

namespace WindowLayout {

// `count` windows cascaded in `area`, each `step` pixels right of and below
// the one before. They share one size, no less than two thirds of the area
// (so each stays worth reading however many there are); where the steps
// run out at that size, the cascade starts again at the top left.
QList<QRect> cascade(QSize area, int count, int step);

// The size a new document window gets: three fifths of the area, at least
// 480 x 320 while the area has room for it, never larger than the area.
QSize newWindowSize(QSize area);

// `window` moved (and, only when larger than the area, shrunk) so that it
// lies wholly inside `area`.
QRect keptInside(QRect window, QSize area);

} // namespace WindowLayout

#endif
