// Applying a catalogue that the loading worker posted.
#pragma once

#include <windows.h>

#include <memory>

struct CatalogLoadResult;

// WM_APP_CATALOG_READY; the result may be null.
void ApplyCatalogResult(HWND window, std::unique_ptr<CatalogLoadResult> result);
