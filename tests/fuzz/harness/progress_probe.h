// A progress callback for the harnesses: it stops the call at report
// `stopAt` (1-200; never above that) and notes any report that goes
// backwards or names another total. Nothing is checked inside the callback,
// because a failure thrown there would end in the library's guard.
#ifndef KESTRUN_FUZZ_PROGRESS_PROBE_H
#define KESTRUN_FUZZ_PROGRESS_PROBE_H

#include "exports.h"

#include <cstdint>

namespace kestrun_fuzz {

struct ProgressProbe {
    uint8_t stopAt = 0; // 0: no callback at all
    int32_t total = 0;
    int32_t calls = 0;
    uint32_t firstDone = 0;
    uint32_t lastDone = 0;
    bool ordered = true;
    bool totalsRight = true;

    ProgressCallback callback() const { return stopAt ? &ProgressProbe::report : nullptr; }
    intptr_t userValue() { return reinterpret_cast<intptr_t>(this); }
    bool stopped() const { return stopAt != 0 && stopAt <= 200 && calls >= stopAt; }

    static int32_t report(int32_t done, int32_t total, intptr_t userValue)
    {
        auto *probe = reinterpret_cast<ProgressProbe *>(userValue);
        const uint32_t position = static_cast<uint32_t>(done);
        if (probe->calls == 0)
            probe->firstDone = position;
        else if (position < probe->lastDone)
            probe->ordered = false;
        probe->lastDone = position;
        probe->totalsRight = probe->totalsRight && total == probe->total;
        ++probe->calls;
        return probe->stopAt <= 200 && probe->calls == probe->stopAt ? 0 : 1;
    }
};

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_PROGRESS_PROBE_H
