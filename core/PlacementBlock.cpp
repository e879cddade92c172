#include "core/PlacementBlock.h"

#include <QtEndian>

#include <array>

namespace {

// Qt's limit for a widget's size; coordinates beyond it are damage.
constexpr qint64 largestExtent = (1 << 24) - 1;

bool withinLimits(qint64 value)
{
    return value >= -largestExtent && value <= largestExtent;
}

} // namespace

PlacementBlock PlacementBlock::fromWindowState(const QRect &normalGeometry, Qt::WindowStates states)
{
    PlacementBlock block;
    const bool minimized = states.testFlag(Qt::WindowMinimized);
    const bool maximized = states.testFlag(Qt::WindowMaximized);
    block.showState = minimized ? ShowMinimized : maximized ? ShowMaximized : ShowNormal;
    block.flags = (minimized && maximized) ? RestoreToMaximized : 0;
    block.left = normalGeometry.x();
    block.top = normalGeometry.y();
    block.right = normalGeometry.x() + normalGeometry.width();
    block.bottom = normalGeometry.y() + normalGeometry.height();
    return block;
}

PlacementBlock PlacementBlock::forStorage() const
{
    PlacementBlock stored = *this;
    if (stored.flags == RestoreToMaximized)
        stored.flags = SetMinPosition;
    stored.showState = Hide;
    return stored;
}

QByteArray PlacementBlock::toBytes() const
{
    const std::array<quint32, 11> fields = {
        length,        flags,         showState,    quint32(minX),  quint32(minY),  quint32(maxX),
        quint32(maxY), quint32(left), quint32(top), quint32(right), quint32(bottom)};
    QByteArray bytes(Size, '\0');
    for (size_t i = 0; i < fields.size(); ++i)
        qToLittleEndian(fields[i], bytes.data() + 4 * i);
    return bytes;
}

std::optional<PlacementBlock> PlacementBlock::fromBytes(const QByteArray &bytes)
{
    if (bytes.size() != Size)
        return std::nullopt;
    const auto field = [&bytes](int index) {
        return qFromLittleEndian<quint32>(bytes.constData() + 4 * index);
    };
    PlacementBlock block;
    block.length = field(0);
    block.flags = field(1);
    block.showState = field(2);
    block.minX = qint32(field(3));
    block.minY = qint32(field(4));
    block.maxX = qint32(field(5));
    block.maxY = qint32(field(6));
    block.left = qint32(field(7));
    block.top = qint32(field(8));
    block.right = qint32(field(9));
    block.bottom = qint32(field(10));
    return block;
}

std::optional<QRect> PlacementBlock::normalRect() const
{
    const qint64 width = qint64(right) - left;
    const qint64 height = qint64(bottom) - top;
    if (width <= 0 || height <= 0 || width > largestExtent || height > largestExtent
        || !withinLimits(left) || !withinLimits(top) || !withinLimits(right)
        || !withinLimits(bottom))
        return std::nullopt;
    return QRect(left, top, int(width), int(height));
}

QRect PlacementBlock::keptOnScreen(const QRect &rect, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return rect;
    for (const QRect &screen : screens) {
        if (screen.intersects(rect))
            return rect;
    }
    const QRect &first = screens.first();
    return QRect(first.topLeft(), rect.size().boundedTo(first.size()));
}
