// Mouse and keyboard on the main window: cursor shapes, hover repaints, the
// header's fixed targets, the secret-mode click pattern on the logo, and the
// keyboard cue on the credit link.
#include <windows.h>

#include <algorithm>

#include "app/state.h"
#include "base/messages.h"
#include "catalog/catalog_load.h"
#include "catalog/icon_load.h"
#include "catalog/utf8.h"
#include "operations/self_management.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/icon_jobs.h"
#include "ui/jobs/operation_start.h"
#include "ui/jobs/self_commands.h"
#include "ui/keyboard/keyboard_navigation.h"
#include "ui/list/card_layout.h"
#include "ui/list/list_input.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_handlers.h"
#include "ui/options/options_dialog.h"
#include "ui/site_link.h"

namespace {

// Four left clicks then three right clicks on the logo switch secret mode.
constexpr int kSecretLeftClicks = 4;
constexpr int kSecretRightClicks = 3;

bool Inside(const RECT& rect, POINT point) { return PtInRect(&rect, point) != FALSE; }

bool SelfButtonActs() { return HeaderButtonNow(HeaderButton::Self).enabled; }

bool OverEnabledHitRecord(POINT point) {
    return std::any_of(g_state.hitRecords.begin(), g_state.hitRecords.end(),
                       [&](const HitRecord& record) { return record.enabled && Inside(record.bounds, point); });
}

void SwitchSecretMode(HWND window) {
    g_state.scrollPos = 0;
    g_state.secretMode = !g_state.secretMode;
    g_state.secretLeftClicks = 0;
    g_state.secretRightClicks = 0;
    g_state.statusText = Utf8ToWide(g_state.secretMode ? msg::kStatusSecretOn : msg::kStatusSecretOff);
    UpdateScrollMetrics();
    StartIconLoad();
    InvalidateMainWindow(window);
}

void CountSecretLeftClick() {
    if (g_state.secretRightClicks != 0) {
        // A left click after some right clicks starts the pattern again.
        g_state.secretLeftClicks = 1;
        g_state.secretRightClicks = 0;
    } else {
        g_state.secretLeftClicks = std::min(g_state.secretLeftClicks + 1, kSecretLeftClicks);
    }
}

void CountSecretRightClick(HWND window) {
    if (g_state.secretLeftClicks != kSecretLeftClicks) {
        g_state.secretLeftClicks = 0;
        g_state.secretRightClicks = 0;
        return;
    }
    if (++g_state.secretRightClicks == kSecretRightClicks) SwitchSecretMode(window);
}

}  // namespace

LPCWSTR CursorForPoint(POINT point) {
    if (Inside(g_state.siteLinkRect, point)) return IDC_ARROW;
    if (Inside(g_state.optionsButtonRect, point)) return IDC_HAND;
    if (Inside(g_state.cancelButtonRect, point) && !g_state.cancelRequested) return IDC_HAND;
    if (Inside(g_state.selfButtonRect, point) && SelfButtonActs()) return IDC_HAND;
    // "Actualiser" keeps the hand while busy, even though it is drawn disabled.
    if (Inside(g_state.refreshButtonRect, point)) return IDC_HAND;
    if (OverEnabledHitRecord(point)) return IDC_HAND;
    return nullptr;
}

bool OnSetCursor(HWND window, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    POINT point{};
    if (!GetCursorPos(&point) || !ScreenToClient(window, &point)) return false;
    LPCWSTR cursor = CursorForPoint(point);
    if (cursor == nullptr) return false;
    SetCursor(LoadCursorW(nullptr, cursor));
    return true;
}

void OnMouseMove(HWND window, POINT point) {
    const ElementId before = g_state.mouseInside ? HotElementAt(g_state.mousePos) : ElementId{};
    g_state.mousePos = point;
    if (!g_state.mouseInside) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        g_state.mouseInside = TrackMouseEvent(&track) != FALSE;
    }
    // Repaint only when the mouse enters or leaves a hot element.
    if (HotElementAt(g_state.mousePos) != before) InvalidateMainWindow(window);
}

void OnMouseLeave(HWND window) {
    g_state.mousePos = POINT{-1, -1};
    g_state.mouseInside = false;
    InvalidateMainWindow(window);
}

void OnLeftButtonDown(HWND window, POINT point) {
    LeaveCreditLink();
    InvalidateMainWindow(window);
    if (Inside(g_state.logoRect, point)) {
        CountSecretLeftClick();
    } else if (Inside(g_state.optionsButtonRect, point)) {
        ShowOptionsDialog();
    } else if (Inside(g_state.selfButtonRect, point)) {
        ClickSelfButton();
    } else if (Inside(g_state.refreshButtonRect, point)) {
        StartCatalogLoad(false);  // does nothing while busy
    } else if (Inside(g_state.cancelButtonRect, point)) {
        PressCancelButton();  // does nothing once pressed or when nothing runs
    } else if (Inside(g_state.siteLinkRect, point)) {
        OpenSiteLink();
    } else {
        HandleListClick(point);
    }
}

void OnRightButtonDown(HWND window, POINT point) {
    // Clicks outside the logo neither count nor reset the pattern.
    if (Inside(g_state.logoRect, point)) CountSecretRightClick(window);
}

bool OnKeyDown(HWND window, WPARAM key, LPARAM flags) {
    if (key == VK_TAB) {
        TabToOrFromCreditLink();
        InvalidateMainWindow(window);
        return true;
    }
    if (g_state.keyboardFocus.element == WindowElement::CreditLink) {
        if (key == VK_RETURN || key == VK_SPACE) {
            // A held key repeats: one browser tab for one press.
            bool repeated = (flags & (LPARAM{1} << 30)) != 0;
            if (!repeated) OpenSiteLink();
            return true;
        }
        if (key == VK_ESCAPE) {
            LeaveCreditLink();
            InvalidateMainWindow(window);
            return true;
        }
        return false;
    }
    if (key == VK_ESCAPE && !g_state.expandedId.empty()) {
        g_state.expandedId.clear();
        UpdateScrollRange();
        InvalidateMainWindow(window);
        return true;
    }
    return false;
}
