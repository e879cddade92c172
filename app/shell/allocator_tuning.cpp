#include "shell/allocator_tuning.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr const char *kVariable = "GLIBC_TUNABLES";
constexpr const char *kName = "glibc.malloc.hugetlb";

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
    const char *current = std::getenv(kVariable);
    const std::optional<std::string> before = current ? std::optional<std::string>(current)
                                                      : std::nullopt;
    const std::optional<std::string> tunables = tunablesWithHugePages(current);
    if (!tunables || setenv(kVariable, tunables->c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Not restarted: put the environment back as it was, so that it does
    // not claim a setting that is not in force.
    if (before)
        setenv(kVariable, before->c_str(), 1);
    else
        unsetenv(kVariable);
}
