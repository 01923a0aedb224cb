// One background job on one tool (install or update, uninstall, launch), and
// applying its result on the user-interface thread.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "app/tool_action.h"
#include "operations/tool_request.h"

struct OperationResult {
    bool ok = false;
    bool closeMain = false;
    std::wstring message;
    std::wstring error;
    long long appIndex = -1;
};

struct ToolOperationJob {
    HWND window = nullptr;
    unsigned long long appIndex = 0;
    HitAction action = HitAction::Install;
    ToolRequest request;
    bool desktopShortcut = false;
    bool menuShortcut = false;
    unsigned serial = 0;  // its progress reports carry it
};

void StartToolOperation(unsigned long long appIndex, HitAction action);
// The worker's body without the thread and the post.
std::unique_ptr<OperationResult> RunToolOperation(const ToolOperationJob& job);
// Handler of WM_APP_OPERATION_DONE: takes ownership of the result (may be null).
void ApplyOperationResult(std::unique_ptr<OperationResult> result);
// The text a worker shows for any exception it caught: ours carry French
// UTF-8 messages; others (an allocation failure, a system error) show too.
std::wstring ErrorText(const std::exception& error);
