#pragma once

#include <QString>

// The font of every document window's text.
struct DisplayFont {
    // The largest size the font dialog takes, and what a larger one read
    // from the settings becomes: the document view shows nothing at all
    // from a few thousand points on.
    static constexpr qint16 LargestSize = 1000;

    QString FontFace = QStringLiteral("ＭＳ ゴシック");
    // Points.
    qint16 FontSize = 14;
};
