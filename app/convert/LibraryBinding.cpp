#include "convert/LibraryBinding.h"

#include "base/AppState.h"
#include "base/UserPrompts.h"

LibraryBinding::LibraryBinding(const QString &path) : m_path(path), m_library(path)
{
}

QFunctionPointer LibraryBinding::resolve(const char *name)
{
    // A failed load is tried again on the next lookup: the user may have
    // put the library back in the meantime.
    if (!m_library.isLoaded() && !m_library.load()) {
        reportFailure(
            QStringLiteral("ライブラリ %1 を読み込めないため、%2 を呼び出せません。\n\n%3")
                .arg(m_path, QLatin1String(name), m_library.errorString()));
        return nullptr;
    }
    const QFunctionPointer function = m_library.resolve(name);
    if (!function) {
        reportFailure(QStringLiteral("ライブラリ %1 に %2 が見つかりません。")
                          .arg(m_path, QLatin1String(name)));
    }
    return function;
}

void LibraryBinding::reportFailure(const QString &text)
{
    prompts().message(appState().frame, QMessageBox::Critical, QStringLiteral("Pelcor"), text,
                      QMessageBox::Ok);
}
