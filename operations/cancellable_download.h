// A tool's download that "Annuler" can leave at once. WinHTTP's synchronous
// calls cannot be interrupted: a server that stalls holds a read until the
// receive time-out. So the body is read on a helper thread, and the worker
// waits for each block in short steps, watching its cancel token; when the
// user stops the operation, the worker goes on without the helper, which
// ends (and closes the connection) as soon as its read returns.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/operation_cancel.h"

class CancellableDownload {
public:
    // Sends the first request; its errors (OpenHttpGet's) pass through.
    CancellableDownload(std::wstring url, CancelToken cancel);
    ~CancellableDownload();
    CancellableDownload(const CancellableDownload&) = delete;
    CancellableDownload& operator=(const CancellableDownload&) = delete;

    // As ResumingDownload's: the announced size, -1 when none was given.
    long long expected() const { return expected_; }
    // As ResumingDownload::Read, or fails with the cancellation.
    DWORD Read(char* buffer, DWORD size, bool& restarted);

    struct Exchange;

private:
    // Waits for the helper's answer to the last request.
    void Await();
    // Lets the helper end once its read returns.
    void Abandon();

    std::shared_ptr<Exchange> exchange_;
    CancelToken cancel_;
    long long expected_ = -1;
};
