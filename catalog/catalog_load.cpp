#include "catalog/catalog_load.h"

#include <exception>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "base/constants.h"
#include "base/paths.h"
#include "base/post_result.h"
#include "base/side_thread.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_freshness.h"
#include "catalog/catalog_signature_source.h"
#include "catalog/error_text.h"
#include "catalog/http_client.h"
#include "catalog/offline_source.h"
#include "catalog/offline_trust.h"
#include "catalog/share_source.h"
#include "catalog/web_host.h"

namespace {

// From this size a filtered catalogue from a key or a folder is built while
// it is read.
constexpr size_t kBytesBuiltAlongside = 256 * 1024;

std::wstring ValidateJobRoot(const CatalogLoadJob& job) {
    if (job.shareAllowed) return ValidateShareRoot(job.offlineRoot);
    if (job.offlineRootImposed || !job.fixedDiskAllowed)
        return ValidateChosenOfflineRoot(job.offlineRoot, job.fixedDiskAllowed);
    return ValidateOfflineRoot(job.offlineRoot);
}

std::string ReadCatalogBytes(const CatalogLoadJob& job, std::wstring& root) {
    if (job.offline) {
        root = ValidateJobRoot(job);
        if (job.shareAllowed) return ReadShareCatalog(root, kCatalogSizeLimit);
        return ReadOfflineFile(JoinPath(root, L"catalog.json"), kCatalogSizeLimit);
    }
    root.clear();
    return DownloadToMemory(CatalogUrl(), kCatalogSizeLimit);
}

}  // namespace

std::unique_ptr<CatalogLoadResult> LoadCatalog(const CatalogLoadJob& job) {
    auto result = std::make_unique<CatalogLoadResult>();
    // A filtered build may build half a large catalogue on this thread,
    // started now so that it is running by the time the catalogue is read.
    std::optional<SideThread> side;
    if (job.keepTool && std::thread::hardware_concurrency() > 1) {
        try {
            side.emplace();
        } catch (const std::system_error&) {
            // The build then starts one itself, or does without.
        }
    }
    try {
        std::wstring root;
        std::string bytes = ReadCatalogBytes(job, root);
        result->signatureVerified = VerifyCatalogSourceSignature(bytes, job.offline, root, job.signingKeys);
        // A signature proves who wrote the catalogue, not that it is the latest.
        const auto checkFreshness = [&](const CatalogDocument& document) {
            if (result->signatureVerified)
                result->catalogSerial = CheckSignedCatalogFreshness(ReadCatalogFreshness(document.top()),
                                                                    job.highestSerial, CatalogClockNow());
        };
        if (side && job.offline && bytes.size() >= kBytesBuiltAlongside) {
            // A large catalogue from a key or a folder: its first tools are
            // built while the rest of it is read.
            CatalogDocument document(bytes, CatalogDocument::ReadLater{});
            FilteredBuildAlongside build(document, root, job.keepTool, *side);
            document.Read(build);
            checkFreshness(document);
            build.Finish(*result);
        } else {
            const CatalogDocument document(bytes);
            checkFreshness(document);
            BuildCatalog(document, job.offline, root, *result, job.keepTool, side ? &*side : nullptr);
        }
    } catch (const std::exception& e) {
        result->ok = false;
        result->error = ErrorMessageText(e.what());
    } catch (...) {
        result->ok = false;
        result->error = UnknownErrorText();
    }
    result->automatic = job.automatic;
    return result;
}

void RunCatalogWorker(const CatalogLoadJob& job) {
    std::unique_ptr<CatalogLoadResult> result;
    try {
        result = LoadCatalog(job);
    } catch (...) {
        // Only the result record's own allocation can land here: the
        // null result reports an unknown error.
    }
    DeliverJobResult(job.window, WM_APP_CATALOG_READY, std::move(result));
}
