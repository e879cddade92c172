#ifndef KESTRUN_PROGRESS_LOG_H
#define KESTRUN_PROGRESS_LOG_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrun_test {

// Records every progress report; stops the call at report number stopAt
// (1-based) when it is not 0. The log's own address travels as userValue, so
// a library that cuts userValue to 32 bits fails here.
struct ProgressLog {
    struct Call {
        int32_t done;
        int32_t total;
    };

    std::vector<Call> calls;
    size_t stopAt = 0;

    intptr_t userValue() { return reinterpret_cast<intptr_t>(this); }

    static int32_t report(int32_t done, int32_t total, intptr_t userValue)
    {
        auto *log = reinterpret_cast<ProgressLog *>(userValue);
        log->calls.push_back({done, total});
        return log->calls.size() == log->stopAt ? 0 : 1;
    }

    std::vector<int32_t> doneValues() const
    {
        std::vector<int32_t> values;
        for (const Call &call : calls)
            values.push_back(call.done);
        return values;
    }
};

} // namespace kestrun_test

#endif // KESTRUN_PROGRESS_LOG_H
