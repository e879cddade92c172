#include "MessageLanguage.h"

#include <QCoreApplication>
#include <QTranslator>

#include <cstdlib>
#include <cstring>

namespace MessageLanguage {

bool japanese()
{
    // The order gettext gives them, LANGUAGE first even under the C locale:
    // a user who asked for Japanese gets it without installing a locale.
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return std::strncmp(value, "ja", 2) == 0;
    }
    return false;
}

void install()
{
    static QTranslator catalogue;
    if (catalogue.load(japanese() ? QStringLiteral(":/i18n/kestrun_ja.qm")
                                  : QStringLiteral(":/i18n/kestrun_en.qm")))
        QCoreApplication::installTranslator(&catalogue);
}

QString text(const char *english)
{
    return QCoreApplication::translate("kestrun", english);
}

} // namespace MessageLanguage
