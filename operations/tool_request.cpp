// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "operations/tool_request.h"

ToolRequest MakeToolRequest(const CatalogApp&) { return {}; }
