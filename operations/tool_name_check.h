// The one check that a tool's name may become a file name under Apps and a
// shortcut name: a valid catalogue id, and exeName exactly that id + ".exe".
#pragma once

#include "operations/tool_request.h"

// Throws "Nom de fichier d'application invalide" otherwise.
void CheckToolFileName(const ToolRequest& request);
