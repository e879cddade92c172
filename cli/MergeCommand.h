// kestrun merge IN... -o OUT: the inputs into one image under an overlap
// rule (default: none may overlap), the start address of the one input
// that has one, optionally a CRC written in, and the image as HEX text.
#ifndef KESTRUN_CLI_MERGE_COMMAND_H
#define KESTRUN_CLI_MERGE_COMMAND_H

#include "Invocation.h"

class MergeCommand {
public:
    explicit MergeCommand(const Invocation &invocation);
    // The exit status.
    int run();

private:
    int write(const kestrun_image *image);

    const Invocation &m_invocation;
};

#endif
