// kestrun merge IN... -o OUT: the inputs into one image under an overlap
// rule (default: none may overlap), the start address --start-address
// chooses (default: the first input's, with a note where others differ),
// optionally a CRC written in, and the image in the format
// of --to or the output's extension (HEX otherwise), as convert writes it.
#ifndef KESTRUN_CLI_MERGE_COMMAND_H
#define KESTRUN_CLI_MERGE_COMMAND_H

#include "Invocation.h"

class MergeCommand {
public:
    explicit MergeCommand(const Invocation &invocation);
    // The exit status.
    int run();

private:
    const Invocation &m_invocation;
};

#endif
