#include "CancelSignal.h"

#include <initializer_list>

volatile std::sig_atomic_t CancelSignal::g_requested = 0;

namespace {

extern "C" void noteCancel(int)
{
    CancelSignal::g_requested = 1;
}

} // namespace

namespace CancelSignal {

void install()
{
    struct sigaction action {};
    action.sa_handler = noteCancel;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocked read returns EINTR
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace CancelSignal
