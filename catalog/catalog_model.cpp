// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "catalog/catalog_model.h"

void BuildCatalog(const JsonValue&, bool, const std::wstring&, CatalogLoadResult&) {}
bool IsValidAppId(const std::wstring&) { return false; }
bool IsOwnAppId(const std::wstring&) { return false; }
std::wstring OfflineToolPath(const std::wstring&, const std::wstring&, const CatalogApp&, const std::wstring&) { return {}; }
void RefreshInstalledState(CatalogApp&, bool) {}
std::vector<unsigned long long> ParseVersion(const std::wstring&) { return {0}; }
int CompareVersions(const std::vector<unsigned long long>&, const std::vector<unsigned long long>&) { return 0; }
