#include "base/BusyScope.h"

#include "base/AppState.h"

BusyScope::BusyScope()
{
    ++appState().busyDepth;
}

BusyScope::~BusyScope()
{
    --appState().busyDepth;
}

bool isBusy()
{
    return appState().busyDepth > 0;
}
