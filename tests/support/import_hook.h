// Replaces one imported system function for the life of the object, in the
// test program's own import table: the program's code, linked into the test,
// then calls the replacement. Used to make a system call fail as it can on a
// real machine (a full message queue, a directory listing cut short).
#pragma once

#include <windows.h>

class ScopedImportHook {
public:
    // `function` is the export name (for example "PostMessageW").
    ScopedImportHook(const char* function, void* replacement);
    ~ScopedImportHook();
    ScopedImportHook(const ScopedImportHook&) = delete;
    ScopedImportHook& operator=(const ScopedImportHook&) = delete;

    bool installed() const { return slot_ != nullptr; }
    // The function that was there before, to forward calls to.
    void* original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};
