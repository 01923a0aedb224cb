#include "tests/support/user_proxy.h"

#include <stdexcept>

#include "base/handles.h"

namespace {

constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

// Flags of the Connections blob.
constexpr DWORD kDirect = 0x1;
constexpr DWORD kManualProxy = 0x2;
constexpr DWORD kScript = 0x4;
constexpr DWORD kAutoDetect = 0x8;

void AppendDword(std::vector<BYTE>& blob, DWORD value) {
    for (int i = 0; i < 4; ++i) blob.push_back(static_cast<BYTE>(value >> (8 * i)));
}

// The blob holds its strings as ASCII, each after its length.
void AppendText(std::vector<BYTE>& blob, const std::wstring& text) {
    AppendDword(blob, static_cast<DWORD>(text.size()));
    for (wchar_t c : text) {
        if (c > 0x7F) throw std::runtime_error("proxy settings are ASCII");
        blob.push_back(static_cast<BYTE>(c));
    }
}

// DefaultConnectionSettings: version 0x46, a change counter, the flags, the
// manual proxy, its bypass list and the script address, then the state of
// automatic detection (left empty, as on a machine that never ran it).
std::vector<BYTE> ConnectionSettings(const UserProxySettings& settings) {
    static DWORD counter = 0x100;
    DWORD flags = kDirect;
    if (!settings.proxy.empty()) flags |= kManualProxy;
    if (!settings.scriptUrl.empty()) flags |= kScript;
    if (settings.autoDetect) flags |= kAutoDetect;
    std::vector<BYTE> blob;
    AppendDword(blob, 0x46);
    AppendDword(blob, ++counter);
    AppendDword(blob, flags);
    AppendText(blob, settings.proxy);
    AppendText(blob, settings.bypass);
    AppendText(blob, settings.scriptUrl);
    blob.resize(blob.size() + 32, 0);
    return blob;
}

ScopedUserProxy::SavedValue Read(const wchar_t* key, const wchar_t* name) {
    ScopedUserProxy::SavedValue saved;
    saved.key = key;
    saved.name = name;
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &saved.type, nullptr, &size) != ERROR_SUCCESS)
        return saved;
    saved.data.resize(size);
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &saved.type, saved.data.data(), &size) != ERROR_SUCCESS)
        return saved;
    saved.data.resize(size);
    saved.present = true;
    return saved;
}

bool TryWrite(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, size_t size) {
    UniqueRegKey handle;
    return RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, handle.put(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(handle.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

void Write(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, size_t size) {
    if (!TryWrite(key, name, type, data, size)) throw std::runtime_error("cannot write the proxy settings");
}

void WriteText(const wchar_t* key, const wchar_t* name, const std::wstring& text) {
    if (text.empty()) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
        return;
    }
    Write(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

}  // namespace

ScopedUserProxy::ScopedUserProxy(const UserProxySettings& settings) {
    const wchar_t* values[][2] = {{kConnections, L"DefaultConnectionSettings"}, {kConnections, L"SavedLegacySettings"},
                                  {kInternetSettings, L"ProxyEnable"},          {kInternetSettings, L"ProxyServer"},
                                  {kInternetSettings, L"ProxyOverride"},        {kInternetSettings, L"AutoConfigURL"}};
    for (const auto& value : values) saved_.push_back(Read(value[0], value[1]));

    std::vector<BYTE> blob = ConnectionSettings(settings);
    Write(kConnections, L"DefaultConnectionSettings", REG_BINARY, blob.data(), blob.size());
    Write(kConnections, L"SavedLegacySettings", REG_BINARY, blob.data(), blob.size());
    DWORD enable = settings.proxy.empty() ? 0 : 1;
    Write(kInternetSettings, L"ProxyEnable", REG_DWORD, &enable, sizeof(enable));
    WriteText(kInternetSettings, L"ProxyServer", settings.proxy);
    WriteText(kInternetSettings, L"ProxyOverride", settings.bypass);
    WriteText(kInternetSettings, L"AutoConfigURL", settings.scriptUrl);
}

ScopedUserProxy::~ScopedUserProxy() {
    for (const SavedValue& value : saved_) {
        if (value.present) {
            TryWrite(value.key, value.name, value.type, value.data.data(), value.data.size());
        } else {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, value.key.c_str(), value.name.c_str());
        }
    }
}
