// kestrun crc IN: the check value of a range of the image, printed in hex;
// with --verify-crc, compared with the value stored in the image.
#ifndef KESTRUN_CLI_CRC_COMMAND_H
#define KESTRUN_CLI_CRC_COMMAND_H

#include "Invocation.h"

class CrcCommand {
public:
    explicit CrcCommand(const Invocation &invocation);
    // The exit status.
    int run();

private:
    const Invocation &m_invocation;
};

#endif
