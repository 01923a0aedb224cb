#include "ui/site_link.h"

#include <windows.h>
#include <shellapi.h>

#include "app/state.h"
#include "base/messages.h"
#include "catalog/utf8.h"
#include "catalog/web_host.h"
#include "ui/repaint.h"

void OpenSiteLink() {
    if (g_state.settings.offlineMode) {
        g_state.statusText = Utf8ToWide(msg::kStatusSiteLinkOffline);
        InvalidateMainWindow(g_state.mainWindow);
        return;
    }
    ShellExecuteW(g_state.mainWindow, L"open", SiteRoot().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
