#include "catalog/http_client.h"

#include <wincrypt.h>

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
HttpRequest OpenHandles(const UrlParts& parts, const std::wstring* proxy, const std::wstring& extraHeaders) {
    HttpRequest http;
    // The bypass list has been applied already: a proxy given here is used,
    // and without one the request goes direct.
    DWORD access = proxy != nullptr ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY;
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
    if (!KeepLogonFromServers(http.request.get())) Fail(msg::kRequestFailed);
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

// A request sent, and whether it went through a proxy that the route chose.
struct SentRequest {
    HttpRequest http;
    bool throughProxy = false;
};

// Sends the request directly or through each proxy of the route in turn,
// until one answers.
SentRequest SendOnRoute(const std::wstring& url, const UrlParts& parts, const std::wstring& extraHeaders) {
    ProxyRoute route = ResolveProxyRoute(url, parts.scheme, parts.host, parts.port);
    if (route.proxies.empty()) {
        SentRequest sent{OpenHandles(parts, nullptr, extraHeaders), false};
        if (!Send(sent.http.request.get())) Fail(msg::kServerNoAnswer);
        return sent;
    }
    for (const std::wstring& proxy : route.proxies) {
        SentRequest sent{OpenHandles(parts, &proxy, extraHeaders), true};
        if (Send(sent.http.request.get())) return sent;
        if (!IsProxyNotReached(GetLastError())) Fail(msg::kServerNoAnswer);
    }
    Fail(msg::kProxyUnreachable);
}

void ReceiveResponse(HINTERNET request) {
    if (!WinHttpReceiveResponse(request, nullptr)) Fail(msg::kServerNoAnswer);
}

// Over https a server certificate exists once the tunnel through the proxy
// is open: a 407 after that came from the web server, not from the proxy.
bool ServerReached(HINTERNET request) {
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof(certificate);
    if (!WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size) || certificate == nullptr)
        return false;
    CertFreeCertificateContext(certificate);
    return true;
}

bool IsRedirect(DWORD status) {
    return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT || status == HTTP_STATUS_REDIRECT_METHOD ||
           status == HTTP_STATUS_REDIRECT_KEEP_VERB || status == HTTP_STATUS_PERMANENT_REDIRECT;
}

// WinHTTP's own limit on automatic redirects.
constexpr int kMaxRedirects = 10;

// Where a redirect points, as a whole URL; empty when it names no place that
// the request may follow (https never goes on in plain http).
std::wstring RedirectTarget(const HttpRequest& http, const UrlParts& from) {
    std::wstring location = ResponseHeader(http, WINHTTP_QUERY_LOCATION);
    if (location.empty()) return std::wstring();
    std::wstring target;
    if (location.rfind(L"https://", 0) == 0 || location.rfind(L"http://", 0) == 0) {
        target = location;
    } else if (location.rfind(L"//", 0) == 0) {
        target = from.scheme + L":" + location;
    } else if (location.front() == L'/') {
        target = from.scheme + L"://" + from.host + L":" + std::to_wstring(from.port) + location;
    } else {
        return std::wstring();
    }
    if (from.secure && target.rfind(L"https://", 0) != 0) return std::wstring();
    return target;
}

// One request on its own route. `redirect` receives where a redirect points
// when one is to be followed by a new request, as after a proxy's sign-in.
HttpRequest OpenOnce(const std::wstring& url, const std::wstring& extraHeaders, std::wstring& redirect) {
    UrlParts parts = CrackUrl(url);
    SentRequest sent = SendOnRoute(url, parts, extraHeaders);
    HttpRequest& http = sent.http;
    ReceiveResponse(http.request.get());

    DWORD status = QueryStatusCode(http.request.get());
    if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
        // Only the proxy chosen for this request may ask, and only on its own
        // leg: a server reached directly or through the tunnel gets nothing.
        if (!sent.throughProxy || ServerReached(http.request.get())) Fail(msg::kProxySignInRefused);
        // One answer with the user's own logon; asked again, it was refused.
        if (!AnswerProxyChallenge(http.request.get())) Fail(msg::kProxySignInRefused);
        // The answer belongs to this proxy and this address: a redirect is
        // followed by a new request on its own route, with nothing attached.
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        if (!WinHttpSetOption(http.request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never)))
            Fail(msg::kRequestFailed);
        if (!Send(http.request.get())) Fail(msg::kServerNoAnswer);
        ReceiveResponse(http.request.get());
        status = QueryStatusCode(http.request.get());
        if (status == HTTP_STATUS_PROXY_AUTH_REQ) Fail(msg::kProxySignInRefused);
        if (IsRedirect(status)) redirect = RedirectTarget(http, parts);
    }
    if (redirect.empty() && (status < 200 || status > 299)) {
        std::string message = "HTTP " + std::to_string(status);
        Fail(message.c_str());
    }
    http.status = status;
    http.contentLength = QueryContentLength(http.request.get());
    return std::move(http);
}

}  // namespace

HttpRequest OpenHttpGet(const std::wstring& url, const std::wstring& extraHeaders) {
    if (offlineModeShared.load()) Fail(msg::kNetworkDisabledOffline);

    std::wstring target = url;
    for (int redirects = 0;; ++redirects) {
        std::wstring redirect;
        HttpRequest http = OpenOnce(target, extraHeaders, redirect);
        if (redirect.empty()) return http;
        if (redirects == kMaxRedirects) {
            std::string message = "HTTP " + std::to_string(http.status);
            Fail(message.c_str());
        }
        target = redirect;
    }
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
