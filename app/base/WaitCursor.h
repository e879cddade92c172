// The hourglass for the life of a scope, whatever the way out.
#ifndef PELCOR_WAIT_CURSOR_H
#define PELCOR_WAIT_CURSOR_H

#include <QApplication>

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

#endif
