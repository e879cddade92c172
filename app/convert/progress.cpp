#include "convert/progress.h"

#include "convert/form2.h"
#include "convert/kestrun.h"
#include "convert/picture_box.h"
#include "shell/cp932.h"
#include "shell/file_routines.h"
#include "shell/user_prompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>

#include <algorithm>
#include <cmath>

std::int32_t ContinueConversion = 1;

namespace {

QPointer<Form2> g_shared;

constexpr qint64 kPumpInterval = 30; // milliseconds
constexpr qint64 kShortestPumpInterval = 10;

} // namespace

Form2 &loadProgressWindow()
{
    if (!g_shared)
        g_shared = new Form2;
    return *g_shared;
}

Form2 *progressWindow()
{
    return g_shared;
}

void closeProgressWindow()
{
    delete g_shared;
}

void pumpEvents()
{
    QCoreApplication::processEvents();
}

int progressBarWidth(std::int32_t done, std::int32_t total)
{
    // Libraries report a zero total for empty input, where there is nothing
    // left to do, and may report more than the total at the very end.
    if (total <= 0)
        return PictureBox::pictureWidth;
    const double exact = static_cast<double>(done) / total * PictureBox::pictureWidth;
    return static_cast<int>(std::clamp(std::nearbyint(exact), 0.0,
                                       double(PictureBox::pictureWidth)));
}

std::int32_t DrawProgress(std::int32_t done, std::int32_t total, std::intptr_t userValue)
{
    // The library reports before every record or line, millions of times
    // for a large image; repainting and pumping each time would cost more
    // than the conversion. A new width is drawn into the picture at once,
    // but shown (and events let run, so that Cmd is heard) at most every
    // 10 ms, and at least every 30 ms while the library runs.
    static QPointer<Form2> pacedWindow;
    static int drawnWidth = -1;
    static QElapsedTimer sincePump;
    Form2 *window = g_shared;
    if (window != pacedWindow) {
        pacedWindow = window;
        drawnWidth = -1;
        sincePump.invalidate();
    }
    // The window may have been closed behind the library's back; a stale
    // value must never be taken for a widget.
    const bool drawable = window && window->deviceContext() == userValue;
    const int width = progressBarWidth(done, total);
    const bool grown = width != drawnWidth;
    if (grown && drawable)
        window->Pic()->drawRectangle(QRect(0, 0, width, PictureBox::pictureHeight));
    drawnWidth = width;

    const qint64 quiet = sincePump.isValid() ? sincePump.elapsed() : kPumpInterval;
    if (quiet >= kPumpInterval || (grown && quiet >= kShortestPumpInterval)) {
        if (drawable)
            window->refreshPicture();
        pumpEvents();
        sincePump.start();
    }
    return ContinueConversion;
}

void ShowLibraryError(std::int32_t code)
{
    // An unbound library has already been reported by the binding.
    if (code == kestrun::NotBound)
        return;
    char buffer[256] = {};
    if (kestrun::GetErrorString(code, buffer) <= 0)
        return;
    const QByteArrayView message(buffer, qstrnlen(buffer, sizeof buffer));
    prompts().message(frameWindow(), QMessageBox::Critical, QStringLiteral("エラー"),
                      decodeCp932(message), QMessageBox::Ok);
}
