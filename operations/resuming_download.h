// The body of one tool download, read block by block. A connection that
// breaks before the end is taken up again, at most three times: where it
// broke, with a range request, when the server offers ranges of this very
// file (Accept-Ranges and an ETag or Last-Modified); else from the start.
#pragma once

#include <windows.h>

#include <string>

#include "catalog/http_client.h"

inline constexpr int kDownloadRetries = 3;

class ResumingDownload {
public:
    // Sends the first request; OpenHttpGet's errors pass through.
    explicit ResumingDownload(std::wstring url);

    // The body's announced size, -1 when the server gave none. It may change
    // when the body starts again.
    long long expected() const { return expected_; }

    // Up to `size` bytes of the body; 0 once all of it has arrived. Sets
    // `restarted` when the body had to start again from its first byte: the
    // bytes read so far are then to be thrown away, and these come first.
    // After the last retry a broken body fails with "Téléchargement interrompu".
    DWORD Read(char* buffer, DWORD size, bool& restarted);

private:
    // Reads what has arrived; false when the connection broke.
    bool ReadSome(char* buffer, DWORD size, DWORD& read);
    // After a break: true when the new reply starts from zero.
    bool TakeUp();
    void StartOver(HttpRequest http);

    std::wstring url_;
    HttpRequest http_;
    long long expected_ = -1;
    unsigned long long offset_ = 0;  // bytes of the body read so far
    std::wstring validator_;         // If-Range value; empty: no ranges
    int retriesLeft_ = kDownloadRetries;
};
