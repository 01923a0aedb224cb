#include "catalog/http_client.h"

#include <string>

#include "base/error.h"
#include "base/messages.h"
#include "base/worker_shared.h"
#include "catalog/proxy_route.h"
#include "catalog/proxy_sign_in.h"

namespace {

struct UrlParts {
    std::wstring scheme;  // "http" or "https"
    std::wstring host;
    INTERNET_PORT port = 0;
    bool secure = false;
    std::wstring objectName;  // path followed by the query
};

UrlParts CrackUrl(const std::wstring& url) {
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof(components);
    // -1 asks for pointers into the URL itself; user name and password stay 0.
    components.dwSchemeLength = static_cast<DWORD>(-1);
    components.dwHostNameLength = static_cast<DWORD>(-1);
    components.dwUrlPathLength = static_cast<DWORD>(-1);
    components.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &components)) Fail(msg::kUrlInvalid);

    UrlParts parts;
    if (components.lpszHostName != nullptr) parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    parts.scheme = parts.secure ? L"https" : L"http";
    if (components.lpszUrlPath != nullptr) parts.objectName.assign(components.lpszUrlPath, components.dwUrlPathLength);
    if (components.lpszExtraInfo != nullptr && components.dwExtraInfoLength > 0)
        parts.objectName.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    return parts;
}

DWORD QueryStatusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &size, WINHTTP_NO_HEADER_INDEX);
    return status;
}

// The announced body length, or -1 when the response has none (or one that is
// not a plain decimal number). Read as text: the 64-bit number flag is not
// understood everywhere.
long long QueryContentLength(HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof(text);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return -1;
    long long value = 0;
    int digits = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (*p == L' ' || *p == L'\t') continue;
        if (*p < L'0' || *p > L'9' || digits >= 18) return -1;
        value = value * 10 + (*p - L'0');
        ++digits;
    }
    return digits > 0 ? value : -1;
}

// With a proxy, the send step is where WinHTTP reaches the proxy (and has it
// open the tunnel): these errors there mean that the proxy did not answer.
bool IsProxyNotReached(DWORD error) {
    return error == ERROR_WINHTTP_CANNOT_CONNECT || error == ERROR_WINHTTP_NAME_NOT_RESOLVED ||
           error == ERROR_WINHTTP_TIMEOUT;
}

// The session (through `proxy` when there is one), connection and request.
HttpRequest OpenHandles(const UrlParts& parts, const ProxyRoute& route, const std::wstring* proxy,
                        const std::wstring& extraHeaders) {
    HttpRequest http;
    DWORD access = WINHTTP_ACCESS_TYPE_NO_PROXY;
    if (proxy != nullptr) {
        access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    } else if (route.machineDefault) {
        access = WINHTTP_ACCESS_TYPE_DEFAULT_PROXY;
    }
    // The bypass list has been applied already: a proxy given here is used.
    http.session.reset(WinHttpOpen(kUserAgent, access, proxy != nullptr ? proxy->c_str() : WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
    if (!http.session) Fail(msg::kNetworkInitFailed);
    WinHttpSetTimeouts(http.session.get(), kHttpTimeoutMs, kHttpTimeoutMs, kHttpTimeoutMs, kHttpTimeoutMs);

    http.connection.reset(WinHttpConnect(http.session.get(), parts.host.c_str(), parts.port, 0));
    if (!http.connection) Fail(msg::kConnectFailed);

    http.request.reset(WinHttpOpenRequest(http.connection.get(), L"GET", parts.objectName.c_str(), nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                          parts.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!http.request) Fail(msg::kRequestFailed);
    // Some WinHTTP versions wait for the response headers without the session's
    // receive time-out; bound that wait too, so a silent server fails in 12 s.
    DWORD responseTimeout = kHttpTimeoutMs;
    WinHttpSetOption(http.request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                     sizeof(responseTimeout));
    // Added to the request rather than to each send, so that a send again
    // after a proxy's sign-in request carries them once.
    if (!extraHeaders.empty() && !WinHttpAddRequestHeaders(http.request.get(), extraHeaders.c_str(),
                                                           static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD))
        Fail(msg::kRequestFailed);
    return http;
}

bool Send(HINTERNET request) {
    return WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) != FALSE;
}

// Sends the request directly or through each proxy of the route in turn,
// until one answers.
HttpRequest SendOnRoute(const std::wstring& url, const UrlParts& parts, const std::wstring& extraHeaders) {
    ProxyRoute route = ResolveProxyRoute(url, parts.scheme, parts.host, parts.port);
    if (route.proxies.empty()) {
        HttpRequest http = OpenHandles(parts, route, nullptr, extraHeaders);
        if (!Send(http.request.get())) Fail(msg::kServerNoAnswer);
        return http;
    }
    for (const std::wstring& proxy : route.proxies) {
        HttpRequest http = OpenHandles(parts, route, &proxy, extraHeaders);
        if (Send(http.request.get())) return http;
        if (!IsProxyNotReached(GetLastError())) Fail(msg::kServerNoAnswer);
    }
    Fail(msg::kProxyUnreachable);
}

void ReceiveResponse(HINTERNET request) {
    if (!WinHttpReceiveResponse(request, nullptr)) Fail(msg::kServerNoAnswer);
}

}  // namespace

HttpRequest OpenHttpGet(const std::wstring& url, const std::wstring& extraHeaders) {
    if (offlineModeShared.load()) Fail(msg::kNetworkDisabledOffline);

    UrlParts parts = CrackUrl(url);
    HttpRequest http = SendOnRoute(url, parts, extraHeaders);
    ReceiveResponse(http.request.get());

    DWORD status = QueryStatusCode(http.request.get());
    if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
        // One answer with the user's own logon; asked again, it was refused.
        if (!AnswerProxyChallenge(http.request.get())) Fail(msg::kProxySignInRefused);
        if (!Send(http.request.get())) Fail(msg::kServerNoAnswer);
        ReceiveResponse(http.request.get());
        status = QueryStatusCode(http.request.get());
        if (status == HTTP_STATUS_PROXY_AUTH_REQ) Fail(msg::kProxySignInRefused);
    }
    if (status < 200 || status > 299) {
        std::string message = "HTTP " + std::to_string(status);
        Fail(message.c_str());
    }
    http.status = status;
    http.contentLength = QueryContentLength(http.request.get());
    return http;
}

std::wstring ResponseHeader(const HttpRequest& http, DWORD query) {
    DWORD size = 0;
    if (WinHttpQueryHeaders(http.request.get(), query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                            WINHTTP_NO_HEADER_INDEX) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return std::wstring();
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(http.request.get(), query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                             WINHTTP_NO_HEADER_INDEX))
        return std::wstring();
    text.resize(size / sizeof(wchar_t));
    return text;
}

std::string DownloadToMemory(const std::wstring& url, unsigned long long limit, DWORD deadlineMs) {
    TransferWatch watch({limit, deadlineMs, 0, 0});
    HttpRequest http = OpenHttpGet(url);
    if (http.contentLength >= 0 && static_cast<unsigned long long>(http.contentLength) > limit)
        Fail(msg::kDownloadTooLarge);

    std::string body;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(http.request.get(), &available)) Fail(msg::kNetworkReadFailed);
        if (available == 0) break;
        if (available > limit - body.size()) Fail(msg::kDownloadTooLarge);

        size_t start = body.size();
        body.resize(start + available);
        DWORD read = 0;
        if (!WinHttpReadData(http.request.get(), body.data() + start, available, &read))
            Fail(msg::kDownloadInterrupted);
        body.resize(start + read);
        if (read == 0) break;
        watch.Check(body.size());
    }
    // A connection closed cleanly midway ends the body like a normal end; only
    // the announced length tells the two apart.
    if (http.contentLength >= 0 && body.size() < static_cast<unsigned long long>(http.contentLength))
        Fail(msg::kDownloadInterrupted);
    return body;
}
