// A fuzz target by name: the name is the fuzzer's (fuzz_NAME), its seed
// folder's under tests/fuzz/corpus and its crasher folder's under
// tests/data/crashers.
#ifndef KESTRUN_FUZZ_TARGET_H
#define KESTRUN_FUZZ_TARGET_H

#include <cstddef>
#include <cstdint>

namespace kestrun_fuzz {

struct FuzzTarget {
    const char *name;
    int (*run)(const uint8_t *data, size_t size);
};

} // namespace kestrun_fuzz

#endif // KESTRUN_FUZZ_TARGET_H
