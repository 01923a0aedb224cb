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

std::wstring Joined(const std::vector<std::wstring>& items) {
    std::wstring text;
    for (const std::wstring& item : items) text += (text.empty() ? L"" : L", ") + item;
    return text;
}

std::wstring ShownValue(const PolicyDefinition& definition, const PolicyValue& value) {
    switch (definition.type) {
    case PolicyType::String: return value.text;
    case PolicyType::IdList: return Joined(value.ids.InOrder());
    case PolicyType::Dword: break;
    }
    return Number(value.number);
}

std::wstring PolicyLines(const Policies& policies) {
    if (!policies.Any()) return std::wstring(L"Stratégies en vigueur : aucune") + kLineEnd;
    std::wstring text = std::wstring(L"Stratégies en vigueur :") + kLineEnd;
    for (const PolicyDefinition& definition : kPolicyDefinitions) {
        const PolicyValue* value = policies.Find(definition.id);
        if (value == nullptr) continue;
        text += L"  " + std::wstring(definition.name) + L" = " + ShownValue(definition, *value) + L" (" +
                ScopeText(value->scope) + L")" + kLineEnd;
    }
    return text;
}

// Values an administrator set that the program does not apply, and why.
std::wstring RejectedPolicyLines(const Policies& policies) {
    std::wstring text;
    for (const RejectedPolicy& rejected : policies.Rejected()) {
        if (text.empty()) text = std::wstring(L"Stratégies ignorées :") + kLineEnd;
        text += L"  " + std::wstring(DefinitionOf(rejected.id).name) + L" = " + rejected.shown + L" (" +
                ScopeText(rejected.scope) + L") : " + rejected.reason + kLineEnd;
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

int HexValue(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

// The byte written "%XX" at `at`, or -1.
int PercentByte(const std::wstring& text, size_t at) {
    if (at + 3 > text.size() || text[at] != L'%') return -1;
    const int high = HexValue(text[at + 1]);
    const int low = HexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// One character of the text as a reader of paths and URLs sees it: a
// percent-encoded UTF-8 sequence counts as the character it encodes.
struct TextPiece {
    wchar_t units[2] = {};
    size_t count = 1;   // UTF-16 units in `units`
    size_t length = 1;  // units of the text it takes
};

TextPiece PieceAt(const std::wstring& text, size_t at) {
    TextPiece piece;
    piece.units[0] = text[at];
    const int first = PercentByte(text, at);
    if (first < 0) return piece;
    const size_t extra = first < 0x80 ? 0 : (first & 0xE0) == 0xC0 ? 1 : (first & 0xF0) == 0xE0 ? 2 : 3;
    unsigned long point = static_cast<unsigned long>(first & (0x7F >> extra));
    for (size_t k = 1; k <= extra; ++k) {
        const int next = PercentByte(text, at + 3 * k);
        if (next < 0 || (next & 0xC0) != 0x80 || (first & 0xF8) == 0xF8) return piece;
        point = (point << 6) | static_cast<unsigned long>(next & 0x3F);
    }
    piece.length = 3 * (extra + 1);
    if (point < 0x10000) {
        piece.units[0] = static_cast<wchar_t>(point);
    } else {
        point -= 0x10000;
        piece.units[0] = static_cast<wchar_t>(0xD800 + (point >> 10));
        piece.units[1] = static_cast<wchar_t>(0xDC00 + (point & 0x3FF));
        piece.count = 2;
    }
    return piece;
}

bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

// As the file system compares names: any case, either slash.
bool SamePathUnit(wchar_t a, wchar_t b) {
    return (IsSeparator(a) && IsSeparator(b)) || CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
}

// A folder counts only as a whole path component: C:\users\ann is no prefix of C:\users\anna.
bool EndsComponent(const std::wstring& text, size_t end) {
    if (end == text.size()) return true;
    const wchar_t next = PieceAt(text, end).units[0];
    return IsSeparator(next) || (next != L'\0' && std::wcschr(L" \r\n\t,;)\"'?#&", next) != nullptr);
}

// How many units of `text` from `at` spell `folder` (0 when they do not), in
// any of the forms a path takes: other case, forward slashes, URL-encoded.
size_t FolderLengthAt(const std::wstring& text, size_t at, const std::wstring& folder) {
    size_t place = at;
    size_t matched = 0;
    while (matched < folder.size()) {
        if (place >= text.size()) return 0;
        const TextPiece piece = PieceAt(text, place);
        if (matched + piece.count > folder.size()) return 0;
        for (size_t k = 0; k < piece.count; ++k)
            if (!SamePathUnit(piece.units[k], folder[matched + k])) return 0;
        matched += piece.count;
        place += piece.length;
    }
    return EndsComponent(text, place) ? place - at : 0;
}

std::wstring ReplaceFolder(const std::wstring& text, const std::wstring& folder, const wchar_t* variable) {
    if (folder.empty()) return text;
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = FolderLengthAt(text, i, folder);
        if (length > 0) {
            out += variable;
            i += length;
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

// The 8.3 form of a folder (C:\Users\JEANDU~1), when it differs from the long one.
std::wstring ShortFormOrEmpty(const std::wstring& folder) {
    if (folder.empty()) return {};
    const DWORD units = GetShortPathNameW(folder.c_str(), nullptr, 0);
    if (units == 0) return {};
    std::wstring shortForm(units, L'\0');
    const DWORD written = GetShortPathNameW(folder.c_str(), shortForm.data(), units);
    if (written == 0 || written >= units) return {};
    shortForm.resize(written);
    shortForm = WithoutTrailingSeparator(shortForm);
    return CompareStringOrdinal(shortForm.c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL ? std::wstring()
                                                                                               : shortForm;
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
    facts.missingRequiredTools = g_state.missingRequiredTools;
    facts.appsFolder = PathOrEmpty(GetAppsFolder);
    facts.appsToolCount = facts.appsFolder.empty() ? 0 : CountTools(facts.appsFolder);
    if (!facts.offline) facts.proxy = DescribeProxyFor(ReadUserProxySettings(), facts.webHost);
    facts.windowsVersion = WindowsVersion();
    facts.localAppData = KnownFolderOrEmpty(FOLDERID_LocalAppData);
    facts.userProfile = KnownFolderOrEmpty(FOLDERID_Profile);
    facts.localAppDataShort = ShortFormOrEmpty(facts.localAppData);
    facts.userProfileShort = ShortFormOrEmpty(facts.userProfile);
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
    text += RejectedPolicyLines(facts.policies);
    text += LastLoadLine(facts.lastLoad);
    if (!facts.missingRequiredTools.empty())
        text += L"Applications exigées absentes du catalogue : " + Joined(facts.missingRequiredTools) + kLineEnd;
    const unsigned long long tools = static_cast<unsigned long long>(facts.appsToolCount);
    text += L"Dossier Apps : " + facts.appsFolder + L", " + Counted(tools, L"outil", L"outils") + kLineEnd;
    if (!facts.offline) text += L"Proxy pour le site web : " + facts.proxy + kLineEnd;
    text += L"Windows : " + facts.windowsVersion + kLineEnd;
    // The longer folder first: %LOCALAPPDATA% lies inside the profile.
    text = ReplaceFolder(text, facts.localAppData, L"%LOCALAPPDATA%");
    text = ReplaceFolder(text, facts.localAppDataShort, L"%LOCALAPPDATA%");
    text = ReplaceFolder(text, facts.userProfile, L"%USERPROFILE%");
    return ReplaceFolder(text, facts.userProfileShort, L"%USERPROFILE%");
}
