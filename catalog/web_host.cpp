#include "catalog/web_host.h"

#include "web_host_config.h"

std::wstring WebHost() { return ORKVANE_WEB_HOST; }

std::wstring SiteRoot() { return L"https://" + WebHost(); }

std::wstring CatalogUrl() { return SiteRoot() + L"/outils/catalog.json"; }

std::wstring CreditText() { return ORKVANE_CREDIT_TEXT; }
