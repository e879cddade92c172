#include "shell/AllocatorTuning.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr const char *kVariable = "GLIBC_TUNABLES";
constexpr const char *kName = "glibc.malloc.hugetlb";
// Carries the variable as it was across the restart: "-" when it was not
// set, otherwise "=" and its value.
constexpr const char *kBefore = "PELCOR_GLIBC_TUNABLES_BEFORE";

} // namespace

std::optional<std::string> tunablesWithHugePages(const char *current)
{
    const std::string tunables = current ? current : "";
    // Settings are name=value pairs joined by colons.
    std::size_t at = 0;
    while (at <= tunables.size()) {
        const std::size_t end = std::min(tunables.find(':', at), tunables.size());
        const std::string setting = tunables.substr(at, end - at);
        if (setting.rfind(std::string(kName) + '=', 0) == 0)
            return std::nullopt;
        at = end + 1;
    }
    const std::string added = std::string(kName) + "=1";
    return tunables.empty() ? added : tunables + ':' + added;
}

void restartWithHugePages(char *argv[])
{
    // Restarted: the setting is in force for this process from its start;
    // programs it starts get the environment as it was.
    if (const char *before = std::getenv(kBefore)) {
        if (before[0] == '=')
            setenv(kVariable, before + 1, 1);
        else
            unsetenv(kVariable);
        unsetenv(kBefore);
        return;
    }
    const char *current = std::getenv(kVariable);
    const std::optional<std::string> tunables = tunablesWithHugePages(current);
    if (!tunables)
        return;
    const std::string before = current ? std::string("=") + current : std::string("-");
    if (setenv(kBefore, before.c_str(), 1) != 0 || setenv(kVariable, tunables->c_str(), 1) != 0) {
        unsetenv(kBefore);
        return;
    }
    execv("/proc/self/exe", argv);
    // Not restarted: put the environment back as it was, so that it does
    // not claim a setting that is not in force.
    if (current)
        setenv(kVariable, before.c_str() + 1, 1);
    else
        unsetenv(kVariable);
    unsetenv(kBefore);
}
