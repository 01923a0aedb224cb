#include "catalog/catalog_keys.h"

#include <utility>

#include "catalog_keys_config.h"

namespace {

std::vector<std::string>& Keys() {
    static std::vector<std::string> keys{ORKVANE_CATALOG_KEYS};
    return keys;
}

}  // namespace

const std::vector<std::string>& CatalogSigningKeys() { return Keys(); }

void ReplaceCatalogSigningKeys(std::vector<std::string> keys) { Keys() = std::move(keys); }
