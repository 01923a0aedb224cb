// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "operations/self_management.h"

void InstallOrRemoveSelf() {}
void StartToolboxUpdate() {}
void RunToolboxUpdate(HWND, const ToolRequest&) {}
void RunDeferredCommand(const std::wstring&) {}
std::wstring QuoteForPowerShell(const std::wstring& text) { return text; }
std::wstring BuildRemovalScript(unsigned long) { return {}; }
std::wstring BuildReplacementScript(unsigned long, const std::wstring&, const std::wstring&) { return {}; }
