#include "convert/Progress.h"

#include "base/AppState.h"

#include "convert/Form2.h"
#include "convert/KestrunBinding.h"
#include "convert/PictureBox.h"
#include "core/Cp932.h"
#include "base/UserPrompts.h"

#include <QCoreApplication>
#include <QPointer>

#include <time.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t kPumpInterval = 30; // milliseconds
constexpr std::int64_t kShortestPumpInterval = 10;

// Milliseconds from the coarse monotonic clock: a few ticks of precision,
// plenty for pacing in tens of milliseconds, and read in a fraction of the
// precise clock's time, which matters at a million calls a second.
std::int64_t coarseMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

void forgetPacing()
{
    appState().pacing = ProgressPacing{};
}

Form2 *sharedWindow()
{
    return static_cast<Form2 *>(appState().progressWindow.data());
}

} // namespace

Form2 &loadProgressWindow()
{
    if (!sharedWindow()) {
        appState().progressWindow = new Form2;
        forgetPacing();
    }
    return *sharedWindow();
}

Form2 *progressWindow()
{
    return sharedWindow();
}

void closeProgressWindow()
{
    delete sharedWindow();
    forgetPacing();
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
    return static_cast<int>(
        std::clamp(std::nearbyint(exact), 0.0, double(PictureBox::pictureWidth)));
}

int progressPercent(std::int32_t done, std::int32_t total)
{
    if (total <= 0)
        return 100;
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t(done) * 100 / total, 0, 100));
}

namespace {

// What DrawProgress remembers between calls (ProgressPacing). The library reports before
// every record or line, a million times for a 16 MiB image, each report a
// few nanoseconds of its work; repainting and pumping each time would cost
// more than the conversion, and so would even working out the width and
// reading the clock. A new width is drawn into the picture at once, but
// shown (and events let run, so that Cmd is heard) at most every 10 ms, and
// at least every 30 ms while the library runs.
// How far done may move between two readings of the clock. The library's
// done counts bytes of text or data; 64 KiB of either take it well under a
// millisecond, so a pump that falls due is never late by more than that.
constexpr std::int64_t kClockStride = 0x10000;

// The first done above `done` that might give a bar wider than `width`, or
// a little less: a done below it keeps the width.
std::int32_t doneKeepingWidth(int width, std::int32_t done, std::int32_t total)
{
    if (total <= 0 || width >= PictureBox::pictureWidth)
        return INT32_MAX;
    // A wider bar needs done / total * width ≥ width + 0.5; one whole unit
    // below that is clear of any rounding in the division.
    const double threshold = (width + 0.5) * total / PictureBox::pictureWidth;
    const auto below = static_cast<std::int64_t>(std::floor(threshold)) - 1;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(below, done, INT32_MAX));
}

// Reports after `done` are quiet until the width may change or the clock
// is due to be read again. A report of the same done again is not: one
// that repeats for ever must still let the clock be read.
void quietAfter(ProgressPacing &p, std::int32_t done)
{
    const std::int64_t from = std::int64_t(done) + 1;
    const std::int64_t to = std::min<std::int64_t>(p.widthTo, from + kClockStride);
    p.quietFrom = static_cast<std::uint32_t>(from);
    p.quietSpan = static_cast<std::uint32_t>(std::max<std::int64_t>(to - from, 0));
}

// Kept out of line, so that DrawProgress's quick path saves no registers.
Q_NEVER_INLINE std::int32_t drawAndPump(std::int32_t done, std::int32_t total,
                                        std::intptr_t userValue)
{
    ProgressPacing &p = appState().pacing;
    const std::int64_t now = coarseMilliseconds();
    const bool sameBar =
        userValue == p.userValue && total == p.total && done >= p.widthFrom && done < p.widthTo;
    if (sameBar && now - p.lastPump < kPumpInterval) {
        quietAfter(p, done);
        return appState().continueConversion;
    }
    // The window may have been closed behind the library's back; a stale
    // value must never be taken for a widget.
    Form2 *window = sharedWindow();
    const bool drawable = window && window->deviceContext() == userValue;
    const int width = progressBarWidth(done, total);
    const bool grown = width != p.width;
    if (grown && drawable) {
        window->Pic()->drawRectangle(QRect(0, 0, width, PictureBox::pictureHeight));
        window->showPercent(progressPercent(done, total));
    }
    p.userValue = userValue;
    p.total = total;
    p.width = width;
    p.widthFrom = done;
    p.widthTo = doneKeepingWidth(width, done, total);

    const std::int64_t quiet = p.lastPump < 0 ? kPumpInterval : now - p.lastPump;
    if (quiet >= kPumpInterval || (grown && quiet >= kShortestPumpInterval)) {
        if (drawable)
            window->refreshPicture();
        pumpEvents();
        p.lastPump = coarseMilliseconds();
    }
    quietAfter(p, done);
    return appState().continueConversion;
}

} // namespace

std::int32_t DrawProgress(std::int32_t done, std::int32_t total, std::intptr_t userValue)
{
    const ProgressPacing &p = appState().pacing;
    if (userValue == p.userValue && total == p.total
        && static_cast<std::uint32_t>(done) - p.quietFrom < p.quietSpan)
        return appState().continueConversion;
    return drawAndPump(done, total, userValue);
}

void ShowLibraryError(std::int32_t code, const QString &where)
{
    // An unbound library has already been reported by the binding.
    if (code == KestrunBinding::NotBound)
        return;
    char buffer[256] = {};
    if (KestrunBinding::GetErrorString(code, buffer) <= 0)
        return;
    QString text = decodeCp932(QByteArrayView(buffer, qstrnlen(buffer, sizeof buffer)));
    if (!where.isEmpty())
        text += u'\n' + where;
    prompts().message(appState().frame, QMessageBox::Critical, QStringLiteral("エラー"), text,
                      QMessageBox::Ok);
}
