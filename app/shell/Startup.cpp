#include "shell/Startup.h"

#include "settings/FramePlacement.h"
#include "core/SettingsModel.h"
#include "shell/Form1.h"
#include "shell/FrmMDI.h"
#include "shell/FileRoutines.h"
#include "base/UserPrompts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// More names than this ask before anything opens.
constexpr int kOpenWithoutAsking = 4;

} // namespace

void prepareApplication(QApplication &app)
{
    // The resources live in a static library, which the linker would
    // otherwise drop.
    Q_INIT_RESOURCE(pelcor);
    // Desktops match the windows to the installed desktop entry by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("dev.pelcor.Pelcor"));
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    const QStringList gothic{QStringLiteral("IPAGothic"),
                             QStringLiteral("IPAゴシック"),
                             QStringLiteral("Noto Sans Mono CJK JP"),
                             QStringLiteral("Noto Sans CJK JP"),
                             QStringLiteral("VL Gothic"),
                             QStringLiteral("TakaoGothic")};
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), gothic);
    QFont::insertSubstitutions(QStringLiteral("MS Gothic"), gothic);
}

FrmMDI *Main(const QStringList &arguments, const QString &settingsFolder)
{
    SettingsModel &settings = SettingsModel::program();
    if (settingsFolder.isEmpty())
        settings.setUp();
    else
        settings.setUp(settingsFolder);

    auto *frame = new FrmMDI;
    setFrameWindow(frame);
    FramePlacement::restore(settings, *frame);
    frame->show();

    if (settings.fileState() == SettingsModel::FileState::Unreadable) {
        prompts().message(frame, QMessageBox::Warning, QStringLiteral("Pelcor"),
                          QStringLiteral("設定ファイル\r\n") + settings.filePath()
                              + QStringLiteral("\r\nを読み込めません\r\n既定の設定で起動します"),
                          QMessageBox::Ok);
    }

    // The platform has split the command line: each argument is one name,
    // blanks and double quotes included.
    QStringList names = arguments;
    names.removeAll(QString());
    const qsizetype count = names.size();
    if (count == 0)
        return frame;
    if (count > kOpenWithoutAsking) {
        const auto answer = prompts().message(
            frame, QMessageBox::Question, QStringLiteral("Pelcor"),
            QStringLiteral("一度に渡されたﾌｧｲﾙ数が多すぎます\n全てのﾌｧｲﾙを開きますか？"),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return frame;
    }
    // Windows opened from the command line keep their name as written and
    // their Modified flag set: their first Save writes straight back.
    for (const QString &name : names)
        frame->openFile(name, name, false);
    return frame;
}
