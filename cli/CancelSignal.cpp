#include "CancelSignal.h"

#include "core/SafeFileWriter.h"

volatile std::sig_atomic_t CancelSignal::g_requested = 0;

namespace {

extern "C" void noteCancel(int)
{
    CancelSignal::g_requested = 1;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

namespace CancelSignal {

void install()
{
    struct sigaction action {};
    action.sa_handler = noteCancel;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked read returns EINTR
    for (const int signal : kSignals)
        sigaction(signal, &action, nullptr);
    SafeFileWriter::setCancelCheck(requested);
}

sigset_t handledSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}

} // namespace CancelSignal
