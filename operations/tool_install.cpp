// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "operations/tool_install.h"

std::wstring FetchToolExecutable(const ToolRequest&, const std::wstring&) { return {}; }
std::wstring InstallTool(const ToolRequest&) { return {}; }
std::wstring FreeFileName(const std::wstring&, const std::wstring&) { return {}; }
