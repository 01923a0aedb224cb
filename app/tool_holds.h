// The tools the user chose to keep at their installed version ("Ne pas mettre
// à jour"): one value per tool, named by its id, under the program's key.
#pragma once

#include <string>

#include "base/id_set.h"

inline constexpr wchar_t kHeldToolsKeyPath[] = L"Software\\Tramweld\\Orkvane\\HeldTools";

// The held ids as stored; values whose names are not tool ids are skipped.
IdSet ReadHeldTools();
// Stores or removes the user's hold on one tool; false when the registry
// refused, or the id cannot be a tool's.
bool WriteToolHold(const std::wstring& id, bool held);
