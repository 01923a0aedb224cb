// One background job on one tool (install or update, uninstall, launch, roll
// back): the worker's side. The window starts it and applies its result
// (ui/jobs/).
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "base/operation_cancel.h"
#include "base/tool_action.h"
#include "base/tool_files.h"
#include "operations/tool_request.h"

// A tool's file as its job left it, as its card shows it.
struct ToolState {
    bool installed = false;
    bool updateAvailable = false;
    KeptVersions kept;
};

struct OperationResult {
    bool ok = false;
    // Stopped by the user: `message` says so, and nothing was changed.
    bool cancelled = false;
    bool closeMain = false;
    std::wstring message;
    std::wstring error;
    long long appIndex = -1;
    // Found by the worker of a tool's job that succeeded, so that the window
    // never opens a tool file (that would freeze it for as long as the file
    // takes to read).
    std::optional<ToolState> toolState;
};

struct ToolOperationJob {
    HWND window = nullptr;
    unsigned long long appIndex = 0;
    ToolAction action = ToolAction::Install;
    ToolRequest request;
    bool desktopShortcut = false;
    bool menuShortcut = false;
    unsigned serial = 0;  // its progress reports carry it
    CancelToken cancel;   // an install stops when it is cancelled
    // How long the job waits for another process's operation to end: the
    // window refuses at once, the command line waits.
    DWORD lockWaitMs = 0;
};

// Turns a failed job's result into the cancelled one: a stop is no failure.
void MarkCancelled(OperationResult& result, const std::wstring& name);

// The worker's body without the thread and the post.
std::unique_ptr<OperationResult> RunToolOperation(const ToolOperationJob& job);
// The worker thread: runs the job in a COM apartment and posts
// WM_APP_OPERATION_DONE to job.window.
void RunToolOperationAndPost(const ToolOperationJob& job);
