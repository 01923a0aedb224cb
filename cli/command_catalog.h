// The settings and the catalogue as a command sees them: the user's settings
// and the organisation's policies, the source chosen for this run, and one
// catalogue load on the calling thread.
#pragma once

#include <memory>
#include <string>

#include "catalog/catalog_model.h"
#include "cli/command_line.h"

// Loads the settings and policies into the state, then applies the run's
// --source. Returns an empty text, or the French refusal when a policy
// imposes another source.
std::string PrepareSettings(const CliRequest& request);
// "web" or "usb": the source the run reads.
const char* SourceName();
// Reads the catalogue from the run's source and checks it as the window does;
// keeps only the tools `keep` keeps, when it is given.
std::unique_ptr<CatalogLoadResult> LoadCatalogForCommand(const CliRequest& request,
                                                         const CatalogFilterMaker& keep = {});
// The catalogue's entry with this id, not the program's own; -1 when none.
long long FindToolIndex(const CatalogLoadResult& catalog, const std::wstring& id);
