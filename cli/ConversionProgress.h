// What the library's progress reports drive in kestrun: a bar on standard
// error when a person watches a long conversion, and the way a cancel
// request or a failed output reaches the library.
#ifndef KESTRUN_CLI_CONVERSION_PROGRESS_H
#define KESTRUN_CLI_CONVERSION_PROGRESS_H

#include <cstdint>

class StreamingOutput;

class ConversionProgress {
public:
    // Inputs above this size are worth a bar.
    static constexpr std::int64_t kWorthShowing = 4 << 20;

    // Draws the bar only when `visible`; the caller decides (a terminal on
    // standard error and a large input). A failure of `output` stops the
    // conversion.
    ConversionProgress(bool visible, StreamingOutput &output);
    // Erases the bar, leaving the line for whatever follows.
    ~ConversionProgress();
    ConversionProgress(const ConversionProgress &) = delete;
    ConversionProgress &operator=(const ConversionProgress &) = delete;

    // What the library hands back to report().
    std::intptr_t userValue() { return reinterpret_cast<std::intptr_t>(this); }

    // The ProgressCallback: 0 (stop) once a cancel was requested or the
    // output could not be written.
    static std::int32_t report(std::int32_t done, std::int32_t total, std::intptr_t userValue);

    // Whole percent of `done` in `total`; a total of zero or less is done.
    static int percent(std::int32_t done, std::int32_t total);

private:
    void draw(int percent);

    bool m_visible;
    StreamingOutput &m_output;
    int m_drawn = -1;
};

#endif
