#include "ConversionProgress.h"

#include "CancelSignal.h"
#include "StreamingOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBarWidth = 40;
// "kestrun: [" + bar + "] 100%"
constexpr int kLineWidth = 10 + kBarWidth + 6;

} // namespace

ConversionProgress::ConversionProgress(bool visible, StreamingOutput &output)
    : m_visible(visible), m_output(output)
{
}

ConversionProgress::~ConversionProgress()
{
    if (m_visible && m_drawn >= 0)
        std::fprintf(stderr, "\r%*s\r", kLineWidth, "");
}

int ConversionProgress::percent(std::int32_t done, std::int32_t total)
{
    if (total <= 0)
        return 100;
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t(done) * 100 / total, 0, 100));
}

std::int32_t ConversionProgress::report(std::int32_t done, std::int32_t total,
                                        std::intptr_t userValue)
{
    // Called before every record or line, millions of times for a large
    // image: only a new percentage is drawn.
    auto *progress = reinterpret_cast<ConversionProgress *>(userValue);
    if (progress->m_visible) {
        const int now = percent(done, total);
        if (now != progress->m_drawn)
            progress->draw(now);
    }
    return !CancelSignal::requested() && !progress->m_output.failed() ? 1 : 0;
}

void ConversionProgress::draw(int percent)
{
    char bar[kBarWidth + 1];
    const int filled = percent * kBarWidth / 100;
    std::memset(bar, '#', filled);
    std::memset(bar + filled, '.', kBarWidth - filled);
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\rkestrun: [%s] %3d%%", bar, percent);
    std::fflush(stderr);
    m_drawn = percent;
}
