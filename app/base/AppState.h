// Everything the program keeps for the whole process, owned in one place:
// the frame, the dialogs that exist once, the progress window and its
// cancel flag, the busy count, the prompts in force and the hooks tests
// replace. Every layer of app/ reaches it through appState(); nothing else
// in app/ keeps state of its own beyond a window's life.
#ifndef PELCOR_APP_STATE_H
#define PELCOR_APP_STATE_H

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <cstdint>

class UserPrompts;
class QUrl;

// What the progress callback remembers between reports (see Progress.cpp),
// forgotten whenever the shared window is loaded or closed.
struct ProgressPacing {
    std::intptr_t userValue = 0;
    std::int32_t total = 0;
    // Reports with a done in [quietFrom, quietFrom + quietSpan) need nothing.
    std::uint32_t quietFrom = 0;
    std::uint32_t quietSpan = 0;
    // The drawn width, and the dones known to keep it: [widthFrom, widthTo).
    int width = -1;
    std::int32_t widthFrom = 0;
    std::int32_t widthTo = 0;
    std::int64_t lastPump = -1;
};

struct AppState {
    // Owns the program's dialogs and error boxes; null until it is made.
    QPointer<QWidget> frame;
    // The settings dialogs, each shown at most once at a time.
    QPointer<QDialog> settingsDialog;
    QPointer<QDialog> fontDialog;

    // The conversions' shared progress window (a Form2), and the flag its
    // cancel button clears: 1 go on, 0 stop.
    QPointer<QDialog> progressWindow;
    std::int32_t continueConversion = 1;
    ProgressPacing pacing;

    // The library could not be bound for the document windows, which
    // then show plain text without asking again.
    bool recordCallsMissing = false;

    // Nesting BusyScopes: a conversion saves its result.
    int busyDepth = 0;
    int documentCount = 0;

    // The answers each image job's form was last given, by the form's
    // title, so that it opens with them the next time.
    QHash<QString, QList<QStringList>> formAnswers;

    // Installed by tests; null means the Qt dialogs.
    UserPrompts *prompts = nullptr;
    // The version window's link and greeting sound, which tests record
    // instead.
    void (*openLink)(const QUrl &address) = nullptr;
    void (*openingBeep)() = nullptr;
};

namespace AppStateDetail {
extern AppState state;
}

// Inline: the progress callback reads it a million times a conversion.
inline AppState &appState()
{
    return AppStateDetail::state;
}

#endif
