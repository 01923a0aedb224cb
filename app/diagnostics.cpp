#include "app/diagnostics.h"

#include <windows.h>
#include <shlobj.h>

#include <array>
#include <cwchar>
#include <optional>

#include "base/constants.h"
#include "base/error.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_signature.h"
#include "catalog/user_proxy.h"
#include "catalog/utf8.h"
#include "catalog/web_host.h"

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";
constexpr size_t kFingerprintBytes = 8;

std::wstring Number(unsigned long long value) { return std::to_wstring(value); }

// "1 entrée", "3 entrées"; French counts 0 in the singular.
std::wstring Counted(unsigned long long count, const wchar_t* singular, const wchar_t* plural) {
    return Number(count) + L" " + (count <= 1 ? singular : plural);
}

std::wstring UtcTime(unsigned long long fileTime) {
    FILETIME time{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME utc{};
    if (!FileTimeToSystemTime(&time, &utc)) return L"?";
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u UTC", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
                  utc.wMinute, utc.wSecond);
    return text;
}

std::wstring ScopeText(PolicyScope scope) { return scope == PolicyScope::Machine ? L"ordinateur" : L"utilisateur"; }

std::wstring PolicyLines(const Policies& policies) {
    if (!policies.Any()) return std::wstring(L"Stratégies en vigueur : aucune") + kLineEnd;
    std::wstring text = std::wstring(L"Stratégies en vigueur :") + kLineEnd;
    for (const PolicyDefinition& definition : kPolicyDefinitions) {
        const PolicyValue* value = policies.Find(definition.id);
        if (value == nullptr) continue;
        std::wstring shown = definition.type == PolicyType::String ? value->text : Number(value->number);
        text += L"  " + std::wstring(definition.name) + L" = " + shown + L" (" + ScopeText(value->scope) + L")" +
                kLineEnd;
    }
    return text;
}

std::wstring SignatureLines(const DiagnosticFacts& facts) {
    if (facts.keyFingerprints.empty()) return std::wstring(L"Catalogue signé : non") + kLineEnd;
    std::wstring text = L"Catalogue signé : oui, ";
    text += facts.keyFingerprints.size() == 1 ? L"clé " : L"clés ";
    for (size_t i = 0; i < facts.keyFingerprints.size(); ++i) text += (i > 0 ? L", " : L"") + facts.keyFingerprints[i];
    text += kLineEnd;
    if (facts.onlineSerial != 0 || facts.offlineSerial != 0) {
        auto serial = [](unsigned long long value) { return value != 0 ? Number(value) : std::wstring(L"aucun"); };
        text += L"Dernier numéro de catalogue accepté : site web " + serial(facts.onlineSerial) +
                L", dossier hors ligne " + serial(facts.offlineSerial) + kLineEnd;
    }
    return text;
}

std::wstring LastLoadLine(const CatalogLoadRecord& load) {
    std::wstring text = L"Dernier chargement du catalogue : ";
    if (load.time == 0) return text + L"aucun" + kLineEnd;
    text += UtcTime(load.time);
    if (load.automatic) text += L" (contrôle automatique)";
    if (load.ok) {
        text += L", réussi, " + Counted(load.entries, L"entrée", L"entrées");
        if (load.signatureVerified) text += L", signé";
    } else {
        text += L", échec : " + load.error;
    }
    return text + kLineEnd;
}

// A folder counts only as a whole path component: C:\users\ann is no prefix of C:\users\anna.
bool EndsComponent(const std::wstring& text, size_t end) {
    return end == text.size() || text[end] == L'\\' || text[end] == L'/' || std::wcschr(L" \r\n\t,;)", text[end]);
}

std::wstring ReplaceFolder(const std::wstring& text, const std::wstring& folder, const wchar_t* variable) {
    if (folder.empty()) return text;
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        bool here = text.size() - i >= folder.size() &&
                    CompareStringOrdinal(text.c_str() + i, static_cast<int>(folder.size()), folder.c_str(),
                                         static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL &&
                    EndsComponent(text, i + folder.size());
        if (here) {
            out += variable;
            i += folder.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::wstring WithoutTrailingSeparator(std::wstring folder) {
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

std::wstring KnownFolderOrEmpty(const GUID& id) {
    try {
        return WithoutTrailingSeparator(GetKnownFolder(id));
    } catch (const AppError&) {
        return {};
    }
}

int CountTools(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    UniqueFind search(FindFirstFileExW(JoinPath(folder, L"*.exe").c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!search) return 0;
    int count = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
    } while (FindNextFileW(search.get(), &found));
    return count;
}

// GetVersionExW answers what the manifest declares; ntdll says what runs.
std::wstring WindowsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC proc = ntdll != nullptr ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (proc == nullptr) return L"inconnue";
    auto getVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(proc));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (getVersion(&info) != 0) return L"inconnue";
    return Number(info.dwMajorVersion) + L"." + Number(info.dwMinorVersion) + L"." + Number(info.dwBuildNumber);
}

std::wstring PathOrEmpty(std::wstring (*get)()) {
    try {
        return get();
    } catch (const AppError&) {
        return {};
    }
}

}  // namespace

std::wstring KeyFingerprint(const std::string& publicKey) {
    std::optional<EcdsaP256Value> key = ParseHexValue(publicKey);
    if (!key) return L"illisible";
    std::string bytes(reinterpret_cast<const char*>(key->data()), key->size());
    std::array<unsigned char, 32> digest = ComputeSha256(bytes);
    return Utf8ToWide(HexOf(digest.data(), kFingerprintBytes));
}

DiagnosticFacts GatherDiagnosticFacts() {
    DiagnosticFacts facts;
    const Settings& settings = g_state.settings;
    facts.version = kVersionText;
    facts.installedCopy = g_state.installedMode;
    facts.exePath = PathOrEmpty(GetOwnExePath);
    facts.offline = settings.offlineMode;
    facts.offlineRoot = settings.offlineRoot;
    facts.webHost = WebHost();
    for (const std::string& key : CatalogSigningKeys()) facts.keyFingerprints.push_back(KeyFingerprint(key));
    facts.onlineSerial = settings.onlineCatalogSerial;
    facts.offlineSerial = settings.offlineCatalogSerial;
    facts.policies = g_state.policies;
    facts.lastLoad = g_state.lastCatalogLoad;
    facts.appsFolder = PathOrEmpty(GetAppsFolder);
    facts.appsToolCount = facts.appsFolder.empty() ? 0 : CountTools(facts.appsFolder);
    if (!facts.offline) facts.proxy = DescribeProxyFor(ReadUserProxySettings(), facts.webHost);
    facts.windowsVersion = WindowsVersion();
    facts.localAppData = KnownFolderOrEmpty(FOLDERID_LocalAppData);
    facts.userProfile = KnownFolderOrEmpty(FOLDERID_Profile);
    return facts;
}

std::wstring ComposeDiagnosticText(const DiagnosticFacts& facts) {
    std::wstring text = L"Orkvane " + facts.version;
    text += facts.installedCopy ? L", copie installée" : L", copie portable";
    text += kLineEnd;
    text += L"Programme : " + facts.exePath + kLineEnd;
    text += facts.offline ? L"Source : dossier hors ligne " + facts.offlineRoot : std::wstring(L"Source : site web");
    text += kLineEnd;
    text += L"Site web : " + facts.webHost + kLineEnd;
    text += SignatureLines(facts);
    text += PolicyLines(facts.policies);
    text += LastLoadLine(facts.lastLoad);
    const unsigned long long tools = static_cast<unsigned long long>(facts.appsToolCount);
    text += L"Dossier Apps : " + facts.appsFolder + L", " + Counted(tools, L"outil", L"outils") + kLineEnd;
    if (!facts.offline) text += L"Proxy pour le site web : " + facts.proxy + kLineEnd;
    text += L"Windows : " + facts.windowsVersion + kLineEnd;
    // The longer folder first: %LOCALAPPDATA% lies inside the profile.
    text = ReplaceFolder(text, facts.localAppData, L"%LOCALAPPDATA%");
    return ReplaceFolder(text, facts.userProfile, L"%USERPROFILE%");
}
