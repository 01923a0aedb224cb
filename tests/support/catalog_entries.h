// Catalogue entries built in one line, in the shapes the tests use, and the
// list of the state set from them.
#pragma once

#include <string>

#include "app/state.h"
#include "catalog/catalog_model.h"

// An entry for the layout and painting tests: version "2.0", a description
// made from the id.
struct AppShape {
    std::wstring id;
    std::wstring category;
    bool installed = false;
    bool updateAvailable = false;
    bool hidden = false;
    bool previousKept = false;
};
CatalogApp MakeApp(const AppShape& shape);

// An entry as a loaded catalogue gives it, not installed, with a SHA-256 of 64 'A'.
CatalogApp MakeApp(const wchar_t* id, const wchar_t* version, const wchar_t* category);
// An installed entry with a SHA-256 of 64 'a', with or without an update.
CatalogApp MakeApp(const std::wstring& id, bool update);
// An entry for the update popup: named "<id> Tool", with the SHA-256 given.
CatalogApp MakeApp(const std::wstring& id, const std::wstring& sha, bool installed, bool update, bool hidden = false);

// The state's entries, one per shape, in order.
template <typename... Shapes>
void SetApps(const Shapes&... shapes) {
    g_state.apps.clear();
    (g_state.apps.push_back(MakeApp(shapes)), ...);
}
