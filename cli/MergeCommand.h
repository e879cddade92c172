// kestrun merge IN... -o OUT: the inputs into one image under an overlap
// rule (default: none may overlap), the start address of the one input
// that has one, optionally a CRC written in, and the image as HEX text.
#ifndef KESTRUN_CLI_MERGE_COMMAND_H
#define KESTRUN_CLI_MERGE_COMMAND_H

#include "ImageLoader.h"
#include "Invocation.h"

class MergeCommand {
public:
    explicit MergeCommand(const Invocation &invocation);
    // The exit status.
    int run();

private:
    bool takeStart(const kestrun_image *image, int input);
    int write(const kestrun_image *image);

    const Invocation &m_invocation;
    // The input whose start address the image has (-1: none yet).
    int m_startFrom = -1;
    std::uint32_t m_startType = KESTRUN_START_NONE;
    std::uint32_t m_startValue = 0;
};

#endif
