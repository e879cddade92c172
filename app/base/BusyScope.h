// Loads, saves and conversions let pending events run so that their
// progress window repaints; a menu command, a file drop or a close request
// handled there would start a second operation on top of the first or
// destroy what the first is working on. Long operations hold a BusyScope,
// and the event handlers that start work ignore their event while
// isBusy() holds.
#ifndef PELCOR_BUSY_SCOPE_H
#define PELCOR_BUSY_SCOPE_H

class BusyScope {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
};

// True while at least one BusyScope exists.
bool isBusy();

#endif
