// Whether an installed tool's new release is put before the user: the badge,
// the update popup, and every path that updates without a click on the card.
// An explicit "Mettre à jour" of a card goes through RefusalOf instead
// (app/tool_refusal.h).
#pragma once

#include <string>

#include "app/policies.h"
#include "app/settings.h"

struct CatalogApp;

// Who keeps a tool at its installed version. The organisation's hold wins:
// the user cannot lift it.
enum class HoldKind { None, User, Organisation };

HoldKind HoldOf(const std::wstring& id, const Settings& settings, const Policies& policies);

// Installed, its file differs from the catalogue's, nobody holds it, and it is
// not the release the user went back from.
bool UpdateIsOffered(const CatalogApp& app, HoldKind hold);
