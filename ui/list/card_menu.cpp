#include "ui/list/card_menu.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/state.h"
#include "base/handles.h"
#include "catalog/catalog_model.h"
#include "operations/operation_runner.h"
#include "ui/list/card_buttons.h"
#include "ui/list/tool_hold.h"
#include "ui/upward_calls.h"

namespace {

UniqueMenu CreateCardMenu(const CatalogApp& app) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    AppendMenuW(menu.get(), MF_STRING | MF_GRAYED, 0, app.id.c_str());
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    for (const CardMenuItem& item : BuildCardMenu(app, g_state.installedMode, g_state.busy)) {
        const UINT flags = MF_STRING | (item.enabled ? 0u : static_cast<UINT>(MF_GRAYED));
        AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(item.commandId), item.label.c_str());
    }
    return menu;
}

int TrackCardMenu(HMENU menu, const RECT& clientBounds) {
    RECT screen = clientBounds;
    MapWindowPoints(g_state.mainWindow, HWND_DESKTOP, reinterpret_cast<POINT*>(&screen), 2);
    SetForegroundWindow(g_state.mainWindow);

    TPMPARAMS keepClear{};
    keepClear.cbSize = sizeof(keepClear);
    keepClear.rcExclude = screen;
    const int command = static_cast<int>(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTALIGN,
                                                          screen.right, screen.bottom, g_state.mainWindow, &keepClear));
    // Lets the menu close properly when the window was not in the foreground.
    PostMessageW(g_state.mainWindow, WM_NULL, 0, 0);
    return command;
}

}  // namespace

std::vector<CardMenuItem> BuildCardMenu(const CatalogApp& app, bool installedMode, bool busy) {
    std::vector<CardMenuItem> items;
    for (const CardAction* action : CardMenuActions(app)) {
        const bool enabled = CardActionEnabled(*action, app, installedMode, busy);
        items.push_back({action->commandId, action->label, action->action, action->command, enabled});
    }
    return items;
}

void ShowCardMenu(const HitRecord& record) {
    const size_t appIndex = record.appIndex;
    if (appIndex >= g_state.apps.size()) return;
    const int generation = g_state.catalogGeneration;
    const std::wstring id = g_state.apps[appIndex].id;

    int command = 0;
    {
        UniqueMenu menu = CreateCardMenu(g_state.apps[appIndex]);
        if (!menu) return;
        command = TrackCardMenu(menu.get(), record.bounds);
    }
    if (command == 0) return;

    // The menu loop lets other messages run: the catalogue may have been
    // replaced or a job started while the menu was open.
    if (g_state.catalogGeneration != generation || appIndex >= g_state.apps.size() || g_state.apps[appIndex].id != id ||
        g_state.busy) {
        return;
    }
    for (const CardMenuItem& item : BuildCardMenu(g_state.apps[appIndex], g_state.installedMode, false)) {
        if (item.commandId != command || !item.enabled) continue;
        if (item.command == CardCommand::Operation)
            Upward().startToolOperation(appIndex, item.action);
        else
            SetToolHeld(appIndex, item.command == CardCommand::Hold);
        return;
    }
}

void OpenCardMenu(size_t appIndex) {
    if (g_state.busy || appIndex >= g_state.apps.size()) return;
    HitRecord anchor{};
    anchor.appIndex = appIndex;
    anchor.enabled = true;
    anchor.element = WindowElement::MenuButton;
    // Under the menu button when it is drawn, else under the card's title row.
    if (const std::optional<RECT> button = PaintedButtonBounds(appIndex, WindowElement::MenuButton)) {
        anchor.bounds = *button;
    } else {
        for (const HitRecord& record : g_state.hitRecords) {
            if (record.appIndex == appIndex && record.TogglesCard()) anchor.bounds = record.bounds;
        }
    }
    ShowCardMenu(anchor);
}
