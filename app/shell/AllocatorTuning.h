// Large texts and images are the program's daily work, and on a fresh block
// every 4 KiB page costs a fault when it is first written: 94 MB of text,
// as a document of 47 MB is held, takes 23,000 of them. glibc's allocator
// gives its large blocks transparent huge pages when its tunable
// glibc.malloc.hugetlb is 1, but reads it only as a program starts; so
// the program restarts itself once, before anything else, with it set.
#ifndef PELCOR_ALLOCATOR_TUNING_H
#define PELCOR_ALLOCATOR_TUNING_H

#include <optional>
#include <string>

// The GLIBC_TUNABLES value that adds the huge-page setting to `current`
// (null when unset), or nothing when `current` already sets it: a choice
// the user made stands, and a restarted program does not restart again.
std::optional<std::string> tunablesWithHugePages(const char *current);

// Restarts the program from its own executable with the setting added, the
// same arguments and the same process. Returns only when there is nothing
// to add, the restart failed (the program then runs on as it is), or in the
// restarted program, whose environment it puts back as it was before the
// restart, so that the programs it starts do not inherit the setting.
void restartWithHugePages(char *argv[]);

#endif
