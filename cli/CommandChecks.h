// The checks of a whole invocation once its values are read: the options
// that only some commands take, convert's and merge's output options
// against the format they write, and FILE@ADDR inputs whose ADDR is no
// address.
#ifndef KESTRUN_CLI_COMMAND_CHECKS_H
#define KESTRUN_CLI_COMMAND_CHECKS_H

#include <QString>

struct Invocation;

namespace CommandChecks {

// The usage error of the first check that fails; empty when all pass.
QString check(const Invocation &invocation);

} // namespace CommandChecks

#endif
