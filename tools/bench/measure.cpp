// Runs one command and reports its wall time and peak resident memory, which
// a shell's `time` cannot give for the child alone.
//
//     bench_measure [-o FILE] COMMAND [ARGS...]
//
// The command's standard output goes to FILE, or is discarded. On standard
// output comes one line: the wall time in seconds and the peak resident set
// in KiB. The exit status is the command's (128 + signal if it was killed).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double secondsSince(const timespec &start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec - start.tv_sec) + double(now.tv_nsec - start.tv_nsec) * 1e-9;
}

[[noreturn]] void runChild(const char *outPath, char **argv)
{
    const int fd = open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) {
        std::fprintf(stderr, "bench_measure: cannot open %s: %s\n", outPath, std::strerror(errno));
        _exit(126);
    }
    close(fd);
    execvp(argv[0], argv);
    std::fprintf(stderr, "bench_measure: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
}

} // namespace

int main(int argc, char **argv)
{
    const char *outPath = "/dev/null";
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-o") == 0) {
        outPath = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: bench_measure [-o FILE] COMMAND [ARGS...]\n");
        return 2;
    }
    std::fflush(stdout);
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("bench_measure: fork");
        return 126;
    }
    if (pid == 0)
        runChild(outPath, argv + first);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("bench_measure: wait4");
            return 126;
        }
    }
    const double seconds = secondsSince(start);
    std::printf("%.6f %ld\n", seconds, usage.ru_maxrss);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
