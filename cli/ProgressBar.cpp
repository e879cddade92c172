#include "ProgressBar.h"

#include "CancelSignal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBarWidth = 40;
// "kestrun: [" + bar + "] 100%"
constexpr int kLineWidth = 10 + kBarWidth + 6;

} // namespace

ProgressBar::ProgressBar(bool visible) : m_visible(visible) {}

ProgressBar::~ProgressBar()
{
    if (m_visible && m_drawn >= 0)
        std::fprintf(stderr, "\r%*s\r", kLineWidth, "");
}

int ProgressBar::percent(std::int32_t done, std::int32_t total)
{
    if (total <= 0)
        return 100;
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t(done) * 100 / total, 0, 100));
}

std::int32_t ProgressBar::report(std::int32_t done, std::int32_t total, std::intptr_t userValue)
{
    // Called before every record or line, millions of times for a large
    // image: only a new percentage is drawn.
    auto *bar = reinterpret_cast<ProgressBar *>(userValue);
    if (bar->m_visible) {
        const int now = percent(done, total);
        if (now != bar->m_drawn)
            bar->draw(now);
    }
    return CancelSignal::requested() ? 0 : 1;
}

void ProgressBar::draw(int percent)
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
