// kestrun cmp A B: the two images address by address. Exit status 0 when
// they are equal, 1 when they differ (the differences listed as ranges),
// 2 when either cannot be read or the command line is wrong.
#ifndef KESTRUN_CLI_COMPARE_COMMAND_H
#define KESTRUN_CLI_COMPARE_COMMAND_H

#include "Invocation.h"

class CompareCommand {
public:
    explicit CompareCommand(const Invocation &invocation);
    int run();

private:
    const Invocation &m_invocation;
};

#endif
