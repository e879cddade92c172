// kestrun info of any input: one fact a line (or JSON with --json). Intel
// HEX goes through the conversion engine, as Pelcor inspects a file
// (CommandRunner); every other format (S-records, ELF, binary, FILE@ADDR)
// through core's readImageInput, as convert reads it, with the facts that
// apply to it: its format, the ranges, lowest, highest, data-bytes, the
// S-records' counts by type (records-S0 ... records-S9, S4 left out as no
// such record exists) and conflicting-bytes, the start address, the sum.
#ifndef KESTRUN_CLI_INFO_COMMAND_H
#define KESTRUN_CLI_INFO_COMMAND_H

#include "core/ImageInput.h"
#include "core/InputPieces.h"
#include "core/LibraryCalls.h"

#include <QByteArray>

struct Invocation;

class InfoCommand {
public:
    explicit InfoCommand(const Invocation &invocation) : m_invocation(invocation) {}

    // Whether `input` (at its start, and left there) is read as Intel HEX:
    // by --input-format, else by its content; FILE@ADDR is binary.
    static bool readsAsHex(const Invocation &invocation, InputPieces &input,
                           const InputArgument &argument);

    // The facts of an input that is no HEX text; the exit status.
    int run(InputPieces &input, const InputArgument &argument);

    // The lines every format shares, with `counts` (the format's own lines)
    // between the data's and the start's.
    static QByteArray text(const ImageCalls &calls, const kestrun_image *image,
                           const QByteArray &counts);

private:
    const Invocation &m_invocation;
};

#endif
