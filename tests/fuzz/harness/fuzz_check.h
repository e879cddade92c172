// The checks of the fuzz harnesses. A fuzzer aborts at the first broken
// check, so that libFuzzer keeps the input as a crash; the crash corpus
// replay installs a handler that throws instead, so that one bad input
// fails its test and the others still run.
#ifndef KESTRUN_FUZZ_CHECK_H
#define KESTRUN_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

namespace kestrun_fuzz {

struct CheckFailure {
    const char *condition;
    const char *file;
    int line;
};

// A handler must not return: the harness goes on as if the check held.
using FailureHandler = void (*)(const CheckFailure &failure);

[[noreturn]] inline void abortOnFailure(const CheckFailure &failure)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", failure.file, failure.line,
                 failure.condition);
    std::abort();
}

inline FailureHandler &failureHandler()
{
    static FailureHandler handler = abortOnFailure;
    return handler;
}

} // namespace kestrun_fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::kestrun_fuzz::failureHandler()({#condition, __FILE__, __LINE__});                    \
    } while (0)

#endif // KESTRUN_FUZZ_CHECK_H
