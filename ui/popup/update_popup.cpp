#include "ui/popup/update_popup.h"

#include "app/state.h"
#include "app/theme.h"
#include "app/update_offer.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/paths.h"
#include "operations/operation_runner.h"
#include "operations/self_management.h"
#include "ui/draw.h"
#include "ui/jobs/catalog_start.h"
#include "ui/jobs/self_commands.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_layout.h"
#include "ui/no_activate_button.h"
#include "ui/procedure_edge.h"

namespace {

constexpr int kCloseButtonId = 2;
constexpr int kUpdateButtonId = 1;
constexpr int kNextButtonId = 3;

struct PopupButton {
    int id;
    const wchar_t* text;
    int x, y, width, height;
};

// The close box shows a cross; its text is what screen readers say.
constexpr PopupButton kCloseButton{kCloseButtonId, L"Fermer", 348, 8, 28, 26};
constexpr wchar_t kCloseGlyph[] = L"×";
constexpr PopupButton kUpdateButton{kUpdateButtonId, L"Mettre à jour", 222, 108, 150, 34};
constexpr PopupButton kNextButton{kNextButtonId, L"Suivante", 18, 108, 94, 34};

// An update this PC is offered now: not held, not turned down by going back
// to the previous version, reached by its rollout, past the organisation's delay.
bool OffersUpdate(const CatalogApp& app) {
    return UpdateOfferOf(app, CurrentUpdateRules(NowFileTime())) == UpdateOffer::Offered;
}

// The program's own update waits out the organisation's delay too.
bool OffersSelfUpdate() {
    if (!g_state.selfUpdateAvailable || g_state.selfIndex < 0 ||
        static_cast<size_t>(g_state.selfIndex) >= g_state.apps.size())
        return false;
    const UpdateRules rules = CurrentUpdateRules(NowFileTime());
    const CatalogApp& self = g_state.apps[static_cast<size_t>(g_state.selfIndex)];
    return DelayElapsed(FirstSeenOf(g_state.firstSeen, self.sha256), rules.now, rules.delayDays);
}

void AppendItem(const CatalogApp& app) { g_state.popupEntries.push_back(PopupItem{app.id, app.sha256}); }

void CollectPopupEntries() {
    g_state.popupEntries.clear();
    g_state.popupIndex = 0;
    for (size_t index : VisibleEntryIndices()) {
        const CatalogApp& app = g_state.apps[index];
        if (OffersUpdate(app)) AppendItem(app);
    }
    if (OffersSelfUpdate()) AppendItem(g_state.apps[static_cast<size_t>(g_state.selfIndex)]);
}

RECT PopupRectOnScreen() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(g_state.mainWindow, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    int width = Scale(390);
    int height = Scale(160);
    int left = work.right - width - Scale(16);
    int top = work.bottom - height - Scale(16);
    return RECT{left, top, left + width, top + height};
}

void CreatePopupButton(HWND popup, const PopupButton& button) {
    HWND child = CreateWindowExW(0, L"BUTTON", button.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                 Scale(button.x), Scale(button.y), Scale(button.width), Scale(button.height), popup,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), g_state.instance, nullptr);
    if (child == nullptr) return;
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_state.bodyFont.get()), FALSE);
    MakeNoActivateButton(child);
}

void OnCreate(HWND popup) {
    CreatePopupButton(popup, kCloseButton);
    CreatePopupButton(popup, kUpdateButton);
    if (g_state.popupEntries.size() >= 2) CreatePopupButton(popup, kNextButton);
}

void OnDrawItem(const DRAWITEMSTRUCT& item) {
    wchar_t text[64] = {};
    GetWindowTextW(item.hwndItem, text, 64);
    const wchar_t* shown = item.CtlID == kCloseButtonId ? kCloseGlyph : text;
    PaintButton(item.hDC, item.rcItem, shown, true, item.CtlID == kUpdateButtonId);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

void ShowNextItem(HWND popup) {
    size_t count = g_state.popupEntries.size();
    if (count == 0) return;
    g_state.popupIndex = (g_state.popupIndex + 1) % count;
    InvalidateRect(popup, nullptr, FALSE);
}

// "Mettre à jour": while a job runs the popup stays and the main window comes
// forward; otherwise the popup closes and the update starts.
void UpdateShownItem() {
    if (g_state.popupIndex >= g_state.popupEntries.size()) return;
    int index = FindPopupEntry(g_state.popupEntries[g_state.popupIndex]);
    if (g_state.busy) {
        ShowMainWindow();
        return;
    }
    CloseUpdatePopup();
    if (index < 0) return;
    ShowMainWindow();
    if (index == g_state.selfIndex)
        StartToolboxUpdate();
    else
        StartToolOperation(static_cast<unsigned long long>(index), ToolAction::Install);
}

void OnCommand(HWND popup, int id) {
    switch (id) {
    case kCloseButtonId: CloseUpdatePopup(); break;
    case kNextButtonId: ShowNextItem(popup); break;
    case kUpdateButtonId: UpdateShownItem(); break;
    default: break;
    }
}

void OnPaint(HWND popup) {
    ScopedPaint paint(popup);
    const HDC dc = paint.hdc();
    RECT client{};
    GetClientRect(popup, &client);
    const Palette& colors = g_state.palette;
    FillSolid(dc, client, colors.surface);
    FillSolid(dc, RECT{0, 0, Scale(4), client.bottom}, colors.warning);

    PopupLines lines = ComposePopupLines();
    DrawLabel(dc, lines.headline, RECT{Scale(18), Scale(16), Scale(345), Scale(42)}, g_state.strongFont.get(),
              colors.text, DT_SINGLELINE | DT_VCENTER);
    if (g_state.popupIndex < g_state.popupEntries.size()) {
        DrawLabel(dc, lines.name, RECT{Scale(18), Scale(48), Scale(370), Scale(76)}, g_state.headingFont.get(),
                  colors.text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        DrawLabel(dc, lines.position, RECT{Scale(18), Scale(78), Scale(370), Scale(98)}, g_state.smallFont.get(),
                  colors.textMuted, DT_SINGLELINE | DT_VCENTER);
    }
}

void OnDestroy(HWND popup) {
    if (popup == g_state.popupWindow) g_state.popupWindow = nullptr;
}

}  // namespace

void ShowUpdatePopup() {
    CloseUpdatePopup();
    if (!g_state.settings.updateChecks || !g_state.installedMode) return;
    CollectPopupEntries();
    if (g_state.popupEntries.empty()) return;

    RECT place = PopupRectOnScreen();
    HWND popup = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kPopupWindowClass,
                                 L"Mises à jour Orkvane", WS_POPUP | WS_BORDER, place.left, place.top,
                                 place.right - place.left, place.bottom - place.top, nullptr, nullptr, g_state.instance,
                                 nullptr);
    if (popup == nullptr) return;
    g_state.popupWindow = popup;
    ShowWindow(popup, SW_SHOWNOACTIVATE);
}

void CloseUpdatePopup() {
    HWND popup = g_state.popupWindow;
    g_state.popupWindow = nullptr;
    if (popup != nullptr) DestroyWindow(popup);
}

int FindPopupEntry(const PopupItem& item) {
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        const CatalogApp& app = g_state.apps[i];
        if (app.id != item.id || app.sha256 != item.sha256) continue;
        int index = static_cast<int>(i);
        if (index == g_state.selfIndex) return OffersSelfUpdate() ? index : -1;
        if (!OffersUpdate(app)) return -1;
        if (!ShowsAsCard(app)) return -1;
        return index;
    }
    return -1;
}

PopupLines ComposePopupLines() {
    size_t count = g_state.popupEntries.size();
    PopupLines lines;
    lines.headline = std::to_wstring(count) + (count == 1 ? L" mise à jour disponible" : L" mises à jour disponibles");
    if (g_state.popupIndex >= count) return lines;
    int index = FindPopupEntry(g_state.popupEntries[g_state.popupIndex]);
    lines.name = index < 0 ? L"Application déjà à jour" : g_state.apps[static_cast<size_t>(index)].name;
    lines.position = count == 1
                         ? std::wstring(L"Orkvane")
                         : std::to_wstring(g_state.popupIndex + 1) + L" / " + std::to_wstring(count) + L" · Orkvane";
    return lines;
}

namespace {

LRESULT HandlePopupMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_DRAWITEM: OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_COMMAND: OnCommand(window, LOWORD(wParam)); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_CLOSE: CloseUpdatePopup(); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

LRESULT CALLBACK UpdatePopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProcedureEdge(window, message, wParam, lParam,
                               [&] { return HandlePopupMessage(window, message, wParam, lParam); });
}
