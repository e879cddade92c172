// Ctrl+C, and the signals a closing terminal or a build system's stop
// sends, do not end kestrun at once: they are noted, the conversion in
// progress stops at its next report, and the command cleans up before it
// exits.
#ifndef KESTRUN_CLI_CANCEL_SIGNAL_H
#define KESTRUN_CLI_CANCEL_SIGNAL_H

#include <csignal>

namespace CancelSignal {

// Set by the handler; read through requested().
extern volatile std::sig_atomic_t g_requested;

// Takes over SIGINT, SIGTERM and SIGHUP. Blocking reads and writes are
// interrupted rather than resumed, so that a wait for input ends too.
void install();

// The signals install() takes over.
sigset_t handledSignals();

// Inline: the library's progress callback asks before every line.
inline bool requested()
{
    return g_requested != 0;
}

} // namespace CancelSignal

#endif
