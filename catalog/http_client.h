// One synchronous HTTP(S) GET over WinHTTP, on a worker thread, through the
// proxy that the user's settings give for its address. Refused while the
// program is in offline mode.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <string>

#include "base/winhttp_handles.h"
#include "catalog/transfer_limits.h"

// The three handles of one request. Members are destroyed in reverse order:
// request first, then connection, then session.
struct HttpRequest {
    UniqueInternet session;
    UniqueInternet connection;
    UniqueInternet request;
    DWORD status = 0;
    // Content-Length announced by the response, or -1 when none was given.
    long long contentLength = -1;

    HttpRequest() = default;
    HttpRequest(HttpRequest&&) noexcept = default;
    HttpRequest& operator=(HttpRequest&& other) noexcept {
        if (this != &other) {
            request.reset();
            connection.reset();
            session = std::move(other.session);
            connection = std::move(other.connection);
            request = std::move(other.request);
            status = other.status;
            contentLength = other.contentLength;
        }
        return *this;
    }
};


// Opens the request and checks that the status is 2xx; throws otherwise.
// `extraHeaders`: request header lines, each ended by "\r\n".
HttpRequest OpenHttpGet(const std::wstring& url, const std::wstring& extraHeaders = std::wstring());
// A response header's text (WINHTTP_QUERY_ETAG and the like); empty when the
// response has none.
std::wstring ResponseHeader(const HttpRequest& http, DWORD query);
// The whole body, at most `limit` bytes ("Fichier OVH trop volumineux" beyond),
// the whole request within `deadlineMs` ("Téléchargement interrompu" after).
std::string DownloadToMemory(const std::wstring& url, unsigned long long limit, DWORD deadlineMs = kRequestDeadlineMs);
