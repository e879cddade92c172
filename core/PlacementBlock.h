#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <Qt>

#include <optional>

// The frame window's placement as the settings file keeps it under
// "MDISize": 44 bytes of 32-bit little-endian fields in the layout of the
// Windows window-placement structure, so a settings file moves between
// Windows and here in both directions.
struct PlacementBlock {
    static constexpr qint32 Size = 44;

    // Flags.
    static constexpr quint32 SetMinPosition = 1;
    static constexpr quint32 RestoreToMaximized = 2;

    // Show states.
    static constexpr quint32 Hide = 0;
    static constexpr quint32 ShowNormal = 1;
    static constexpr quint32 ShowMinimized = 2;
    static constexpr quint32 ShowMaximized = 3;

    quint32 length = Size;
    quint32 flags = 0;
    quint32 showState = Hide;
    qint32 minX = -1;
    qint32 minY = -1;
    qint32 maxX = -1;
    qint32 maxY = -1;
    // The normal (restored) rectangle; right and bottom lie just outside it.
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;

    // The placement a window reports: its normal geometry, and whether it
    // is minimised, maximised or both (minimised from maximised).
    static PlacementBlock fromWindowState(const QRect &normalGeometry, Qt::WindowStates states);

    // The block as it is stored: never shown by restoring it, so the frame
    // comes back in its normal state at its normal rectangle.
    PlacementBlock forStorage() const;

    QByteArray toBytes() const;
    static std::optional<PlacementBlock> fromBytes(const QByteArray &bytes);

    // The normal rectangle, unless it is empty, inverted or beyond any
    // size a window can have.
    std::optional<QRect> normalRect() const;

    // A rectangle that lies on none of the screens (one was unplugged, the
    // file came from another desk) moves to the first one, so the window
    // can never open out of sight.
    static QRect keptOnScreen(const QRect &rect, const QList<QRect> &screens);
};
