// One change at a time across the user's processes: the window's operations,
// the command line's and the program's own install, update and removal all
// hold this lock while they change files.
#pragma once

#include <windows.h>

#include "base/handles.h"

// A named mutex, so it belongs to the thread that took it: take it on the
// thread that does the work, and let it go on that thread. A thread may take
// it again while it holds it. A holder that died without letting go (a killed
// process) leaves it to the next taker: each operation is written to be taken
// up again after a stop halfway.
class OperationLock {
public:
    // Waits at most waitMs for the lock.
    explicit OperationLock(DWORD waitMs);
    ~OperationLock();
    OperationLock(const OperationLock&) = delete;
    OperationLock& operator=(const OperationLock&) = delete;

    bool held() const { return held_; }

private:
    UniqueHandle mutex_;
    bool held_ = false;
};

// Takes the lock or raises "Une autre opération d’Orkvane est en cours ; ...".
class RequiredOperationLock {
public:
    explicit RequiredOperationLock(DWORD waitMs);
    RequiredOperationLock(const RequiredOperationLock&) = delete;
    RequiredOperationLock& operator=(const RequiredOperationLock&) = delete;

private:
    OperationLock lock_;
};
