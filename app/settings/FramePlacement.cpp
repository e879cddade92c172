#include "settings/FramePlacement.h"

#include "core/SettingsModel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

// Available areas, the primary screen first so that a lost window lands
// there.
QList<QRect> screenAreas()
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    }
    return areas;
}

} // namespace

namespace FramePlacement {

PlacementBlock capture(const QWidget &frame)
{
    // A window that was never shown has no normal geometry of its own yet.
    const QRect normal = frame.normalGeometry();
    return PlacementBlock::fromWindowState(normal.isValid() ? normal : frame.geometry(),
                                           frame.windowState());
}

void apply(const PlacementBlock &block, QWidget &frame)
{
    if (const auto rect = block.normalRect())
        frame.setGeometry(PlacementBlock::keptOnScreen(*rect, screenAreas()));
}

void restore(SettingsModel &settings, QWidget &frame)
{
    if (const auto block = settings.restoreStep())
        apply(*block, frame);
}

bool save(SettingsModel &settings, const QWidget &frame)
{
    return settings.saveStep(capture(frame));
}

} // namespace FramePlacement
