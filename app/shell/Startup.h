// Start-up: the application's language and fonts, then the program itself.
#ifndef PELCOR_STARTUP_H
#define PELCOR_STARTUP_H

#include <QStringList>

class FrmMDI;
class QApplication;

// Japanese for Qt's own texts and a Japanese gothic face wherever the
// program asks for "ＭＳ ゴシック".
void prepareApplication(QApplication &app);

// Settings, frame, placement, then every file named in `arguments`
// (already split by the platform). Returns the shown frame window.
FrmMDI *Main(const QStringList &arguments);

#endif
