#include "cli/command_catalog.h"

#include <optional>

#include "app/catalog_serial.h"
#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/worker_shared.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_load.h"

namespace {

// A source the organisation imposes wins over the command line's.
bool PolicyImposesOther(bool offline, const std::wstring& root) {
    const Policies& policies = g_state.policies;
    if (std::optional<bool> forced = policies.Flag(PolicyId::OfflineMode); forced && *forced != offline) return true;
    if (!offline) return false;
    const PolicyValue* forcedRoot = policies.Find(PolicyId::OfflineRoot);
    return forcedRoot != nullptr && !SamePath(forcedRoot->text, root);
}

}  // namespace

std::string PrepareSettings(const CliRequest& request) {
    LoadSettings();
    Settings& settings = g_state.settings;
    switch (request.source) {
    case CliSource::Settings: break;
    case CliSource::Web:
        if (PolicyImposesOther(false, L"")) return msg::kCliSourcePolicy;
        settings.offlineMode = false;
        break;
    case CliSource::Usb:
        if (PolicyImposesOther(true, request.usbRoot)) return msg::kCliSourcePolicy;
        settings.offlineMode = true;
        settings.offlineRoot = request.usbRoot;
        break;
    }
    // For this run only: nothing of it is saved.
    offlineModeShared.exchange(settings.offlineMode);
    return {};
}

const char* SourceName() { return g_state.settings.offlineMode ? "usb" : "web"; }

std::unique_ptr<CatalogLoadResult> LoadCatalogForCommand(const CliRequest& request, const CatalogFilterMaker& keep) {
    CatalogLoadJob job;
    job.offline = g_state.settings.offlineMode;
    job.offlineRoot = g_state.settings.offlineRoot;
    // A folder named on the command line is checked as one the user chooses.
    job.offlineRootImposed = request.source == CliSource::Usb || g_state.policies.Forces(PolicyId::OfflineRoot);
    job.fixedDiskAllowed = g_state.policies.Allows(PolicyId::AllowFixedDiskOffline);
    job.signingKeys = CatalogSigningKeys();
    job.highestSerial = HighestCatalogSerial(job.offline);
    job.keepTool = keep;
    std::unique_ptr<CatalogLoadResult> result = LoadCatalog(job);
    if (result->ok && result->signatureVerified) RememberCatalogSerial(job.offline, result->catalogSerial);
    return result;
}

long long FindToolIndex(const CatalogLoadResult& catalog, const std::wstring& id) {
    for (size_t i = 0; i < catalog.apps.size(); ++i) {
        if (static_cast<long long>(i) == catalog.selfIndex) continue;
        if (catalog.apps[i].id == id) return static_cast<long long>(i);
    }
    return -1;
}
