#include "CancelSignal.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t g_requested = 0;

extern "C" void noteCancel(int)
{
    g_requested = 1;
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

bool requested()
{
    return g_requested != 0;
}

} // namespace CancelSignal
