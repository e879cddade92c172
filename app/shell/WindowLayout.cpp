#include "shell/WindowLayout.h"

#include <algorithm>

namespace WindowLayout {

QList<QRect> cascade(QSize area, int count, int step)
{
    QList<QRect> result;
    if (count <= 0 || area.isEmpty())
        return result;
    step = std::max(step, 1);
    const int spare = step * (count - 1);
    const QSize size(std::clamp(area.width() - spare, area.width() * 2 / 3, area.width()),
                     std::clamp(area.height() - spare, area.height() * 2 / 3, area.height()));
    const int steps =
        std::min(area.width() - size.width(), area.height() - size.height()) / step + 1;
    for (int i = 0; i < count; ++i) {
        const int offset = step * (i % steps);
        result.append(QRect(QPoint(offset, offset), size));
    }
    return result;
}

QSize newWindowSize(QSize area)
{
    return QSize(std::min(area.width(), std::max(480, area.width() * 3 / 5)),
                 std::min(area.height(), std::max(320, area.height() * 3 / 5)));
}

QRect keptInside(QRect window, QSize area)
{
    const QSize size = window.size().boundedTo(area);
    const int x = std::clamp(window.x(), 0, area.width() - size.width());
    const int y = std::clamp(window.y(), 0, area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

} // namespace WindowLayout
