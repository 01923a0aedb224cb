// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "catalog/offline_source.h"

std::wstring ValidateOfflineRoot(const std::wstring& path) { return path; }
std::string ReadOfflineFile(const std::wstring&, unsigned long long) { return {}; }
