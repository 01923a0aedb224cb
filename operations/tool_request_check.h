// The checks a tool's catalogue data must pass before anything is fetched,
// launched or removed. The publisher's catalogue checker runs the same ones.
#pragma once

#include "operations/tool_request.h"

// The name may become a file name under Apps and a shortcut name: a valid
// catalogue id, and exeName exactly that id + ".exe". Throws "Nom de fichier
// d'application invalide" otherwise.
void CheckToolFileName(const ToolRequest& request);
// The catalogue's own digest is not one it withdrew: throws "Version retirée
// par l’éditeur : …" otherwise.
void CheckNotWithdrawn(const ToolRequest& request);
// Everything checked before a fetch: the name, a 64-digit hexadecimal
// SHA-256 that is not withdrawn, and for the online source an https endpoint
// and a download id.
void CheckToolRequest(const ToolRequest& request);
