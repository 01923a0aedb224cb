#include "operations/resuming_download.h"

#include <winhttp.h>

#include <cwchar>
#include <utility>

#include "base/error.h"
#include "base/messages.h"

namespace {

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

// What goes into If-Range: the ETag, else the Last-Modified date, when the
// server serves byte ranges. A weak ETag cannot be used there.
std::wstring RangeValidator(const HttpRequest& http) {
    if (!EqualsNoCase(ResponseHeader(http, WINHTTP_QUERY_ACCEPT_RANGES), L"bytes")) return std::wstring();
    std::wstring etag = ResponseHeader(http, WINHTTP_QUERY_ETAG);
    if (!etag.empty() && etag.compare(0, 2, L"W/") != 0) return etag;
    return ResponseHeader(http, WINHTTP_QUERY_LAST_MODIFIED);
}

}  // namespace

ResumingDownload::ResumingDownload(std::wstring url) : url_(std::move(url)) { StartOver(OpenHttpGet(url_)); }

void ResumingDownload::StartOver(HttpRequest http) {
    http_ = std::move(http);
    expected_ = http_.contentLength;
    offset_ = 0;
    validator_ = RangeValidator(http_);
}

DWORD ResumingDownload::Read(char* buffer, DWORD size, bool& restarted) {
    restarted = false;
    for (;;) {
        DWORD read = 0;
        // A connection closed cleanly before the announced length looks like
        // the end of the body; only the length tells them apart.
        if (ReadSome(buffer, size, read) &&
            (read > 0 || expected_ < 0 || offset_ == static_cast<unsigned long long>(expected_))) {
            offset_ += read;
            return read;
        }
        if (retriesLeft_ == 0) Fail(msg::kDownloadInterrupted);
        --retriesLeft_;
        if (TakeUp()) restarted = true;
    }
}

bool ResumingDownload::ReadSome(char* buffer, DWORD size, DWORD& read) {
    // Asked first, so that each read returns what has arrived instead of
    // waiting for a whole block: a trickling server is seen between reads.
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(http_.request.get(), &available)) return false;
    if (available == 0) return true;
    return WinHttpReadData(http_.request.get(), buffer, available < size ? available : size, &read) != FALSE;
}

bool ResumingDownload::TakeUp() {
    http_ = HttpRequest();
    if (offset_ == 0 || validator_.empty() || expected_ <= 0) {
        StartOver(OpenHttpGet(url_));
        return true;
    }
    const std::wstring from = std::to_wstring(offset_);
    const std::wstring last = std::to_wstring(expected_ - 1);
    const std::wstring total = std::to_wstring(expected_);
    HttpRequest http = OpenHttpGet(url_, L"Range: bytes=" + from + L"-\r\nIf-Range: " + validator_ + L"\r\n");
    if (http.status == HTTP_STATUS_PARTIAL_CONTENT) {
        if (ResponseHeader(http, WINHTTP_QUERY_CONTENT_RANGE) == L"bytes " + from + L"-" + last + L"/" + total) {
            http_ = std::move(http);
            return false;
        }
        // Some other piece than the one asked for: ask for the whole file.
        http = HttpRequest();
        http = OpenHttpGet(url_);
    }
    // A whole reply: the file changed, or the server would not give a range.
    StartOver(std::move(http));
    return true;
}
