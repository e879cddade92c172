// kestrun patch IN -o OUT | --in-place: bytes changed in an Intel HEX or
// S-record text, only the records that hold them rewritten (and records
// added where none held them), in the order the operations were given;
// with --fix-checksums every wrong checksum made right.
#ifndef KESTRUN_CLI_PATCH_COMMAND_H
#define KESTRUN_CLI_PATCH_COMMAND_H

#include "Invocation.h"

class PatchCommand {
public:
    explicit PatchCommand(const Invocation &invocation);
    // The exit status.
    int run();

private:
    const Invocation &m_invocation;
};

#endif
