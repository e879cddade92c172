// kestrun convert IN -o OUT: an image input of any format (core's
// readImageInput), the image operations in their order, and the image
// written as Intel HEX, S-records, binary or dump lines (core's
// ImageOutput, through ImageOutputFile). Nothing is written unless the input was read and
// every operation succeeded. --serial --count N makes N images of the one
// input, each written to its name from the output's pattern.
#ifndef KESTRUN_CLI_CONVERT_COMMAND_H
#define KESTRUN_CLI_CONVERT_COMMAND_H

#include <QString>

#include <cstdint>

struct Invocation;
struct kestrun_image;

class ConvertCommand {
public:
    explicit ConvertCommand(const Invocation &invocation) : m_invocation(invocation) {}

    // The exit status: 0, 1 when reading, an operation or writing failed,
    // 2 for an output that cannot be used.
    int run();

private:
    int makeImage(const Invocation &inv, kestrun_image *image, const QString &name,
                  std::uint32_t index);

    const Invocation &m_invocation;
};

#endif
