#include "ui/accessibility/accessibility.h"

#include <windows.h>
#include <oleacc.h>

#include <optional>
#include <string>

#include "app/state.h"
#include "catalog/catalog_model.h"
#include "ui/accessibility/accessible_object.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/keyboard/keyboard_navigation.h"
#include "ui/list/card_layout.h"
#include "ui/progress_text.h"
#include "ui/status_progress.h"

namespace {

// What clients were last told about, to raise events only for changes.
struct ReportedState {
    HWND window = nullptr;
    long focusId = CHILDID_SELF;
    std::wstring expandedId;
    std::wstring statusText;
    int catalogGeneration = 0;
    bool secretMode = false;
    size_t cardCount = 0;
    int progressTenths = -1;  // tens of percent of the running operation
    bool cancelShown = false;
    bool cancelRequested = false;
};
ReportedState g_reported;

int ProgressTenths() {
    const int percent = g_state.busy ? ProgressPercent(g_state.operationProgress) : -1;
    return percent >= 0 ? percent / 10 : -1;
}

ReportedState CurrentReport(HWND window, const AccessibleView& view) {
    const std::optional<ElementId> focused = FocusedNode(view);
    return {window,
            focused ? ChildIdOf(*focused) : CHILDID_SELF,
            g_state.expandedId,
            g_state.statusText,
            g_state.catalogGeneration,
            g_state.secretMode,
            view.layout.cards.size(),
            ProgressTenths(),
            CancelButtonShown(),
            g_state.cancelRequested};
}

void Notify(HWND window, DWORD event, long childId) { NotifyWinEvent(event, window, OBJID_CLIENT, childId); }

// The card of an expanded id, when it is shown.
std::optional<long> CardIdOf(const AccessibleView& view, const std::wstring& id) {
    if (id.empty()) return std::nullopt;
    for (const CardSlot& card : view.layout.cards) {
        if (card.appIndex < g_state.apps.size() && g_state.apps[card.appIndex].id == id) {
            return ChildIdOf({WindowElement::Card, card.appIndex});
        }
    }
    return std::nullopt;
}

void Press(HWND window, const ElementId& node) {
    PressElement(node);
    ReportAccessibleChanges(window);
}

}  // namespace

bool OnGetObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The object id travels as a 32-bit value.
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return false;
    IAccessible* root = CreateAccessibleElement(window, {WindowElement::Window});
    result = LresultFromObject(__uuidof(IAccessible), wParam, root);
    root->Release();  // the result holds its own reference
    return result > 0;
}

void OnAccessiblePress(HWND window, WPARAM childId) {
    const AccessibleView view = CurrentAccessibleView();
    if (const std::optional<ElementId> node = NodeOfChildId(view, static_cast<long>(childId))) {
        Press(window, *node);
    }
}

void ReportAccessibleChanges(HWND window) {
    const AccessibleView view = CurrentAccessibleView();
    const ReportedState now = CurrentReport(window, view);
    const ReportedState before = g_reported;
    g_reported = now;
    // A new window starts from what it shows; nothing has changed yet.
    if (before.window != window) return;

    if (now.catalogGeneration != before.catalogGeneration || now.secretMode != before.secretMode ||
        now.cardCount != before.cardCount) {
        Notify(window, EVENT_OBJECT_REORDER, ChildIdOf({WindowElement::List}));
    }
    if (now.expandedId != before.expandedId) {
        for (const std::wstring* id : {&before.expandedId, &now.expandedId}) {
            if (const std::optional<long> card = CardIdOf(view, *id)) Notify(window, EVENT_OBJECT_STATECHANGE, *card);
        }
    }
    if (now.statusText != before.statusText) {
        Notify(window, EVENT_OBJECT_NAMECHANGE, ChildIdOf({WindowElement::StatusStrip}));
    }
    // Progress is announced by steps of ten percent, not at every report.
    if (now.progressTenths != before.progressTenths && now.progressTenths >= 0) {
        Notify(window, EVENT_OBJECT_VALUECHANGE, ChildIdOf({WindowElement::StatusStrip}));
    }
    const long cancelId = ChildIdOf({WindowElement::CancelButton});
    if (now.cancelShown != before.cancelShown) {
        Notify(window, now.cancelShown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, cancelId);
    } else if (now.cancelShown && now.cancelRequested != before.cancelRequested) {
        Notify(window, EVENT_OBJECT_STATECHANGE, cancelId);
    }
    if (now.focusId != before.focusId && now.focusId != CHILDID_SELF) {
        Notify(window, EVENT_OBJECT_FOCUS, now.focusId);
    }
}
