#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/messages.h"
#include "base/worker_shared.h"
#include "catalog/catalog_load.h"
#include "catalog/http_client.h"
#include "catalog/proxy_route.h"
#include "catalog/proxy_sign_in.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"
#include "tests/support/closed_port.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_proxy.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "tests/support/user_proxy.h"
#include "ui/jobs/icon_jobs.h"

namespace {

std::wstring SecureUrl(const std::wstring& path) { return TestServerUrl() + path; }
// The same server under another name, which the set-ups leave off the proxy.
std::wstring BypassedUrl(const std::wstring& path) {
    return L"http://127.0.0.1:" + std::to_wstring(TestServerPort() + 1) + path;
}
std::wstring ScriptUrl(const std::wstring& name) { return TestServerPlainUrl() + L"/proxy_test/" + name; }

// A configuration script that sends the test host to `proxy` and the rest direct.
std::string ScriptFor(const std::wstring& proxy) {
    return "function FindProxyForURL(url, host) {\n"
           "    if (host == \"localhost\") return \"PROXY " +
           WideToUtf8(proxy) +
           "\";\n"
           "    return \"DIRECT\";\n"
           "}\n";
}

// The exchange by which the server received `path`; fails the test when none.
ServerExchange ExchangeFor(const std::string& path) {
    for (const ServerExchange& exchange : ServerExchanges()) {
        if (exchange.path == path) return exchange;
    }
    ADD_FAILURE() << "the server never received " << path;
    return {};
}

std::string Describe(const std::vector<ProxyLogEntry>& entries) {
    std::string text;
    for (const ProxyLogEntry& entry : entries)
        text += "[" + entry.method + " " + entry.url + " " + std::to_string(entry.status) + "]";
    return text.empty() ? "nothing" : text;
}

bool InLog(const std::vector<ProxyLogEntry>& entries, int serverPort) {
    for (const ProxyLogEntry& entry : entries) {
        if (entry.serverPort == serverPort) return true;
    }
    return false;
}

// One request known to go through the proxy, waited for in its log: every
// request made before it that went through the proxy is in the log by then.
void SendSentinel(const ProxyLogWatch& watch) {
    ScopedUserProxy manual({false, ProxyAddress(TestProxyPort()), L"", L""});
    ASSERT_EQ(DownloadToMemory(SecureUrl(L"/proxy_test/sentinel.bin"), kCatalogSizeLimit), "sentinel");
    ASSERT_TRUE(watch.WaitForServerPort(ExchangeFor("/proxy_test/sentinel.bin").clientPort, 10000))
        << "the sentinel request never showed in the proxy's log";
}

class ProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        offlineModeShared = false;
        PublishFile(L"proxy_test/a.bin", "through the proxy");
        PublishFile(L"proxy_test/b.bin", "around the proxy");
        PublishFile(L"proxy_test/sentinel.bin", "sentinel");
        ClearRequestLog();
    }
    void TearDown() override {
        for (const wchar_t* name :
             {L"proxy_test/a.bin", L"proxy_test/b.bin", L"proxy_test/sentinel.bin", L"proxy_test/proxy.pac"})
            UnpublishFile(name);
        offlineModeShared = false;
    }
};

}  // namespace

TEST(ProxyRoute, ProxyAndBypassListsReadAsWindowsReadsThem) {
    struct ListCase {
        std::wstring list;
        std::wstring scheme;
        std::vector<std::wstring> expected;
    };
    const ListCase lists[] = {
        {L"proxy.corp:8080", L"https", {L"proxy.corp:8080"}},
        {L"proxy.corp", L"http", {L"proxy.corp:80"}},
        {L"http=a:80;https=b:443;ftp=c:21", L"https", {L"b:443"}},
        {L"http=a:80;https=b:443;ftp=c:21", L"http", {L"a:80"}},
        {L"HTTPS=b:443", L"https", {L"b:443"}},
        {L"http=a:80", L"https", {}},
        {L"socks=s:1080", L"https", {}},
        {L"http://p:3128/", L"https", {L"p:3128"}},
        {L"https=https://tls:443", L"https", {}},
        {L"a:1; b:2  c:3", L"https", {L"a:1", L"b:2", L"c:3"}},
        {L"[::1]:8080;[::1]", L"https", {L"[::1]:8080", L"[::1]:80"}},
        {L"", L"https", {}},
    };
    for (const ListCase& c : lists)
        EXPECT_EQ(ProxiesForScheme(c.list, c.scheme), c.expected)
            << WideToUtf8(c.list) << " for " << WideToUtf8(c.scheme);

    struct BypassCase {
        std::wstring list;
        std::wstring scheme;
        std::wstring host;
        INTERNET_PORT port;
        bool expected;
    };
    const BypassCase bypasses[] = {
        {L"*.corp.example", L"https", L"www.corp.example", 443, true},
        {L"*.corp.example", L"https", L"corp.example", 443, false},
        {L"*.corp.example", L"https", L"wwwcorp.example", 443, false},
        {L"10.*", L"https", L"10.1.2.3", 443, true},
        {L"10.*", L"https", L"110.1.2.3", 443, false},
        {L"*intra*", L"https", L"my-intranet.example", 443, true},
        {L"<local>", L"https", L"intranet", 443, true},
        {L"<local>", L"https", L"www.example", 443, false},
        {L"<local>", L"https", L"1249766179", 443, false},
        {L"<local>", L"https", L"0x4a7d2b63", 443, false},
        {L"<local>", L"https", L"0X4A7D2B63", 443, false},
        {L"<local>", L"https", L"011237225543", 443, false},
        {L"<local>", L"https", L"[2001:db8::1]", 443, false},
        {L"<local>", L"https", L"2001:db8::1", 443, false},
        {L"<local>", L"https", L"0177.1", 443, false},
        {L"<local>", L"https", L"intranet2", 443, true},
        {L"<local>", L"https", L"0xintranet", 443, true},
        {L"<-loopback>", L"https", L"localhost", 443, false},
        {L"WWW.Example.COM", L"https", L"www.example.com", 443, true},
        {L"example.com", L"https", L"www.example.com", 443, false},
        {L"https://secure.example", L"http", L"secure.example", 80, false},
        {L"https://secure.example", L"https", L"secure.example", 443, true},
        {L"host.example:8443", L"https", L"host.example", 443, false},
        {L"host.example:443", L"https", L"host.example", 443, true},
        {L"a.example; b.example", L"https", L"b.example", 443, true},
        {L"a.example,b.example", L"https", L"b.example", 443, true},
        {L"", L"https", L"anything", 443, false},
    };
    for (const BypassCase& c : bypasses)
        EXPECT_EQ(BypassesProxy(c.list, c.scheme, c.host, c.port), c.expected)
            << WideToUtf8(c.list) << " for " << WideToUtf8(c.host);
}

// The manual proxy with its bypass list, a configuration script, and
// automatic detection that finds nothing (then a request goes direct).
TEST_F(ProxyTest, RequestsTakeTheWayTheUsersSettingsGive) {
    const std::wstring proxy = ProxyAddress(TestProxyPort());
    PublishFile(L"proxy_test/proxy.pac", ScriptFor(proxy));
    struct Case {
        const char* what;
        UserProxySettings settings;
        bool secureThroughProxy;
    };
    const Case cases[] = {
        {"manual proxy, 127.0.0.1 bypassed", {false, proxy, L"127.0.0.1", L""}, true},
        {"manual proxy for https only", {false, L"http=127.0.0.1:1;https=" + proxy, L"127.0.0.1", L""}, true},
        {"configuration script", {false, L"", L"", ScriptUrl(L"proxy.pac")}, true},
        {"script that cannot be read, then the manual proxy",
         {false, proxy, L"127.0.0.1", ScriptUrl(L"missing.pac")},
         true},
        {"automatic detection that finds nothing", {true, L"", L"", L""}, false},
    };
    for (const Case& c : cases) {
        ClearRequestLog();
        ProxyLogWatch watch;
        {
            ScopedUserProxy settings(c.settings);
            EXPECT_EQ(DownloadToMemory(BypassedUrl(L"/proxy_test/b.bin"), kCatalogSizeLimit), "around the proxy")
                << c.what;
            EXPECT_EQ(DownloadToMemory(SecureUrl(L"/proxy_test/a.bin"), kCatalogSizeLimit), "through the proxy")
                << c.what;
        }
        const int secure = ExchangeFor("/proxy_test/a.bin").clientPort;
        const int bypassed = ExchangeFor("/proxy_test/b.bin").clientPort;
        SendSentinel(watch);
        const std::vector<ProxyLogEntry> entries = watch.Entries();
        EXPECT_EQ(InLog(entries, secure), c.secureThroughProxy) << c.what;
        EXPECT_FALSE(InLog(entries, bypassed)) << c.what << ": the bypassed host went through the proxy";
    }
}

TEST_F(ProxyTest, AProxyThatDoesNotAnswerFailsWithItsOwnMessage) {
    ClosedPort closed;
    ASSERT_NE(closed.port(), 0);
    const std::wstring dead = ProxyAddress(closed.port());
    const std::wstring live = ProxyAddress(TestProxyPort());
    PublishFile(L"proxy_test/proxy.pac", ScriptFor(dead));
    struct Case {
        const char* what;
        UserProxySettings settings;
        std::string expected;
    };
    const Case cases[] = {
        {"manual proxy that refuses connections", {false, dead, L"", L""}, msg::kProxyUnreachable},
        {"proxy whose name does not resolve", {false, L"no-such-proxy.invalid:3128", L"", L""}, msg::kProxyUnreachable},
        {"script naming a proxy that refuses", {false, L"", L"", ScriptUrl(L"proxy.pac")}, msg::kProxyUnreachable},
        {"first proxy of the list refuses, the next answers", {false, dead + L";" + live, L"", L""}, "<no error>"},
    };
    for (const Case& c : cases) {
        ScopedUserProxy settings(c.settings);
        EXPECT_EQ(ErrorOf([] { DownloadToMemory(SecureUrl(L"/proxy_test/a.bin"), kCatalogSizeLimit); }), c.expected)
            << c.what;
    }
}

// Behind the proxy the certificate is still the server's own, checked as
// always (127.0.0.1 is not the name it was made for), and an https address
// is never sent on in plain http. The proxy is named "localhost" here: Wine
// opens no tunnel when the proxy's name is the server's own.
TEST_F(ProxyTest, TheHttpsRulesHoldBehindTheProxy) {
    ScopedUserProxy settings({false, L"localhost:" + std::to_wstring(TestProxyPort()), L"", L""});
    ProxyLogWatch watch;
    const std::wstring wrongName = L"https://127.0.0.1:" + std::to_wstring(TestServerPort()) + L"/proxy_test/a.bin";
    EXPECT_EQ(ErrorOf([&] { DownloadToMemory(wrongName, kCatalogSizeLimit); }), msg::kServerNoAnswer);
    const std::string tunnel = "127.0.0.1:" + std::to_string(TestServerPort());
    EXPECT_TRUE(watch.WaitFor(
        [&](const std::vector<ProxyLogEntry>& entries) {
            for (const ProxyLogEntry& entry : entries) {
                if (entry.method == "CONNECT" && entry.url == tunnel && entry.status == 200) return true;
            }
            return false;
        },
        10000))
        << "the proxy opened no tunnel for the refused certificate; it logged " << Describe(watch.Entries());
    EXPECT_TRUE(ServerExchanges().empty()) << "a request went out over a refused certificate";

    // Windows hands the redirect back (HTTP 302); Wine fails the response.
    // Either way the plain address is never asked for.
    const std::wstring plainTarget = TestServerPlainUrl() + L"/proxy_test/a.bin";
    const std::string redirected = ErrorOf(
        [&] { DownloadToMemory(SecureUrl(L"/fault/redirect?to=" + plainTarget), kCatalogSizeLimit); });
    EXPECT_TRUE(redirected == "HTTP 302" || redirected == msg::kServerNoAnswer) << redirected;
    for (const ServerExchange& exchange : ServerExchanges())
        EXPECT_NE(exchange.path, "/proxy_test/a.bin") << "an https request was sent on in plain http";
}

namespace {

// What the sign-in made of the WinHTTP calls, recorded by the replacements.
struct SignInRecord {
    DWORD offered = 0;  // 0: ask the real proxy
    // Answer with the test proxy's Basic password instead of the logon, so
    // that the proxy lets the request on to the server.
    bool signInForReal = false;
    int queries = 0;
    DWORD realSupported = 0;
    std::vector<DWORD> autologonPolicies;
    int credentialCalls = 0;
    DWORD credentialTarget = 0;
    DWORD credentialScheme = 0;
    bool nameGiven = false;
    bool passwordGiven = false;
};
SignInRecord g_signIn;
ProxySignInCalls g_realCalls;

BOOL WINAPI RecordQueryAuthSchemes(HINTERNET request, LPDWORD supported, LPDWORD first, LPDWORD target) {
    ++g_signIn.queries;
    BOOL ok = g_realCalls.queryAuthSchemes(request, supported, first, target);
    if (ok) g_signIn.realSupported = *supported;
    if (g_signIn.offered != 0) {
        // What a domain proxy would offer, in its own order of preference.
        *supported = g_signIn.offered;
        *first = (g_signIn.offered & WINHTTP_AUTH_SCHEME_NEGOTIATE) != 0 ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                                                                         : g_signIn.offered;
        *target = WINHTTP_AUTH_TARGET_PROXY;
        return TRUE;
    }
    return ok;
}

BOOL WINAPI RecordSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
    if (option == WINHTTP_OPTION_AUTOLOGON_POLICY && length == sizeof(DWORD))
        g_signIn.autologonPolicies.push_back(*static_cast<DWORD*>(buffer));
    return g_realCalls.setOption(handle, option, buffer, length);
}

// Accepted without calling WinHTTP: without a domain, Wine has no logon to
// give, and the proxy then asks again, as one that refuses the user would.
// When the test wants the proxy passed, its Basic password stands in for the
// logon, given for the same target.
BOOL WINAPI RecordSetCredentials(HINTERNET request, DWORD target, DWORD scheme, LPCWSTR name, LPCWSTR password,
                                 LPVOID) {
    ++g_signIn.credentialCalls;
    g_signIn.credentialTarget = target;
    g_signIn.credentialScheme = scheme;
    g_signIn.nameGiven = name != nullptr;
    g_signIn.passwordGiven = password != nullptr;
    if (g_signIn.signInForReal)
        return g_realCalls.setCredentials(request, target, WINHTTP_AUTH_SCHEME_BASIC, kTestProxyUser,
                                          kTestProxyPassword, nullptr);
    return TRUE;
}

class ScopedSignInRecorder {
public:
    ScopedSignInRecorder() {
        g_realCalls = ProxySignInApi();
        ProxySignInApi() = {RecordQueryAuthSchemes, RecordSetOption, RecordSetCredentials};
    }
    ~ScopedSignInRecorder() { ProxySignInApi() = g_realCalls; }
    ScopedSignInRecorder(const ScopedSignInRecorder&) = delete;
    ScopedSignInRecorder& operator=(const ScopedSignInRecorder&) = delete;
};

}  // namespace

// The test proxy asks for Basic; the schemes of a domain proxy are offered
// through the replaced calls. Wine does not hand a proxy's 407 to an https
// request (the tunnel's answer goes to the TLS handshake instead), so the
// request here is plain http.
TEST_F(ProxyTest, ProxySignInOffersOnlyTheUsersOwnLogonAndOnlyOnce) {
    ScopedUserProxy settings({false, ProxyAddress(TestSignInProxyPort()), L"", L""});
    ScopedSignInRecorder recorder;
    const std::wstring url = TestServerPlainUrl() + L"/proxy_test/a.bin";
    struct Case {
        const char* what;
        DWORD offered;
        DWORD answeredWith;  // 0: refused without an answer
    };
    const DWORD negotiate = WINHTTP_AUTH_SCHEME_NEGOTIATE;
    const DWORD ntlm = WINHTTP_AUTH_SCHEME_NTLM;
    const DWORD basic = WINHTTP_AUTH_SCHEME_BASIC;
    const Case cases[] = {
        {"Basic only, as the test proxy asks", 0, 0},
        {"Negotiate, NTLM and Basic", negotiate | ntlm | basic, negotiate},
        {"NTLM and Basic", ntlm | basic, ntlm},
        {"Digest only", WINHTTP_AUTH_SCHEME_DIGEST, 0},
    };
    for (const Case& c : cases) {
        g_signIn = SignInRecord{};
        g_signIn.offered = c.offered;
        ProxyLogWatch watch;
        const ULONGLONG started = GetTickCount64();

        EXPECT_EQ(ErrorOf([&] { DownloadToMemory(url, kCatalogSizeLimit); }), msg::kProxySignInRefused) << c.what;

        EXPECT_LT(GetTickCount64() - started, 10000u) << c.what << ": not refused at once";
        EXPECT_EQ(g_signIn.realSupported, basic) << c.what << ": the test proxy asks for Basic";
        EXPECT_EQ(g_signIn.queries, 1) << c.what << ": asked again means refused";
        EXPECT_EQ(g_signIn.credentialCalls, c.answeredWith != 0 ? 1 : 0) << c.what;
        if (c.answeredWith != 0) {
            EXPECT_EQ(g_signIn.credentialTarget, static_cast<DWORD>(WINHTTP_AUTH_TARGET_PROXY)) << c.what;
            EXPECT_EQ(g_signIn.credentialScheme, c.answeredWith) << c.what;
            EXPECT_FALSE(g_signIn.nameGiven) << c.what;
            EXPECT_FALSE(g_signIn.passwordGiven) << c.what;
        }
        // The logon is given explicitly to the proxy; WinHTTP itself may not
        // give it to anyone.
        EXPECT_EQ(g_signIn.autologonPolicies, std::vector<DWORD>{WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH}) << c.what;
        // Every request the proxy saw was refused, and there were no more
        // than the first and one answer.
        EXPECT_TRUE(watch.WaitFor([](const std::vector<ProxyLogEntry>& e) { return !e.empty(); }, 10000)) << c.what;
        std::vector<ProxyLogEntry> entries = watch.Entries();
        EXPECT_LE(entries.size(), 2u) << c.what;
        for (const ProxyLogEntry& entry : entries) EXPECT_EQ(entry.status, 407) << c.what;
        EXPECT_TRUE(ServerExchanges().empty()) << c.what;
    }
}

namespace {

// Every request that the server received for `path`.
std::vector<ServerExchange> ExchangesFor(const std::string& path) {
    std::vector<ServerExchange> found;
    for (const ServerExchange& exchange : ServerExchanges()) {
        if (exchange.path == path) found.push_back(exchange);
    }
    return found;
}

}  // namespace

// A web server that asks for the proxy's sign-in, reached directly or from
// inside the tunnel through the proxy, is refused at once: one request, no
// logon offered, not even by WinHTTP on its own.
TEST_F(ProxyTest, OnlyTheChosenProxyMayAskForTheLogon) {
    ScopedSignInRecorder recorder;
    struct Case {
        const char* what;
        UserProxySettings settings;
        std::wstring url;
    };
    const Case cases[] = {
        {"https, no proxy", {false, L"", L"", L""}, SecureUrl(L"/fault/proxyauth")},
        {"http, no proxy", {false, L"", L"", L""}, TestServerPlainUrl() + L"/fault/proxyauth"},
        {"http, server left off the proxy",
         {false, ProxyAddress(TestProxyPort()), L"localhost", L""},
         TestServerPlainUrl() + L"/fault/proxyauth"},
        {"https, the server behind the proxy's tunnel",
         {false, ProxyAddress(TestProxyPort()), L"", L""},
         SecureUrl(L"/fault/proxyauth")},
    };
    for (const Case& c : cases) {
        ClearRequestLog();
        g_signIn = SignInRecord{};
        ScopedUserProxy settings(c.settings);
        EXPECT_EQ(ErrorOf([&] { OpenHttpGet(c.url); }), msg::kProxySignInRefused) << c.what;
        EXPECT_EQ(g_signIn.queries, 0) << c.what;
        EXPECT_EQ(g_signIn.credentialCalls, 0) << c.what;
        const std::vector<ServerExchange> received = ExchangesFor("/fault/proxyauth");
        ASSERT_EQ(received.size(), 1u) << c.what << ": asked again after the refusal";
        EXPECT_EQ(received[0].authorization, "-") << c.what;
        EXPECT_EQ(received[0].proxyAuthorization, "-") << c.what;
    }
}

// Behind the Basic-only test proxy (passed with its password in place of the
// logon), a web server asking for a sign-in gets none: the request fails
// with the status, as any other HTTP error. The same without a proxy.
TEST_F(ProxyTest, AWebServerNeverGetsTheLogon) {
    ScopedSignInRecorder recorder;
    struct Case {
        const char* what;
        UserProxySettings settings;
        std::wstring url;
        int proxySignIns;
    };
    const Case cases[] = {
        {"http behind the signed-in proxy",
         {false, ProxyAddress(TestSignInProxyPort()), L"", L""},
         TestServerPlainUrl() + L"/fault/serverauth",
         1},
        {"https, no proxy", {false, L"", L"", L""}, SecureUrl(L"/fault/serverauth"), 0},
        {"http, no proxy", {false, L"", L"", L""}, TestServerPlainUrl() + L"/fault/serverauth", 0},
    };
    for (const Case& c : cases) {
        ClearRequestLog();
        g_signIn = SignInRecord{};
        g_signIn.offered = WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM;
        g_signIn.signInForReal = true;
        ScopedUserProxy settings(c.settings);
        EXPECT_EQ(ErrorOf([&] { OpenHttpGet(c.url); }), "HTTP 401") << c.what;
        EXPECT_EQ(g_signIn.credentialCalls, c.proxySignIns) << c.what;
        const std::vector<ServerExchange> received = ExchangesFor("/fault/serverauth");
        ASSERT_EQ(received.size(), 1u) << c.what << ": the server was asked again";
        EXPECT_EQ(received[0].authorization, "-") << c.what;
        EXPECT_EQ(received[0].proxyAuthorization, "-") << c.what;
    }
}

// Once the proxy's sign-in was answered, a redirect is a new request on the
// route of its own address: a host left off the proxy is reached directly,
// with nothing of the sign-in attached, and a host behind the proxy signs in
// again.
TEST_F(ProxyTest, ARedirectAfterTheProxySignInTakesItsOwnRoute) {
    ScopedSignInRecorder recorder;
    ScopedUserProxy settings({false, ProxyAddress(TestSignInProxyPort()), L"127.0.0.1", L""});
    struct Case {
        const char* what;
        std::wstring target;
        bool throughProxy;
        int proxySignIns;
    };
    const std::wstring plainPort = std::to_wstring(TestServerPort() + 1);
    const Case cases[] = {
        {"to a host left off the proxy", L"http://127.0.0.1:" + plainPort + L"/proxy_test/a.bin", false, 1},
        {"to a host behind the proxy", L"http://localhost:" + plainPort + L"/proxy_test/a.bin", true, 2},
    };
    for (const Case& c : cases) {
        ClearRequestLog();
        g_signIn = SignInRecord{};
        g_signIn.offered = WINHTTP_AUTH_SCHEME_NEGOTIATE;
        g_signIn.signInForReal = true;
        ProxyLogWatch watch;
        const std::wstring url = TestServerPlainUrl() + L"/fault/redirect?to=" + c.target;
        EXPECT_EQ(DownloadToMemory(url, kCatalogSizeLimit), "through the proxy") << c.what;
        EXPECT_EQ(g_signIn.credentialCalls, c.proxySignIns) << c.what;
        const std::vector<ServerExchange> received = ExchangesFor("/proxy_test/a.bin");
        ASSERT_EQ(received.size(), 1u) << c.what;
        EXPECT_EQ(received[0].authorization, "-") << c.what;
        EXPECT_EQ(received[0].proxyAuthorization, "-") << c.what;
        if (c.throughProxy) {
            EXPECT_TRUE(watch.WaitForServerPort(received[0].clientPort, 10000)) << c.what;
        } else {
            SendSentinel(watch);
            EXPECT_FALSE(InLog(watch.Entries(), received[0].clientPort))
                << c.what << ": the redirect went through the proxy";
        }
    }
}

// Offline mode decides before anything else, so not even the configuration
// script is fetched.
TEST_F(ProxyTest, OfflineModeMakesNoRequestAtAll) {
    PublishFile(L"proxy_test/proxy.pac", ScriptFor(ProxyAddress(TestProxyPort())));
    ProxyLogWatch watch;
    {
        ScopedUserProxy settings({true, ProxyAddress(TestProxyPort()), L"", ScriptUrl(L"proxy.pac")});
        offlineModeShared = true;
        EXPECT_EQ(ErrorOf([] { DownloadToMemory(SecureUrl(L"/proxy_test/a.bin"), kCatalogSizeLimit); }),
                  msg::kNetworkDisabledOffline);
        EXPECT_EQ(ErrorOf([] { OpenHttpGet(SecureUrl(L"/proxy_test/a.bin")); }), msg::kNetworkDisabledOffline);
        offlineModeShared = false;
    }
    SendSentinel(watch);
    std::vector<ServerExchange> exchanges = ServerExchanges();
    ASSERT_EQ(exchanges.size(), 1u) << "a request went out in offline mode";
    EXPECT_EQ(exchanges[0].path, "/proxy_test/sentinel.bin");
    EXPECT_EQ(watch.Entries().size(), 1u) << "the proxy saw a request made in offline mode";
}

namespace {

std::string ToolCatalogue(const std::wstring& sha256) {
    return R"({
  "downloadEndpoint": ")" +
           WideToUtf8(TestServerUrl()) + R"(/telechargement",
  "iconBaseUrl": "",
  "apps": [
    {"id": "h6proxy", "version": "1.0", "category": "Essais", "description": "Outil derrière le proxy",
     "sha256": ")" +
           WideToUtf8(sha256) + R"(", "icon": "/proxy_test/h6proxy.png"}
  ]
})";
}

unsigned Red(int, int) { return 0xFFFF0000u; }

}  // namespace

// The program's own jobs, from the catalogue to the installed tool, each
// through the user's proxy; and when the proxy does not answer, each job
// fails with the message that says so.
TEST_F(ProxyTest, CatalogueIconAndToolGoThroughTheUsersProxy) {
    GdiplusSession gdiplus;
    TestMainWindow window;
    const std::string tool = TraceToolBytes();
    const std::wstring sha256 = Sha256Of(tool);
    CatalogApp published = MakeToolEntry(L"h6proxy", sha256);
    PublishFile(L"outils/catalog.json", ToolCatalogue(sha256));
    PublishFile(L"proxy_test/h6proxy.png", MakePng(2, 2, Red));
    PublishFile(PublishedDownloadPath(published), tool);
    const std::wstring proxy = ProxyAddress(TestProxyPort());
    PublishFile(L"proxy_test/proxy.pac", ScriptFor(proxy));
    const std::string toolPath = "/telechargement?id=" + WideToUtf8(published.downloadId) + "&type=exe";

    struct Case {
        const char* what;
        UserProxySettings settings;
    };
    const Case cases[] = {
        {"manual proxy", {false, proxy, L"127.0.0.1", L""}},
        {"configuration script", {false, L"", L"", ScriptUrl(L"proxy.pac")}},
    };
    for (const Case& c : cases) {
        ToolCleanup cleanup(L"h6proxy");
        ClearRequestLog();
        ProxyLogWatch watch;
        ScopedUserProxy settings(c.settings);

        std::unique_ptr<CatalogLoadResult> loaded = LoadCatalog(CatalogLoadJob{});
        ASSERT_TRUE(loaded && loaded->ok) << c.what << ": " << (loaded ? WideToUtf8(loaded->error) : "no result");
        ASSERT_EQ(loaded->apps.size(), 1u) << c.what;
        g_state.apps = std::move(loaded->apps);
        StartIconLoad();
        EXPECT_TRUE(PumpUntil([] { return static_cast<bool>(g_state.apps[0].iconBitmap); }, 30000)) << c.what;
        EXPECT_EQ(InstallTool(MakeToolRequest(g_state.apps[0])).path, InstalledPath(L"h6proxy")) << c.what;
        EXPECT_TRUE(ReadFileBytes(InstalledPath(L"h6proxy")) == tool) << c.what;

        for (const std::string& path :
             {std::string("/outils/catalog.json"), std::string("/proxy_test/h6proxy.png"), toolPath})
            EXPECT_TRUE(watch.WaitForServerPort(ExchangeFor(path).clientPort, 10000))
                << c.what << ": " << path << " did not go through the proxy";
        g_state.apps.clear();
    }

    ClosedPort closed;
    ASSERT_NE(closed.port(), 0);
    ScopedUserProxy dead({false, ProxyAddress(closed.port()), L"", L""});
    std::unique_ptr<CatalogLoadResult> failed = LoadCatalog(CatalogLoadJob{});
    ASSERT_TRUE(failed);
    EXPECT_FALSE(failed->ok);
    EXPECT_EQ(WideToUtf8(failed->error), msg::kProxyUnreachable);
    EXPECT_EQ(ErrorOf([&] { InstallTool(MakeToolRequest(published)); }), msg::kProxyUnreachable);
    UnpublishFile(L"outils/catalog.json");
    UnpublishFile(L"proxy_test/h6proxy.png");
    UnpublishFile(PublishedDownloadPath(published));
}
