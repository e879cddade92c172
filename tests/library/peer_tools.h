#ifndef KESTRUN_PEER_TOOLS_H
#define KESTRUN_PEER_TOOLS_H

// Files in a scratch folder and peers run on them without a shell, for the
// tests that judge our bytes by GNU objcopy, srec_cat and Python's intelhex.
// A peer that cannot run fails the test; a missing peer must never pass
// silently.

#include <gtest/gtest.h>

#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char **environ;

namespace kestrun_test {

namespace fs = std::filesystem;

inline void writeFile(const fs::path &path, const void *data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char *>(data), static_cast<std::streamsize>(size));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

inline std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A scratch folder of our own, so that parallel runs of the plain and the
// sanitizer build never share files.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (fs::temp_directory_path() / "kestrun-interop-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const fs::path &path() const { return m_path; }

private:
    fs::path m_path;
};

// Runs a peer without a shell, its output and errors in `log`, and succeeds
// only on exit status 0.
inline ::testing::AssertionResult runPeer(const std::vector<std::string> &args, const fs::path &log)
{
    std::vector<char *> argv;
    for (const auto &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int spawnError = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawnError != 0) {
        return ::testing::AssertionFailure()
               << "cannot start " << args[0] << ": " << std::strerror(spawnError)
               << " (tools/setup.sh installs it)";
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << args[0] << " failed";
    if (WIFEXITED(status))
        failure << " with exit status " << WEXITSTATUS(status);
    return failure << ": " << readFile(log);
}

// The interpreter that has the intelhex module: the system's, which
// tools/setup.sh installs it for, ahead of any other on the path.
inline std::string systemPython()
{
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

} // namespace kestrun_test

#endif // KESTRUN_PEER_TOOLS_H
