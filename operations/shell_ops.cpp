// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "operations/shell_ops.h"

void LaunchFile(const std::wstring&) {}
void LaunchTool(const ToolRequest&) {}
void UninstallTool(const ToolRequest&) {}
void CreateShortcut(const std::wstring&, const std::wstring&, const std::wstring&, bool) {}
void RemoveShortcut(const std::wstring&, bool) {}
std::wstring ShortcutPath(const std::wstring&, bool) { return {}; }
