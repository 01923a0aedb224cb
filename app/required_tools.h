// The tools an organisation requires (policy "RequiredTools"), against a
// loaded catalogue: which are still to install, and which ids the catalogue
// does not have.
#pragma once

#include <string>
#include <vector>

#include "app/policies.h"

struct CatalogApp;

struct RequiredToolsPlan {
    std::vector<std::wstring> toInstall;  // the catalogue's ids, in the policy's order
    std::vector<std::wstring> missing;    // as the policy writes them
};

// The program's own entry is never one of the tools to install.
RequiredToolsPlan PlanRequiredTools(const std::vector<CatalogApp>& apps, const Policies& policies);
