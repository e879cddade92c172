// Start-up: the application's language and fonts, then the program itself.
#ifndef PELCOR_STARTUP_H
#define PELCOR_STARTUP_H

#include <QString>
#include <QStringList>

class FrmMDI;
class QApplication;

// Japanese for Qt's own texts and a Japanese gothic face wherever the
// program asks for "ＭＳ ゴシック".
void prepareApplication(QApplication &app);

// Settings, frame, placement, then every file named in `arguments`
// (already split by the platform). The settings file lives in
// `settingsFolder`, the executable's folder when it is empty. Returns the
// shown frame window.
FrmMDI *Main(const QStringList &arguments, const QString &settingsFolder = QString());

#endif
