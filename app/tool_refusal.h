// What the organisation forbids a user to do to a tool: update a version it
// holds, remove a tool it requires. The window and the command line refuse
// with the same text; the kind tells them apart (the command line's exit code).
#pragma once

#include "app/policies.h"
#include "base/tool_action.h"

struct CatalogApp;

enum class ToolRefusal { None, HeldByOrganisation, RequiredByOrganisation };

ToolRefusal RefusalOf(const CatalogApp& app, ToolAction action, const Policies& policies);
// The French text of a refusal; empty for None.
const char* RefusalText(ToolRefusal refusal);
