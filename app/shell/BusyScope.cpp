#include "shell/BusyScope.h"

namespace {

// Scopes nest (a conversion saves its result), so a count, not a flag.
int g_depth = 0;

} // namespace

BusyScope::BusyScope()
{
    ++g_depth;
}

BusyScope::~BusyScope()
{
    --g_depth;
}

bool isBusy()
{
    return g_depth > 0;
}
