#include "ui/accessibility/accessible_object.h"

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <string>

#include "app/state.h"
#include "ui/accessibility/accessibility.h"
#include "ui/keyboard/focus_order.h"
#include "ui/keyboard/keyboard_navigation.h"
#include "ui/list/card_layout.h"

namespace {

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetLong(VARIANT* out, long value) {
    out->vt = VT_I4;
    out->lVal = value;
}

class AccessibleElement final : public IAccessible {
public:
    AccessibleElement(HWND window, const ElementId& node) : window_(window), node_(node) {}
    AccessibleElement(const AccessibleElement&) = delete;
    AccessibleElement& operator=(const AccessibleElement&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: clients use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        if (!Alive()) return RPC_E_DISCONNECTED;
        const AccessibleView view = CurrentAccessibleView();
        if (node_.element == WindowElement::Window) {
            // The window itself, as the system describes it.
            return CreateStdAccessibleObject(window_, OBJID_WINDOW, __uuidof(IDispatch),
                                             reinterpret_cast<void**>(parent));
        }
        const std::optional<ElementId> up = ParentOf(view, node_);
        if (!up) return S_FALSE;
        *parent = CreateAccessibleElement(window_, *up);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 0;
        if (!Alive()) return RPC_E_DISCONNECTED;
        const AccessibleView view = CurrentAccessibleView();
        if (!NodeExists(view, node_)) return E_INVALIDARG;
        *count = static_cast<long>(ChildCountOf(view, node_));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        const AccessibleView view = CurrentAccessibleView();
        std::optional<ElementId> found;
        if (node_.element == WindowElement::Window) {
            // The window's children are 1 to 6; deeper ids name any element.
            found = NodeOfChildId(view, child.lVal);
            if (found && found->element == WindowElement::Window) found.reset();
        } else if (child.lVal >= 1) {
            found = NthChildOf(view, node_, static_cast<size_t>(child.lVal) - 1);
        }
        if (!found) return E_INVALIDARG;
        *out = CreateAccessibleElement(window_, *found);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return Text(child, name, [](const AccessibleView& view, const ElementId& node) { return NameOf(view, node); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return Text(child, value, [](const AccessibleView&, const ElementId& node) { return ValueOf(node); });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return Text(child, description,
                    [](const AccessibleView&, const ElementId& node) { return DescriptionOf(node); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Text(child, action, [](const AccessibleView&, const ElementId& node) { return DefaultActionOf(node); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return ReturnText({}, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file != nullptr) *file = nullptr;
        if (topic != nullptr) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return Text(child, shortcut, [](const AccessibleView&, const ElementId& node) {
            switch (node.element) {
            case WindowElement::RefreshButton: return std::wstring(L"F5");
            case WindowElement::OptionsButton: return std::wstring(L"Ctrl+O");
            default: return std::wstring();
            }
        });
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (role == nullptr) return E_POINTER;
        VariantInit(role);
        std::optional<Target> target;
        if (const HRESULT hr = Resolve(child, target); hr != S_OK) return hr;
        SetLong(role, RoleOf(target->node));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (state == nullptr) return E_POINTER;
        VariantInit(state);
        std::optional<Target> target;
        if (const HRESULT hr = Resolve(child, target); hr != S_OK) return hr;
        SetLong(state, StateOf(target->view, target->node));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) return E_POINTER;
        VariantInit(focus);
        if (!Alive()) return RPC_E_DISCONNECTED;
        const AccessibleView view = CurrentAccessibleView();
        const std::optional<ElementId> focused = FocusedNode(view);
        if (focused && *focused == node_) {
            SetLong(focus, CHILDID_SELF);
        } else if (focused && node_.element == WindowElement::Window) {
            focus->vt = VT_DISPATCH;
            focus->pdispVal = CreateAccessibleElement(window_, *focused);
        } else if (node_.element == WindowElement::Window && GetFocus() == window_) {
            SetLong(focus, CHILDID_SELF);
        }
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection == nullptr) return E_POINTER;
        VariantInit(selection);
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (node_.element != WindowElement::List) return S_FALSE;
        const AccessibleView view = CurrentAccessibleView();
        for (const CardSlot& card : view.layout.cards) {
            if (card.appIndex < g_state.apps.size() && IsExpanded(g_state.apps[card.appIndex])) {
                selection->vt = VT_DISPATCH;
                selection->pdispVal = CreateAccessibleElement(window_, {WindowElement::Card, card.appIndex});
                return S_OK;
            }
        }
        return S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        std::optional<Target> target;
        if (const HRESULT hr = Resolve(child, target); hr != S_OK) return hr;
        if ((flags & SELFLAG_TAKEFOCUS) == 0) return DISP_E_MEMBERNOTFOUND;
        const std::optional<KeyboardFocus> focus = FocusOfElement(target->node);
        if (!focus) return DISP_E_MEMBERNOTFOUND;
        SetKeyboardFocus(window_, *focus);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        *left = *top = *width = *height = 0;
        std::optional<Target> target;
        if (const HRESULT hr = Resolve(child, target); hr != S_OK) return hr;
        RECT place = LocationOf(target->view, target->node);
        MapWindowPoints(window_, HWND_DESKTOP, reinterpret_cast<POINT*>(&place), 2);
        *left = place.left;
        *top = place.top;
        *width = place.right - place.left;
        *height = place.bottom - place.top;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (end == nullptr) return E_POINTER;
        VariantInit(end);
        std::optional<Target> from;
        if (const HRESULT hr = Resolve(start, from); hr != S_OK) return hr;
        const std::optional<ElementId> to = NavigateFrom(from->view, from->node, direction);
        if (!to) return S_FALSE;
        end->vt = VT_DISPATCH;
        end->pdispVal = CreateAccessibleElement(window_, *to);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (hit == nullptr) return E_POINTER;
        VariantInit(hit);
        if (!Alive()) return RPC_E_DISCONNECTED;
        const AccessibleView view = CurrentAccessibleView();
        if (!NodeExists(view, node_)) return E_INVALIDARG;
        POINT point{x, y};
        ScreenToClient(window_, &point);
        const RECT place = LocationOf(view, node_);
        if (!PtInRect(&place, point)) return S_FALSE;
        if (const std::optional<ElementId> child = ChildAt(view, node_, point)) {
            hit->vt = VT_DISPATCH;
            hit->pdispVal = CreateAccessibleElement(window_, *child);
        } else {
            SetLong(hit, CHILDID_SELF);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        std::optional<Target> target;
        if (const HRESULT hr = Resolve(child, target); hr != S_OK) return hr;
        if (DefaultActionOf(target->node).empty()) return DISP_E_MEMBERNOTFOUND;
        PostMessageW(window_, WM_APP_ACCESSIBLE_PRESS, static_cast<WPARAM>(ChildIdOf(target->node)), 0);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccessibleElement() = default;

    // The window is gone once it is destroyed or replaced.
    bool Alive() const { return IsWindow(window_) && g_state.mainWindow == window_; }

    // The element a call is about, with the view it was found in.
    struct Target {
        AccessibleView view;
        ElementId node;
    };

    // This element (CHILDID_SELF), or for the window's client object any
    // element by its child id.
    HRESULT Resolve(const VARIANT& child, std::optional<Target>& target) const {
        if (!Alive()) return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4) return E_INVALIDARG;
        const AccessibleView view = CurrentAccessibleView();
        std::optional<ElementId> node;
        if (child.lVal == CHILDID_SELF) {
            if (NodeExists(view, node_)) node = node_;
        } else if (node_.element == WindowElement::Window) {
            node = NodeOfChildId(view, child.lVal);
        }
        if (!node) return E_INVALIDARG;
        target.emplace(Target{view, *node});
        return S_OK;
    }

    template <typename Fn>
    HRESULT Text(const VARIANT& child, BSTR* out, Fn&& text) const {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        std::optional<Target> target;
        if (const HRESULT hr = Resolve(child, target); hr != S_OK) return hr;
        return ReturnText(text(target->view, target->node), out);
    }

    HWND window_;
    ElementId node_;
    std::atomic<ULONG> references_{1};
};

}  // namespace

IAccessible* CreateAccessibleElement(HWND window, const ElementId& node) { return new AccessibleElement(window, node); }
