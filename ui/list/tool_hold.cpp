#include "ui/list/tool_hold.h"

#include <windows.h>

#include <string>

#include "app/state.h"
#include "app/tool_holds.h"
#include "base/messages.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"
#include "ui/list/list_scrolling.h"
#include "ui/repaint.h"
#include "ui/upward_calls.h"

void SetToolHeld(size_t appIndex, bool held) {
    if (appIndex >= g_state.apps.size()) return;
    const CatalogApp& app = g_state.apps[appIndex];
    if (!WriteToolHold(app.id, held)) {
        g_state.statusText = Utf8ToWide(msg::kHoldNotSaved);
    } else {
        IdSet& holds = g_state.settings.heldTools;
        if (held)
            holds.Add(app.id);
        else
            holds.Remove(app.id);
        g_state.statusText = app.name + Utf8ToWide(held ? msg::kStatusToolHeld : msg::kStatusToolReleased);
        // The popup lists only what is still offered; it closes when nothing is.
        if (g_state.popupWindow != nullptr) Upward().showUpdatePopup();
    }
    UpdateScrollMetrics();
    InvalidateMainWindow(g_state.mainWindow);
}
