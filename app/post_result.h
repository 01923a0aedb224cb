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

// The receiving side: take ownership of the record carried in lParam.
template <typename T>
std::unique_ptr<T> TakePostedResult(LPARAM lParam) {
    return std::unique_ptr<T>(reinterpret_cast<T*>(lParam));
}
