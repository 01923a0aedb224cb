// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "catalog/http_client.h"

HttpRequest OpenHttpGet(const std::wstring&) { return HttpRequest(); }
std::string DownloadToMemory(const std::wstring&, unsigned long long) { return {}; }
