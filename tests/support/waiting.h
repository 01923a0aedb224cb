// Waiting in tests: for a condition that another thread or process makes true
// (polling), or for the window messages that make it true (dispatching them).
#pragma once

#include <windows.h>

#include <functional>

// Long enough for a program started under Wine to be up and answering.
inline constexpr DWORD kTestWaitMs = 30000;

// Polls `condition` until it holds or the time is up; returns whether it held.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = kTestWaitMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
    return true;
}
// The same wait, under the name and argument types some tests use.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    return WaitFor(done, static_cast<DWORD>(timeoutMs));
}

// Dispatches the messages already queued for this thread.
void PumpMessages();
// Dispatches messages until `done` holds or the time is up; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Dispatches messages for a while.
void PumpFor(DWORD milliseconds);
