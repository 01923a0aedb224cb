#include "tests/support/catalog_entries.h"

CatalogApp MakeApp(const AppShape& shape) {
    CatalogApp app;
    app.id = shape.id;
    app.name = shape.id;
    app.version = L"2.0";
    app.category = shape.category;
    app.description = L"Description de " + shape.id;
    app.exeName = shape.id + L".exe";
    app.installed = shape.installed;
    app.updateAvailable = shape.updateAvailable;
    app.hidden = shape.hidden;
    app.kept.previousKept = shape.previousKept;
    return app;
}

CatalogApp MakeApp(const wchar_t* id, const wchar_t* version, const wchar_t* category) {
    CatalogApp app;
    app.id = id;
    app.name = id;
    app.version = version;
    app.category = category;
    app.description = L"Description";
    app.exeName = std::wstring(id) + L".exe";
    app.sha256 = std::wstring(64, L'A');
    return app;
}

CatalogApp MakeApp(const std::wstring& id, bool update) {
    CatalogApp app;
    app.id = id;
    app.name = id;
    app.sha256 = std::wstring(64, L'a');
    app.installed = true;
    app.updateAvailable = update;
    return app;
}

CatalogApp MakeApp(const std::wstring& id, const std::wstring& sha, bool installed, bool update, bool hidden) {
    CatalogApp app;
    app.id = id;
    app.name = id + L" Tool";
    app.sha256 = sha;
    app.installed = installed;
    app.updateAvailable = update;
    app.hidden = hidden;
    return app;
}
