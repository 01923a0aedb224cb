// Painting the Options dialog: background, header and panels, the owner-drawn
// buttons and theme list, and the colours of the standard controls.
#include "ui/options/options_paint.h"

#include <string>

#include "app/state.h"
#include "app/theme.h"
#include "base/handles.h"
#include "resources/resource.h"
#include "ui/draw.h"

namespace {

constexpr UINT kLineLeft = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
constexpr UINT kLineCentred = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

// The dialog's own fonts follow the dialog's dpi, not the main window's.
UniqueFont MakeDialogFont(int dpi, int points, int weight) {
    return UniqueFont(CreateFontW(-MulDiv(points, dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI"));
}

void AssignFont(HWND dialog, int id, HFONT font) {
    SendDlgItemMessageW(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// A rectangle given in dialog units, in client pixels.
RECT DialogUnits(HWND dialog, int left, int top, int right, int bottom) {
    RECT rect{left, top, right, bottom};
    MapDialogRect(dialog, &rect);
    return rect;
}

void PaintPanel(HDC dc, const RECT& rect) { FillRounded(dc, rect, g_state.palette.surface, g_state.palette.border); }

void PaintPanelTitle(HWND dialog, HDC dc, const OptionsDialogState& state, const wchar_t* title, const RECT& units) {
    DrawLabel(dc, title, DialogUnits(dialog, units.left, units.top, units.right, units.bottom), state.sectionFont.get(),
              g_state.palette.text, kLineLeft);
}

void PaintDialogTo(HWND dialog, HDC dc, const OptionsDialogState& state, const RECT& client) {
    const Palette& colors = g_state.palette;
    SetBkMode(dc, TRANSPARENT);
    FillSolid(dc, client, colors.window);
    int dpi = static_cast<int>(GetDpiForWindow(dialog));
    FillSolid(dc, RECT{0, 0, client.right, MulDiv(3, dpi, 96)}, colors.accent);

    RECT icon = DialogUnits(dialog, 17, 12, 39, 34);
    if (g_state.appIcon != nullptr)
        DrawIconEx(dc, icon.left, icon.top, g_state.appIcon, icon.right - icon.left, icon.bottom - icon.top, 0, nullptr,
                   DI_NORMAL);
    DrawLabel(dc, L"Options", DialogUnits(dialog, 50, 7, 400, 26), state.headerFont.get(), colors.text, kLineLeft);
    DrawLabel(dc, L"Personnalisez Orkvane", DialogUnits(dialog, 50, 27, 400, 39), state.noteFont.get(),
              colors.textMuted, kLineLeft);

    if (state.tab == 1) {
        PaintPanel(dc, DialogUnits(dialog, 16, 84, 404, 243));
    } else {
        PaintPanel(dc, DialogUnits(dialog, 16, 84, 404, 196));
        PaintPanel(dc, DialogUnits(dialog, 16, 204, 404, 251));
        PaintPanelTitle(dialog, dc, state, L"Apparence et fonctionnement", RECT{28, 91, 390, 106});
        PaintPanelTitle(dialog, dc, state, L"Raccourcis des applications", RECT{28, 210, 240, 225});
    }
    FillSolid(dc, DialogUnits(dialog, 16, 252, 404, 253), colors.border);
}

struct ButtonLook {
    COLORREF background;
    COLORREF fill;
    COLORREF border;
    COLORREF text;
    HFONT font;
};

ButtonLook LookOfButton(const OptionsDialogState& state, int id, bool pressed) {
    const Palette& c = g_state.palette;
    HFONT section = state.sectionFont.get();
    HFONT text = state.textFont.get();
    switch (id) {
    case IDOK: {
        COLORREF fill = pressed ? c.accentHover : c.accent;
        return {c.window, fill, fill, c.onAccent, section};
    }
    case IDC_OPT_TAB_GENERAL:
    case IDC_OPT_TAB_ADVANCED: {
        bool selected = (id == IDC_OPT_TAB_GENERAL) == (state.tab == 0);
        if (selected) return {c.window, c.selected, c.selected, c.accent, section};
        return {c.window, c.window, c.window, c.text, section};
    }
    case IDC_OPT_UNINSTALL: return {c.window, c.window, c.window, c.danger, text};
    case IDC_OPT_APPS_FOLDER: return {c.surface, c.surface, c.border, c.text, text};
    default: return {c.window, c.surface, c.border, c.text, text};  // "Annuler", "Parcourir…"
    }
}

std::wstring ButtonText(HWND button) {
    wchar_t buffer[129] = {};
    GetWindowTextW(button, buffer, 129);
    std::wstring text;
    for (const wchar_t* p = buffer; *p != L'\0'; ++p)
        if (*p != L'&') text += *p;
    return text;
}

void DrawFocusInside(HDC dc, RECT rect, int inset) {
    InflateRect(&rect, -inset, -inset);
    DrawFocusRect(dc, &rect);
}

void DrawButtonItem(const OptionsDialogState& state, const DRAWITEMSTRUCT& item) {
    ButtonLook look = LookOfButton(state, static_cast<int>(item.CtlID), (item.itemState & ODS_SELECTED) != 0);
    if (item.itemState & ODS_DISABLED) look.text = g_state.palette.textDisabled;
    FillSolid(item.hDC, item.rcItem, look.background);
    FillRounded(item.hDC, item.rcItem, look.fill, look.border);
    DrawLabel(item.hDC, ButtonText(item.hwndItem), item.rcItem, look.font, look.text, kLineCentred);
    if (item.itemState & ODS_FOCUS) DrawFocusInside(item.hDC, item.rcItem, 4);
}

void DrawThemeItem(const OptionsDialogState& state, const DRAWITEMSTRUCT& item) {
    const Palette& colors = g_state.palette;
    FillSolid(item.hDC, item.rcItem, (item.itemState & ODS_SELECTED) ? colors.selected : colors.surface);
    if (item.itemID != static_cast<UINT>(-1)) {
        wchar_t text[64] = {};
        LRESULT length = SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
        if (length >= 0 && length < 64)
            SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
        RECT textRect = item.rcItem;
        textRect.left += Scale(6);
        // Disabled when the theme is the organisation's choice.
        COLORREF color = (item.itemState & ODS_DISABLED) ? colors.textDisabled : colors.text;
        DrawLabel(item.hDC, text, textRect, state.textFont.get(), color, kLineLeft);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusInside(item.hDC, item.rcItem, 0);
}

}  // namespace

void CreateOptionsFonts(HWND dialog, OptionsDialogState& state) {
    int dpi = static_cast<int>(GetDpiForWindow(dialog));
    UniqueFont header = MakeDialogFont(dpi, 15, FW_BOLD);
    UniqueFont section = MakeDialogFont(dpi, 10, FW_BOLD);
    UniqueFont text = MakeDialogFont(dpi, 9, FW_NORMAL);
    UniqueFont note = MakeDialogFont(dpi, 8, FW_NORMAL);
    // The controls take the new fonts before the old ones are deleted.
    for (int id : {IDC_OPT_STARTUP, IDC_OPT_UPDATE_CHECKS, IDC_OPT_DESKTOP, IDC_OPT_MENU, IDC_OPT_THEME,
                   IDC_OPT_THEME_LABEL, IDC_OPT_SOURCE_ONLINE, IDC_OPT_SOURCE_OFFLINE, IDC_OPT_FOLDER, IDC_OPT_BROWSE,
                   IDC_OPT_SOURCE_NOTE, IDC_OPT_DIAGNOSTICS_DONE, IDC_OPT_AUTO_UPDATE})
        AssignFont(dialog, id, text.get());
    AssignFont(dialog, IDC_OPT_SOURCE_TITLE, section.get());
    for (int id : {IDC_OPT_UPDATE_NOTE, IDC_OPT_MANAGED_NOTE}) AssignFont(dialog, id, note.get());
    state.headerFont = std::move(header);
    state.sectionFont = std::move(section);
    state.textFont = std::move(text);
    state.noteFont = std::move(note);
}

void CreateOptionsBrushes(OptionsDialogState& state) {
    state.surfaceBrush.reset(CreateSolidBrush(g_state.palette.surface));
    state.windowBrush.reset(CreateSolidBrush(g_state.palette.window));
}

void PaintOptionsDialog(HWND dialog, const OptionsDialogState& state) {
    ScopedPaint paint(dialog);
    const HDC screen = paint.hdc();
    RECT client{};
    GetClientRect(dialog, &client);
    UniqueMemoryDc memory(CreateCompatibleDC(screen));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    if (memory && bitmap) {
        ScopedSelect selectBitmap(memory.get(), bitmap.get());
        {
            ScopedSaveDc keepFont(memory.get());
            PaintDialogTo(dialog, memory.get(), state, client);
        }
        BitBlt(screen, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
}

void MeasureOptionsItem(HWND dialog, MEASUREITEMSTRUCT& item) {
    if (item.CtlType == ODT_COMBOBOX) item.itemHeight = static_cast<UINT>(MulDiv(24, GetDpiForWindow(dialog), 96));
}

void DrawOptionsItem(const OptionsDialogState& state, const DRAWITEMSTRUCT& item) {
    ScopedSaveDc keep(item.hDC);
    if (item.CtlType == ODT_COMBOBOX)
        DrawThemeItem(state, item);
    else if (item.CtlType == ODT_BUTTON)
        DrawButtonItem(state, item);
}

INT_PTR ColorOptionsControl(const OptionsDialogState& state, HDC dc, HWND control) {
    const Palette& colors = g_state.palette;
    switch (GetDlgCtrlID(control)) {
    case IDC_OPT_MANAGED_NOTE:
        SetTextColor(dc, colors.textMuted);
        SetBkColor(dc, colors.window);
        return reinterpret_cast<INT_PTR>(state.windowBrush.get());
    case IDC_OPT_DIAGNOSTICS_DONE:
        SetTextColor(dc, colors.text);
        SetBkColor(dc, colors.window);
        return reinterpret_cast<INT_PTR>(state.windowBrush.get());
    default:
        SetTextColor(dc, colors.text);
        SetBkColor(dc, colors.surface);
        return reinterpret_cast<INT_PTR>(state.surfaceBrush.get());
    }
}
