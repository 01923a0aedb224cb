// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "catalog/catalog_load.h"

void StartCatalogLoad(bool) {}
void CheckForUpdatesIfDue() {}
std::unique_ptr<CatalogLoadResult> LoadCatalog(const CatalogLoadJob&) { return std::make_unique<CatalogLoadResult>(); }
