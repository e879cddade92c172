// What the conversions share while the library works: the progress window,
// the flag through which its cancel button stops a conversion, the
// library's progress callback and the report of a failed library call.
//
// A conversion sets appState().continueConversion to 1, loads and shows the window,
// passes DrawProgress and the window's deviceContext() to the library and
// closes the window before it returns, whatever the outcome.
#ifndef PELCOR_PROGRESS_H
#define PELCOR_PROGRESS_H

#include <QString>

#include <cstdint>

class Form2;

// The shared window, created hidden if there is none.
Form2 &loadProgressWindow();
// The shared window, or null when none is loaded.
Form2 *progressWindow();
// Destroys the shared window; the next load starts from a fresh one.
void closeProgressWindow();

// Lets every pending event run once: repaints, and clicks on Cmd.
void pumpEvents();

// Width in pixels of the bar for `done` of `total`: rounded to the nearest,
// a half to even; a total of zero or less counts as finished.
int progressBarWidth(std::int32_t done, std::int32_t total);

// The whole percent of `done` in `total`, rounded down and clipped to
// 0-100; a total of zero or less counts as finished.
int progressPercent(std::int32_t done, std::int32_t total);

// The library's progress callback. `userValue` is the shared window's
// deviceContext(); anything else is not drawn on. Returns
// appState().continueConversion.
std::int32_t DrawProgress(std::int32_t done, std::int32_t total, std::intptr_t userValue);

// Shows the library's message for a negative result `code` in an error box,
// with `where` (when not empty) on a line of its own below it; shows
// nothing for a code the library has no message for.
void ShowLibraryError(std::int32_t code, const QString &where = QString());

#endif
