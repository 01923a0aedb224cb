#include "base/operation_lock.h"

#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"

OperationLock::OperationLock(DWORD waitMs) : mutex_(CreateMutexW(nullptr, FALSE, kOperationMutexName)) {
    // Without the mutex (another program squats the name with another kind
    // of object) nothing could ever run: refuse, as for a held lock.
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_.get(), waitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

OperationLock::~OperationLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

RequiredOperationLock::RequiredOperationLock(DWORD waitMs) : lock_(waitMs) {
    if (!lock_.held()) Fail(msg::kAnotherOperationRunning);
}
