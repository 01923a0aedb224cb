#include "catalog/catalog_load.h"

#include <exception>
#include <string_view>
#include <thread>
#include <utility>

#include "app/constants.h"
#include "app/paths.h"
#include "app/settings.h"
#include "app/state.h"
#include "catalog/catalog_freshness.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_signature_source.h"
#include "catalog/http_client.h"
#include "catalog/json.h"
#include "catalog/offline_source.h"
#include "catalog/utf8.h"
#include "catalog/web_host.h"

namespace {

constexpr wchar_t kLoadingStatusText[] = L"Chargement du catalogue\u2026";
constexpr wchar_t kUnknownErrorText[] = L"Erreur inconnue";

std::string ReadCatalogBytes(const CatalogLoadJob& job, std::wstring& root) {
    if (job.offline) {
        root = ValidateOfflineRoot(job.offlineRoot);
        return ReadOfflineFile(JoinPath(root, L"catalog.json"), kCatalogSizeLimit);
    }
    root.clear();
    return DownloadToMemory(CatalogUrl(), kCatalogSizeLimit);
}

constexpr DWORD kPostRetryMs = 50;

// The window must hear of every load, or `busy` would stay set until the
// program restarts. A null result stands for a load that could not even make
// its record; a post refused while the window lives (its queue is full) is
// tried again.
void DeliverCatalogResult(HWND window, std::unique_ptr<CatalogLoadResult> result) {
    while (!PostMessageW(window, WM_APP_CATALOG_READY, 0, reinterpret_cast<LPARAM>(result.get()))) {
        if (!IsWindow(window)) return;
        Sleep(kPostRetryMs);
    }
    result.release();  // the window owns it now
}

}  // namespace

std::wstring ErrorMessageText(const char* utf8Message) {
    try {
        return Utf8ToWide(utf8Message);
    } catch (...) {
    }
    // Not valid UTF-8: keep what can be read, with replacement characters.
    try {
        std::string_view bytes(utf8Message);
        int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
        return text;
    } catch (...) {
        return std::wstring();
    }
}

std::unique_ptr<CatalogLoadResult> LoadCatalog(const CatalogLoadJob& job) {
    auto result = std::make_unique<CatalogLoadResult>();
    try {
        std::wstring root;
        std::string bytes = ReadCatalogBytes(job, root);
        result->signatureVerified = VerifyCatalogSourceSignature(bytes, job.offline, root, job.signingKeys);
        JsonValue document = ParseJson(Utf8ToWide(bytes));
        // A signature proves who wrote the catalogue, not that it is the latest.
        if (result->signatureVerified)
            result->catalogSerial = CheckSignedCatalogFreshness(ReadCatalogFreshness(document), job.highestSerial,
                                                                CatalogClockNow());
        BuildCatalog(std::move(document), job.offline, root, *result);
    } catch (const std::exception& e) {
        result->ok = false;
        result->error = ErrorMessageText(e.what());
    } catch (...) {
        result->ok = false;
        result->error = kUnknownErrorText;
    }
    result->automatic = job.automatic;
    return result;
}

void StartCatalogLoad(bool automatic) {
    if (g_state.busy) return;
    g_state.busy = true;
    if (!automatic) g_state.statusText = kLoadingStatusText;
    g_state.settings.lastCheck = NowFileTime();
    SaveSettings();
    InvalidateRect(g_state.mainWindow, nullptr, FALSE);

    CatalogLoadJob job;
    job.window = g_state.mainWindow;
    job.automatic = automatic;
    job.offline = g_state.settings.offlineMode;
    job.offlineRoot = g_state.settings.offlineRoot;
    job.signingKeys = CatalogSigningKeys();
    job.highestSerial = HighestCatalogSerial(job.offline);
    try {
        std::thread([job] {
            std::unique_ptr<CatalogLoadResult> result;
            try {
                result = LoadCatalog(job);
            } catch (...) {
                // Only the result record's own allocation can land here: the
                // null result reports an unknown error.
            }
            DeliverCatalogResult(job.window, std::move(result));
        }).detach();
    } catch (const std::exception&) {
        // No thread: the window reports an unknown error as for a null result.
        // This runs on the window's own thread, which cannot wait for its queue.
        if (!PostMessageW(job.window, WM_APP_CATALOG_READY, 0, 0)) g_state.busy = false;
    }
}

void CheckForUpdatesIfDue() {
    if (!g_state.installedMode || !g_state.settings.updateChecks || g_state.busy) return;
    if (IsCheckDue(g_state.settings.lastCheck, NowFileTime())) StartCatalogLoad(true);
}
