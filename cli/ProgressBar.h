// The library's progress callback for kestrun: a bar on standard error when
// a person is watching a long conversion, and in every case the way a
// cancel request reaches the library.
#ifndef KESTRUN_CLI_PROGRESS_BAR_H
#define KESTRUN_CLI_PROGRESS_BAR_H

#include <cstdint>

class ProgressBar {
public:
    // Inputs above this size are worth a bar.
    static constexpr std::int64_t kWorthShowing = 4 << 20;

    // Draws only when `visible`; the caller decides (a terminal on standard
    // error and a large input).
    explicit ProgressBar(bool visible);
    // Erases the bar, leaving the line for whatever follows.
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // What the library hands back to report().
    std::intptr_t userValue() { return reinterpret_cast<std::intptr_t>(this); }

    // The ProgressCallback: 0 (stop) once a cancel was requested.
    static std::int32_t report(std::int32_t done, std::int32_t total, std::intptr_t userValue);

    // Whole percent of `done` in `total`; a total of zero or less is done.
    static int percent(std::int32_t done, std::int32_t total);

private:
    void draw(int percent);

    bool m_visible;
    int m_drawn = -1;
};

#endif
