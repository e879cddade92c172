// Ctrl+C, and the signals a closing terminal or a build system's stop
// sends, do not end kestrun at once: they are noted, the conversion in
// progress stops at its next report, and the command cleans up before it
// exits.
#ifndef KESTRUN_CLI_CANCEL_SIGNAL_H
#define KESTRUN_CLI_CANCEL_SIGNAL_H

namespace CancelSignal {

// Takes over SIGINT, SIGTERM and SIGHUP. Blocking reads and writes are
// interrupted rather than resumed, so that a wait for input ends too.
void install();

bool requested();

} // namespace CancelSignal

#endif
