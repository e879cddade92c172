// The one place where the library's exports stop exceptions: no fault may
// cross the C boundary, every failure becomes a result code.
#ifndef KESTRUN_GUARD_H
#define KESTRUN_GUARD_H

#include "exports.h"

#include <new>

namespace kestrun {

template <typename Body> int32_t guarded(Body &&body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return ResultNoMemory;
    } catch (...) {
        // The message of this code opens with "an exception occurred".
        return ResultAddressFault;
    }
}

} // namespace kestrun

#endif
