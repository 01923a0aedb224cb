// The main window as a screen reader sees it: the IAccessible tree fetched
// through AccessibleObjectFromWindow (the real WM_GETOBJECT path), checked
// against the hit records of a real paint, its default actions, and the
// events it raises.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/web_host.h"
#include "resources/resource.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"
#include "ui/options/options_dialog.h"
#include "ui/popup/update_popup.h"

namespace {

VARIANT Self() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

VARIANT Id(long id) {
    VARIANT v = Self();
    v.lVal = id;
    return v;
}

// Calls a getter of text and frees what it returned.
template <typename Getter>
std::wstring TextOf(Getter&& get) {
    BSTR text = nullptr;
    const HRESULT hr = get(&text);
    std::wstring result = (SUCCEEDED(hr) && text != nullptr) ? std::wstring(text, SysStringLen(text)) : L"";
    SysFreeString(text);
    return result;
}

ComPtr<IAccessible> FromDispatch(IDispatch* dispatch) {
    ComPtr<IAccessible> acc;
    if (dispatch != nullptr) {
        dispatch->QueryInterface(__uuidof(IAccessible), acc.putVoid());
        dispatch->Release();
    }
    return acc;
}

ComPtr<IAccessible> FromVariant(VARIANT v) {
    if (v.vt == VT_DISPATCH) return FromDispatch(v.pdispVal);
    VariantClear(&v);
    return {};
}

struct Element {
    long role = 0;
    std::wstring name;
    std::wstring value;
    long state = 0;
    RECT place{};  // client coordinates
};

class AccessibilityTest : public MainWindowFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.ok());
        MainWindowFixture::SetUp();
    }

    void Key(WPARAM key) { SendMessageW(window_, WM_KEYDOWN, key, 1); }

    ComPtr<IAccessible> Root() {
        ComPtr<IAccessible> root;
        EXPECT_EQ(AccessibleObjectFromWindow(window_, OBJID_CLIENT, __uuidof(IAccessible), root.putVoid()), S_OK);
        return root;
    }

    // The path of 1-based child positions from the window's client object.
    ComPtr<IAccessible> At(std::vector<long> path) {
        ComPtr<IAccessible> acc = Root();
        for (long position : path) {
            if (!acc) return acc;
            IDispatch* child = nullptr;
            acc->get_accChild(Id(position), &child);
            acc = FromDispatch(child);
        }
        return acc;
    }

    Element Read(IAccessible* acc) {
        Element e;
        if (acc == nullptr) return e;
        VARIANT v;
        VariantInit(&v);
        if (acc->get_accRole(Self(), &v) == S_OK) e.role = v.lVal;
        VariantInit(&v);
        if (acc->get_accState(Self(), &v) == S_OK) e.state = v.lVal;
        e.name = TextOf([&](BSTR* text) { return acc->get_accName(Self(), text); });
        e.value = TextOf([&](BSTR* text) { return acc->get_accValue(Self(), text); });
        long left = 0, top = 0, width = 0, height = 0;
        acc->accLocation(&left, &top, &width, &height, Self());
        POINT corner{left, top};
        ScreenToClient(window_, &corner);
        e.place = {corner.x, corner.y, corner.x + width, corner.y + height};
        return e;
    }
    Element ReadAt(std::vector<long> path) { return Read(At(std::move(path)).get()); }

    long ChildCount(IAccessible* acc) {
        long count = -1;
        if (acc != nullptr) acc->get_accChildCount(&count);
        return count;
    }

    // The records of the last paint for one entry, in painting order.
    std::vector<HitRecord> RecordsOf(size_t appIndex) {
        std::vector<HitRecord> records;
        for (const HitRecord& record : g_state.hitRecords) {
            if (record.appIndex == appIndex) records.push_back(record);
        }
        return records;
    }

    ScopedComApartment com_;
};

constexpr long kBaseCard = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;

TEST_F(AccessibilityTest, TheTreeMirrorsThePaintedWindow) {
    Show(AppShape{L"b1", L"Bureau", true, true}, AppShape{L"a1", L"Audio", true}, AppShape{L"a2", L"Audio"},
         AppShape{L"cache", L"Audio", false, false, true});
    g_state.statusText = L"Catalogue OVH chargé.";

    ComPtr<IAccessible> root = Root();
    ASSERT_TRUE(root);
    EXPECT_EQ(Read(root.get()).role, ROLE_SYSTEM_CLIENT);
    ASSERT_EQ(ChildCount(root.get()), 6);

    struct Top {
        long role;
        std::wstring name;
        RECT place;
    };
    const Top tops[] = {
        {ROLE_SYSTEM_PUSHBUTTON, L"Installer Orkvane", g_state.selfButtonRect},
        {ROLE_SYSTEM_PUSHBUTTON, L"Actualiser", g_state.refreshButtonRect},
        {ROLE_SYSTEM_PUSHBUTTON, L"Options", g_state.optionsButtonRect},
        {ROLE_SYSTEM_LIST, L"Mes applications", {0, g_state.listTop, 1180, g_state.listBottom}},
        {ROLE_SYSTEM_STATICTEXT, W("Catalogue OVH chargé."), g_state.statusStripRect},
        {ROLE_SYSTEM_LINK, CreditText(), g_state.siteLinkRect},
    };
    for (long i = 0; i < 6; ++i) {
        SCOPED_TRACE("child " + std::to_string(i + 1));
        const Element e = ReadAt({i + 1});
        EXPECT_EQ(e.role, tops[i].role);
        EXPECT_EQ(e.name, tops[i].name);
        EXPECT_RECT(e.place, tops[i].place);
    }
    EXPECT_EQ(ReadAt({6}).value, SiteRoot());

    // One group per category, named by its title and count; one item per card,
    // at the place of the card's painted title row (collapsed cards are one row).
    ASSERT_EQ(ChildCount(At({4}).get()), 2);
    EXPECT_EQ(ReadAt({4, 1}).role, ROLE_SYSTEM_GROUPING);
    EXPECT_EQ(ReadAt({4, 1}).name, L"Audio, 2 applis");
    EXPECT_EQ(ReadAt({4, 2}).name, L"Bureau, 1 applis");
    struct Item {
        std::vector<long> path;
        size_t appIndex;
        std::wstring value;
    };
    const Item items[] = {
        {{4, 1, 1}, 1, L"Installée"},
        {{4, 1, 2}, 2, L"Non installée"},
        {{4, 2, 1}, 0, L"À mettre à jour"},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(g_state.apps[item.appIndex].id);
        const Element e = ReadAt(item.path);
        EXPECT_EQ(e.role, ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ(e.name, g_state.apps[item.appIndex].id);
        EXPECT_EQ(e.value, item.value);
        EXPECT_EQ(e.state, kBaseCard | STATE_SYSTEM_COLLAPSED);
        const std::vector<HitRecord> records = RecordsOf(item.appIndex);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_RECT(e.place, records[0].bounds);
        ComPtr<IAccessible> card = At(item.path);
        EXPECT_EQ(TextOf([&](BSTR* text) { return card->get_accDescription(Self(), text); }),
                  g_state.apps[item.appIndex].description);
    }

    // The hit test walks down from the window to the card under the point.
    const RECT a2 = RecordsOf(2)[0].bounds;
    POINT screen{(a2.left + a2.right) / 2, (a2.top + a2.bottom) / 2};
    ClientToScreen(window_, &screen);
    ComPtr<IAccessible> hit = Root();
    for (int depth = 0; depth < 3; ++depth) {
        VARIANT v;
        VariantInit(&v);
        ASSERT_EQ(hit->accHitTest(screen.x, screen.y, &v), S_OK) << "depth " << depth;
        ASSERT_EQ(v.vt, VT_DISPATCH) << "depth " << depth;
        hit = FromVariant(v);
    }
    EXPECT_EQ(Read(hit.get()).name, L"a2");

    // Navigation between siblings and to children.
    VARIANT next;
    VariantInit(&next);
    ASSERT_EQ(At({4, 1})->accNavigate(NAVDIR_NEXT, Self(), &next), S_OK);
    EXPECT_EQ(Read(FromVariant(next).get()).name, L"Bureau, 1 applis");
    VARIANT first;
    VariantInit(&first);
    ASSERT_EQ(root->accNavigate(NAVDIR_FIRSTCHILD, Self(), &first), S_OK);
    EXPECT_EQ(Read(FromVariant(first).get()).name, L"Installer Orkvane");
    VARIANT none;
    VariantInit(&none);
    EXPECT_EQ(At({4, 2, 1})->accNavigate(NAVDIR_NEXT, Self(), &none), S_FALSE);
    // A card's siblings and parent are those of its own group.
    VARIANT sibling;
    VariantInit(&sibling);
    ASSERT_EQ(At({4, 1, 1})->accNavigate(NAVDIR_NEXT, Self(), &sibling), S_OK);
    EXPECT_EQ(Read(FromVariant(sibling).get()).name, L"a2");
    IDispatch* parent = nullptr;
    ASSERT_EQ(At({4, 2, 1})->get_accParent(&parent), S_OK);
    EXPECT_EQ(Read(FromDispatch(parent).get()).name, L"Bureau, 1 applis");
    // The tree reads the layout that painting keeps, not a copy of it.
    EXPECT_EQ(&CurrentAccessibleView().layout, &g_state.listLayout.layout);

    // Secret mode adds the hidden entry to its group.
    g_state.secretMode = true;
    UpdateScrollMetrics();
    Paint();
    EXPECT_EQ(ReadAt({4, 1}).name, L"Audio, 3 applis");
    EXPECT_EQ(ReadAt({4, 1, 3}).name, L"cache");
}

TEST_F(AccessibilityTest, AnExpandedCardShowsItsButtonsWhereThePaintPutThem) {
    Show(AppShape{L"maj", L"Outils", true, true});
    VARIANT v = Self();
    ASSERT_EQ(At({4, 1, 1})->accDoDefaultAction(v), S_OK);
    ASSERT_TRUE(PumpUntil([] { return g_state.expandedId == L"maj"; }, 5000)) << "the default action expands";
    Paint();

    const Element card = ReadAt({4, 1, 1});
    EXPECT_EQ(card.state, kBaseCard | STATE_SYSTEM_EXPANDED | STATE_SYSTEM_SELECTED);
    ASSERT_EQ(ChildCount(At({4, 1, 1}).get()), 3);
    const std::vector<HitRecord> records = RecordsOf(0);
    ASSERT_EQ(records.size(), 4u) << "title row, two buttons, menu";
    struct Button {
        long role;
        std::wstring name;
        long state;
    };
    // Portable copy: the two action buttons are drawn unavailable.
    const Button buttons[] = {
        {ROLE_SYSTEM_PUSHBUTTON, W("Mettre à jour"), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE},
        {ROLE_SYSTEM_PUSHBUTTON, L"Lancer", STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE},
        {ROLE_SYSTEM_BUTTONMENU, L"Autres actions", STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_HASPOPUP},
    };
    for (long i = 0; i < 3; ++i) {
        SCOPED_TRACE("button " + std::to_string(i + 1));
        const Element e = ReadAt({4, 1, 1, i + 1});
        EXPECT_EQ(e.role, buttons[i].role);
        EXPECT_EQ(e.name, buttons[i].name);
        EXPECT_EQ(e.state, buttons[i].state);
        EXPECT_RECT(e.place, records[static_cast<size_t>(i) + 1].bounds);
    }

    // The keyboard focus is what get_accFocus answers, and it is marked.
    Key(VK_DOWN);
    Key(VK_RIGHT);
    VARIANT focus;
    VariantInit(&focus);
    ASSERT_EQ(Root()->get_accFocus(&focus), S_OK);
    ComPtr<IAccessible> focused = FromVariant(focus);
    EXPECT_EQ(Read(focused.get()).name, W("Mettre à jour"));
    EXPECT_NE(Read(focused.get()).state & STATE_SYSTEM_FOCUSED, 0);
}

// Window events of this process, collected by an out-of-context hook.
std::vector<std::pair<DWORD, long>> g_events;
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) g_events.push_back({event, child});
}

TEST_F(AccessibilityTest, AnInstallStartedByTheDefaultActionIsReadOut) {
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    g_state.installedMode = true;
    g_state.settings.desktopShortcut = false;
    g_state.settings.menuShortcut = false;
    const std::wstring id = L"a11ymixeur";
    ToolCleanup cleanup(id);
    const std::string tool = TraceToolBytes();
    const std::wstring usbRoot = OfflineRootOnUsbDrive();
    WriteFileBytes(JoinPath(usbRoot, L"outils\\" + id + L".exe"), tool);
    g_state.apps.clear();
    g_state.apps.push_back(MakeToolEntry(id, Sha256Of(tool), usbRoot));
    g_state.expandedId = id;
    g_state.catalogLoaded = true;
    UpdateScrollMetrics();
    Paint();

    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, RecordEvent,
                                         GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    g_events.clear();

    const Element button = ReadAt({4, 1, 1, 1});
    ASSERT_EQ(button.name, L"Installer");
    ASSERT_EQ(button.state & STATE_SYSTEM_UNAVAILABLE, 0);
    ASSERT_EQ(At({4, 1, 1, 1})->accDoDefaultAction(Self()), S_OK);
    // The install may start and end within one pass of the pump: wait for its result.
    const std::wstring installed = id + W(msg::kResultInstalled);
    ASSERT_TRUE(PumpUntil([&] { return !g_state.busy && g_state.statusText == installed; }, 60000))
        << "the default action installs; status: " << std::string(g_state.statusText.begin(), g_state.statusText.end());
    EXPECT_TRUE(FileExists(InstalledPath(id)));
    Paint();
    PumpFor(100);
    UnhookWinEvent(hook);

    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : std::string(boxes[0].text.begin(), boxes[0].text.end()));
    EXPECT_EQ(ReadAt({5}).name, installed);
    EXPECT_EQ(ReadAt({4, 1, 1}).value, L"Installée");
    EXPECT_EQ(ReadAt({4, 1, 1, 1}).name, L"Lancer");
    const std::pair<DWORD, long> nameChange{EVENT_OBJECT_NAMECHANGE, 5};
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), nameChange), g_events.end())
        << "the status strip's new text is announced";
}

TEST_F(AccessibilityTest, ProgressIsTheStatusValueAnnouncedByTensOfPercent) {
    Show(AppShape{L"outil", L"Outils"});
    g_state.busy = true;
    g_state.statusText = L"Installation de outil...";
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, RecordEvent,
                                         GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    Paint();
    struct Case {
        long long done;
        long long expected;
        const wchar_t* value;
        bool announced;
    };
    const Case cases[] = {
        {5, 100, L"5\u00A0%", true},  // the first report
        {9, 100, L"9\u00A0%", false},  {10, 100, L"10\u00A0%", true},   {19, 100, L"19\u00A0%", false},
        {42, 100, L"42\u00A0%", true}, {100, 100, L"100\u00A0%", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.done);
        g_state.operationProgress = {true, static_cast<unsigned long long>(c.done), c.expected};
        g_events.clear();
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
        PumpFor(30);
        EXPECT_EQ(ReadAt({5}).value, c.value);
        const std::pair<DWORD, long> valueChange{EVENT_OBJECT_VALUECHANGE, 5};
        EXPECT_EQ(std::count(g_events.begin(), g_events.end(), valueChange), c.announced ? 1 : 0);
    }
    // No operation, no value.
    g_state.busy = false;
    g_state.operationProgress = {};
    EXPECT_EQ(ReadAt({5}).value, L"");
    UnhookWinEvent(hook);
}

TEST_F(AccessibilityTest, EventsFollowFocusExpansionAndNewLists) {
    Show(AppShape{L"un", L"Outils"}, AppShape{L"deux", L"Outils"});
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, RecordEvent,
                                         GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);

    // Each step's events name elements that get_accChild on the window resolves.
    struct Case {
        const char* what;
        std::function<void()> act;
        DWORD event;
        std::wstring name;  // of the element the event names
    };
    const Case cases[] = {
        {"focus moves", [&] { Key(VK_DOWN); }, EVENT_OBJECT_FOCUS, L"un"},
        {"card expands", [&] { Key(VK_RETURN); }, EVENT_OBJECT_STATECHANGE, L"un"},
        {"status changes",
         [&] {
             g_state.statusText = L"Nouveau texte";
             InvalidateRect(window_, nullptr, FALSE);
         },
         EVENT_OBJECT_NAMECHANGE, L"Nouveau texte"},
        {"secret mode",
         [&] {
             g_state.secretMode = true;
             InvalidateRect(window_, nullptr, FALSE);
         },
         EVENT_OBJECT_REORDER, L"Mes applications"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_events.clear();
        c.act();
        UpdateWindow(window_);
        PumpFor(50);
        long child = -1;
        for (const auto& [event, id] : g_events) {
            if (event == c.event) child = id;
        }
        ASSERT_NE(child, -1) << "no such event among " << g_events.size();
        IDispatch* element = nullptr;
        ASSERT_EQ(Root()->get_accChild(Id(child), &element), S_OK);
        EXPECT_EQ(Read(FromDispatch(element).get()).name, c.name);
    }

    // The painter only draws: the window procedure tells, beside its paint.
    g_events.clear();
    g_state.statusText = L"Texte peint";
    PaintMainWindow(window_);
    PumpFor(50);
    EXPECT_TRUE(g_events.empty()) << g_events.size() << " events from painting alone";
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    PumpFor(50);
    const std::pair<DWORD, long> nameChange{EVENT_OBJECT_NAMECHANGE, 5};
    EXPECT_NE(std::find(g_events.begin(), g_events.end(), nameChange), g_events.end());
    UnhookWinEvent(hook);
}

}  // namespace

namespace {

// What a screen reader asks of every card as it walks the list: each group
// by accNavigate, each card by its position, then the card's name, state,
// place, parent and next sibling. Returns the cards walked and how many of
// them had the focus.
std::pair<size_t, size_t> WalkEveryCard(const AccessibleView& view) {
    size_t cards = 0;
    size_t focused = 0;
    const ElementId list{WindowElement::List};
    for (std::optional<ElementId> group = NavigateFrom(view, list, NAVDIR_FIRSTCHILD); group;
         group = NavigateFrom(view, *group, NAVDIR_NEXT)) {
        const size_t count = ChildCountOf(view, *group);
        for (size_t i = 0; i < count; ++i) {
            const std::optional<ElementId> card = NthChildOf(view, *group, i);
            if (!card) return {cards, focused};
            if (NameOf(view, *card).empty() || !ParentOf(view, *card)) return {cards, focused};
            if ((StateOf(view, *card) & STATE_SYSTEM_FOCUSED) != 0) ++focused;
            LocationOf(view, *card);
            if (NavigateFrom(view, *card, NAVDIR_NEXT).has_value() != (i + 1 < count)) return {cards, focused};
            ++cards;
        }
    }
    return {cards, focused};
}

// Walking ten times the cards takes about ten times as long, whether every
// card has a group of its own or all share one, with the focus on a card.
// The fastest of a few walks is compared: a busy machine can slow a walk
// down, never speed it up.
TEST_F(AccessibilityTest, WalkingTheCardsCostsTheSameForEachCard) {
    struct Shape {
        const char* what;
        bool groupPerCard;
    };
    for (const Shape shape : {Shape{"a group per card", true}, Shape{"one group", false}}) {
        SCOPED_TRACE(shape.what);
        auto fastestPerCardUs = [&](size_t count) {
            g_state.apps.clear();
            for (size_t i = 0; i < count; ++i) {
                const std::wstring number = std::to_wstring(i);
                g_state.apps.push_back(
                    MakeApp(AppShape{L"Outil_" + number, shape.groupPerCard ? L"C" + number : L"C"}));
            }
            g_state.catalogLoaded = true;
            g_state.keyboardFocus = {WindowElement::Card, L"Outil_" + std::to_wstring(count / 2)};
            UpdateScrollMetrics();
            Paint();
            const AccessibleView view = CurrentAccessibleView();
            double fastest = 1e9;
            for (int run = 0; run < 3; ++run) {
                const auto start = std::chrono::steady_clock::now();
                const auto [cards, focused] = WalkEveryCard(view);
                const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
                EXPECT_EQ(cards, count);
                EXPECT_EQ(focused, 1u);
                fastest = std::min(fastest, took.count() / static_cast<double>(count));
            }
            return fastest;
        };
        const double few = fastestPerCardUs(2000);
        const double many = fastestPerCardUs(20000);
        EXPECT_LT(many, 3 * few) << "per card: " << few << " us among 2,000, " << many << " us among 20,000";
    }
}

std::wstring AccessibleNameOf(HWND control) {
    ComPtr<IAccessible> acc;
    if (AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), acc.putVoid()) != S_OK) return L"?";
    return TextOf([&](BSTR* text) { return acc->get_accName(Self(), text); });
}

// Every group, card and card button has a child id of its own, however many
// categories the catalogue has, and the id leads back to it.
TEST(AccessibleIds, NoTwoNodesShareAChildId) {
    ResetAppState();
    constexpr size_t kEntries = 1200;  // a category each: groups past 900 and cards side by side
    for (size_t i = 0; i < kEntries; ++i) {
        const std::wstring n = std::to_wstring(i);
        g_state.apps.push_back(MakeApp(AppShape{L"outil" + n, L"Catégorie " + n, i % 2 == 0}));
    }
    g_state.expandedId = L"outil1000";
    g_state.dpi = 96;
    const CardListLayout layout = ComputeCardLayout(800);
    const AccessibleView view{layout};
    ASSERT_EQ(view.layout.groups.size(), kEntries);

    std::vector<ElementId> nodes;
    for (size_t i = 0; i < kEntries; ++i) {
        nodes.push_back({WindowElement::Group, i});
        nodes.push_back({WindowElement::Card, i});
        for (WindowElement element :
             {WindowElement::PrimaryButton, WindowElement::SecondButton, WindowElement::MenuButton}) {
            const ElementId button{element, i};
            if (NodeExists(view, button)) nodes.push_back(button);
        }
    }
    ASSERT_GT(nodes.size(), 2 * kEntries) << "the expanded card shows no buttons";
    // Kind and index of a node, for the first few faults found.
    auto show = [](const ElementId& node) {
        return std::to_string(static_cast<int>(node.element)) + "/" + std::to_string(node.index);
    };
    std::map<long, ElementId> owners;
    int clashes = 0;
    int strays = 0;
    for (const ElementId& node : nodes) {
        const long id = ChildIdOf(node);
        const auto [owner, fresh] = owners.emplace(id, node);
        if (!fresh && ++clashes <= 3)
            ADD_FAILURE() << "id " << id << " of node " << show(node) << " is also that of " << show(owner->second);
        const std::optional<ElementId> back = NodeOfChildId(view, id);
        if (!(back && *back == node) && ++strays <= 3)
            ADD_FAILURE() << "id " << id << " of node " << show(node) << " leads elsewhere";
    }
    EXPECT_EQ(clashes, 0);
    EXPECT_EQ(strays, 0);
    ResetAppState();
}

// What a screen reader reads for the owner-drawn buttons of the Options
// dialog and of the update popup: their text, without the mnemonic marks, and
// a word rather than a glyph for the popup's close box.
TEST(ControlNames, DialogAndPopupButtonsHaveProperNames) {
    ResetAppState();
    ScopedComApartment com;
    g_state.instance = GetModuleHandleW(nullptr);
    ASSERT_TRUE(RegisterWindowClasses(g_state.instance, nullptr));
    g_state.mainWindow = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                         g_state.instance, nullptr);
    HWND dialog = CreateDialogParamW(g_state.instance, MAKEINTRESOURCEW(IDD_OPTIONS), g_state.mainWindow,
                                     OptionsDialogProc, kOptionsDialogModeless);
    ASSERT_NE(dialog, nullptr);
    struct Named {
        int id;
        const char* name;
    };
    for (const Named& button :
         {Named{IDC_OPT_TAB_GENERAL, "Général"}, Named{IDC_OPT_TAB_ADVANCED, "Avancé"},
          Named{IDC_OPT_APPS_FOLDER, "Dossier des applications"}, Named{IDC_OPT_BROWSE, "Parcourir…"},
          Named{IDOK, "Enregistrer"}, Named{IDCANCEL, "Annuler"}}) {
        EXPECT_EQ(AccessibleNameOf(GetDlgItem(dialog, button.id)), W(button.name)) << button.id;
    }
    DestroyWindow(dialog);

    g_state.installedMode = true;
    g_state.settings.updateChecks = true;
    SetApps(AppShape{L"un", L"Outils", true, true}, AppShape{L"deux", L"Outils", true, true});
    ShowUpdatePopup();
    ASSERT_NE(g_state.popupWindow, nullptr);
    for (const Named& button : {Named{1, "Mettre à jour"}, Named{2, "Fermer"}, Named{3, "Suivante"}}) {
        EXPECT_EQ(AccessibleNameOf(GetDlgItem(g_state.popupWindow, button.id)), W(button.name)) << button.id;
    }
    CloseUpdatePopup();
    DestroyWindow(g_state.mainWindow);
}

}  // namespace
