#include "catalog/catalog_signature_source.h"

#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_signature.h"
#include "catalog/http_client.h"
#include "catalog/offline_source.h"
#include "catalog/web_host.h"

namespace {

std::string ReadSignatureText(bool offline, const std::wstring& offlineRoot) {
    // Whatever keeps the signature from being read, the catalogue is refused
    // for the same reason: it cannot be shown to be the publisher's.
    try {
        if (offline) return ReadOfflineFile(JoinPath(offlineRoot, kSignatureFileName), kSignatureSizeLimit);
        return DownloadToMemory(CatalogUrl() + kSignatureSuffix, kSignatureSizeLimit);
    } catch (const AppError&) {
        Fail(msg::kCatalogSignatureInvalid);
    }
}

}  // namespace

bool VerifyCatalogSourceSignature(const std::string& catalogBytes, bool offline, const std::wstring& offlineRoot,
                                  const std::vector<std::string>& keys) {
    if (keys.empty()) return false;
    VerifyCatalogSignature(catalogBytes, ReadSignatureText(offline, offlineRoot), keys);
    return true;
}
