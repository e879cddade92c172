#pragma once

#include <QString>

// The font of every document window's text.
struct DisplayFont {
    QString FontFace = QStringLiteral("ＭＳ ゴシック");
    // Points.
    qint16 FontSize = 14;
};
