// The one way a worker hands its result record to the user-interface thread:
// post it to the window, which owns it from then on; when the post fails (the
// window is gone) the record is deleted here.
#pragma once

#include <windows.h>

#include <memory>

template <typename T>
bool PostResultOrDelete(HWND window, UINT message, std::unique_ptr<T> result) {
    if (PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) {
        result.release();
        return true;
    }
    return false;
}

inline constexpr DWORD kResultPostRetryMs = 50;

// For the result that ends a job holding `busy`: the window must hear of it,
// or `busy` would stay set until the program restarts. A post refused while
// the window lives (its queue is full) is tried again; a null result (the
// record could not even be made) is posted as such.
template <typename T>
void DeliverJobResult(HWND window, UINT message, std::unique_ptr<T> result) {
    while (!PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result.get()))) {
        if (!IsWindow(window)) return;
        Sleep(kResultPostRetryMs);
    }
    result.release();
}

// The receiving side: take ownership of the record carried in lParam.
template <typename T>
std::unique_ptr<T> TakePostedResult(LPARAM lParam) {
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}
