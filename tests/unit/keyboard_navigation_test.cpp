// The main window used with the keyboard alone: real WM_KEYDOWN messages
// through the window procedure, the focus they move, the list they scroll,
// what they press, and the focus ring that a paint draws.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "app/update_offer.h"
#include "base/constants.h"
#include "base/messages.h"
#include "base/operation_cancel.h"
#include "operations/operation_runner.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_support.h"
#include "tests/support/ui_test_canvas.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/keyboard/focus_order.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_metrics.h"
#include "ui/list/list_scrolling.h"
#include "ui/main/chrome_paint.h"
#include "ui/main/main_window.h"

namespace {

constexpr LPARAM kRepeatFlag = LPARAM{1} << 30;

class KeyboardTest : public MainWindowFixture {
protected:
    LRESULT Key(WPARAM key, LPARAM flags = 1) { return SendMessageW(window_, WM_KEYDOWN, key, flags); }

    std::wstring FocusText() const {
        const KeyboardFocus& focus = g_state.keyboardFocus;
        switch (focus.element) {
        case WindowElement::Window: return L"-";
        case WindowElement::SelfButton: return L"[self]";
        case WindowElement::RefreshButton: return L"[Actualiser]";
        case WindowElement::OptionsButton: return L"[Options]";
        case WindowElement::CancelButton: return L"[Annuler]";
        case WindowElement::Card: return focus.cardId;
        case WindowElement::PrimaryButton: return focus.cardId + L"/primary";
        case WindowElement::SecondButton: return focus.cardId + L"/second";
        case WindowElement::MenuButton: return focus.cardId + L"/menu";
        case WindowElement::CreditLink: return L"[lien]";
        default: return L"?";
        }
    }

    // The focused card's rectangle in content coordinates.
    RECT FocusedCardBounds() const {
        const CardListLayout layout = CurrentListLayout();
        for (const CardSlot& card : layout.cards) {
            if (g_state.apps[card.appIndex].id == g_state.keyboardFocus.cardId) return card.bounds;
        }
        return RECT{};
    }

    struct Step {
        WPARAM key;
        const wchar_t* focus;
    };
    // Presses each key in turn and checks where the focus lands.
    void Walk(const std::vector<Step>& steps) {
        for (size_t i = 0; i < steps.size(); ++i) {
            Key(steps[i].key);
            EXPECT_EQ(FocusText(), steps[i].focus) << "step " << i << ", key " << steps[i].key;
        }
    }
};


TEST_F(KeyboardTest, ArrowsHomeAndEndFollowTheReadingOrderAcrossGroupsAndColumns) {
    // Groups sort as Audio | Bureau on the first row, Cartes below Audio; the
    // catalogue order is mixed, hidden entries and the program's own are skipped.
    Show(AppShape{L"c1", L"Cartes"}, AppShape{L"a1", L"Audio"}, AppShape{L"b1", L"Bureau"},
         AppShape{L"Orkvane", L"Audio"}, AppShape{L"a2", L"audio"}, AppShape{L"h1", L"Audio", false, false, true},
         AppShape{L"c2", L"Cartes"});
    ASSERT_EQ(CurrentListLayout().groups.size(), 3u);
    ASSERT_GT(CurrentListLayout().groups[1].bounds.left, CurrentListLayout().groups[0].bounds.left)
        << "two columns expected";

    const std::vector<Step> steps = {
        {VK_DOWN, L"a1"},
        {VK_DOWN, L"a2"},
        {VK_DOWN, L"b1"},
        {VK_DOWN, L"c1"},
        {VK_DOWN, L"c2"},
        {VK_DOWN, L"c2"},
        {VK_UP, L"c1"},
        {VK_HOME, L"a1"},
        {VK_END, L"c2"},
        {VK_HOME, L"a1"},
        // Above the first card: the header, walked with Left and Right.
        {VK_UP, L"[self]"},
        {VK_RIGHT, L"[Actualiser]"},
        {VK_RIGHT, L"[Options]"},
        {VK_RIGHT, L"[Options]"},
        {VK_LEFT, L"[Actualiser]"},
        {VK_DOWN, L"a1"},
        // F6 goes between the header and the list.
        {VK_F6, L"[self]"},
        {VK_F6, L"a1"},
    };
    Walk(steps);
    EXPECT_TRUE(g_state.focusCuesShown) << "the keyboard shows the focus cues";

    // Once the program is current, its self button is a label and no stop.
    g_state.installedMode = true;
    g_state.keyboardFocus = {WindowElement::Card, L"a1"};
    Key(VK_UP);
    EXPECT_EQ(FocusText(), L"[Actualiser]");
}

TEST_F(KeyboardTest, AnnulerLiesBelowTheListWhileAnOperationCanBeStopped) {
    Show(AppShape{L"a1", L"Audio"}, AppShape{L"a2", L"Audio"});
    // An install runs that can be stopped.
    g_state.busy = true;
    g_state.operationCancellable = true;
    Paint();
    Walk({
        {VK_DOWN, L"a1"},
        {VK_DOWN, L"a2"},
        {VK_DOWN, L"[Annuler]"},
        {VK_DOWN, L"[Annuler]"},
        {VK_RIGHT, L"[Annuler]"},
        {VK_UP, L"a2"},
        // F6 goes from the list to "Annuler", then to the header.
        {VK_F6, L"[Annuler]"},
        {VK_F6, L"[self]"},
        {VK_F6, L"a1"},
        {VK_END, L"a2"},
        {VK_DOWN, L"[Annuler]"},
    });
    EXPECT_EQ(FocusedNode(CurrentAccessibleView()), std::optional<ElementId>(ElementId{WindowElement::CancelButton}));

    // The ring is drawn around the button, over the status strip.
    RECT client{};
    GetClientRect(window_, &client);
    DibCanvas canvas(client.right, client.bottom);
    ASSERT_TRUE(canvas.ok());
    PaintMainWindowTo(canvas.dc(), client.right, client.bottom);
    const RECT button = g_state.cancelButtonRect;
    ASSERT_FALSE(IsRectEmpty(&button));
    EXPECT_COLOR(canvas.Pixel(POINT{button.left - 2, (button.top + button.bottom) / 2}), g_state.palette.accent);

    // Enter presses it once; the button then waits for the worker.
    const uint32_t epoch = operationCancelEpoch.load();
    Key(VK_RETURN);
    EXPECT_TRUE(g_state.cancelRequested);
    EXPECT_EQ(operationCancelEpoch.load(), epoch + 1);
    Key(VK_RETURN);
    EXPECT_EQ(operationCancelEpoch.load(), epoch + 1) << "a second press asks nothing more";
    const long state = StateOf(CurrentAccessibleView(), {WindowElement::CancelButton});
    EXPECT_NE(state & STATE_SYSTEM_UNAVAILABLE, 0);

    // Once the operation is over the button goes, and the focus with it.
    g_state.busy = false;
    g_state.operationCancellable = false;
    EXPECT_EQ(EffectiveFocus(CurrentListLayout()).element, WindowElement::SelfButton);
    auto result = std::make_unique<OperationResult>();
    result->cancelled = true;
    result->message = L"a1" + W(msg::kOperationCancelled);
    SendMessageW(window_, WM_APP_OPERATION_DONE, 0, reinterpret_cast<LPARAM>(result.release()));
    EXPECT_FALSE(g_state.cancelRequested);
    EXPECT_EQ(FocusText(), L"[self]") << "the next operation would give the focus back to its button";
    Walk({{VK_END, L"a2"}, {VK_DOWN, L"a2"}, {VK_F6, L"[self]"}});
}

TEST_F(KeyboardTest, TheFocusedCardIsScrolledIntoView) {
    g_state.apps.clear();
    for (int i = 0; i < 40; ++i) g_state.apps.push_back(MakeApp({L"t" + std::to_wstring(i), L"Outils"}));
    g_state.catalogLoaded = true;
    UpdateScrollMetrics();
    Paint();
    const int page = g_state.listBottom - g_state.listTop;
    ASSERT_GT(g_state.contentHeight, 2 * page) << "the list must be longer than two pages";

    const auto inView = [&] {
        const RECT card = FocusedCardBounds();
        return card.top >= g_state.scrollPos && card.bottom <= g_state.scrollPos + page;
    };
    const size_t perPage = static_cast<size_t>((page - Scale(kPageOverlap)) / Scale(kCardTitleHeight));
    struct Case {
        WPARAM key;
        std::wstring focus;
    };
    const Case cases[] = {
        {VK_DOWN, L"t0"},
        {VK_NEXT, L"t" + std::to_wstring(perPage)},
        {VK_NEXT, L"t" + std::to_wstring(2 * perPage)},
        {VK_END, L"t39"},
        {VK_PRIOR, L"t" + std::to_wstring(39 - perPage)},
        {VK_HOME, L"t0"},
    };
    for (const Case& c : cases) {
        Key(c.key);
        Paint();
        EXPECT_EQ(g_state.keyboardFocus.cardId, c.focus) << "key " << c.key;
        EXPECT_TRUE(inView()) << "key " << c.key << ": card " << ShowRect(FocusedCardBounds()) << " scroll "
                              << g_state.scrollPos;
    }
    EXPECT_EQ(g_state.scrollPos, 0) << "Home shows the group's title too";
    Key(VK_END);
    const int endPos = FocusedCardBounds().bottom + Scale(8) - page;
    EXPECT_EQ(g_state.scrollPos, endPos) << "End shows the last card with 8 units below it";

    // The wheel and the scroll bar keep working and leave the focus alone.
    SendMessageW(window_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(g_state.scrollPos, endPos - Scale(120));
    SendMessageW(window_, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(g_state.scrollPos, 0);
    EXPECT_EQ(g_state.keyboardFocus.cardId, L"t39");
}

TEST_F(KeyboardTest, EnterTogglesAndRightReachesEachButtonOfTheExpandedCard) {
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    g_state.installedMode = true;
    Show(AppShape{L"maj", L"Outils", true, true}, AppShape{L"neuf", L"Outils"});

    Key(VK_DOWN);
    Key(VK_RETURN);
    EXPECT_EQ(g_state.expandedId, L"maj");
    Key(VK_RETURN, 1 | kRepeatFlag);
    EXPECT_EQ(g_state.expandedId, L"maj") << "a held Enter toggles once";
    Key(VK_SPACE);
    EXPECT_EQ(g_state.expandedId, L"");
    Key(VK_RIGHT);
    EXPECT_EQ(g_state.expandedId, L"maj") << "Right expands";
    Paint();

    const std::vector<Step> steps = {
        {VK_RIGHT, L"maj/primary"}, {VK_RIGHT, L"maj/second"}, {VK_RIGHT, L"maj/menu"}, {VK_RIGHT, L"maj/menu"},
        {VK_LEFT, L"maj/second"},   {VK_LEFT, L"maj/primary"}, {VK_LEFT, L"maj"},
    };
    Walk(steps);
    Key(VK_LEFT);
    EXPECT_EQ(g_state.expandedId, L"") << "Left on an expanded card collapses it";

    // Down from a button goes to the next card; its "Installer" starts the
    // install as a click would.
    Key(VK_RIGHT);
    Key(VK_RIGHT);
    Key(VK_DOWN);
    EXPECT_EQ(FocusText(), L"neuf");
    Key(VK_RIGHT);
    Paint();
    Key(VK_RIGHT);
    ASSERT_EQ(FocusText(), L"neuf/primary");
    Key(VK_RETURN);
    EXPECT_TRUE(g_state.busy);
    EXPECT_EQ(g_state.statusText, W(msg::kProgressInstall) + L"neuf" + W(msg::kProgressEnd));
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));
    EXPECT_EQ(boxes.size(), 1u) << "the stand-in entry has nothing to download";
}

// What the card menu showed, read from inside its loop by a thread timer.
std::vector<std::wstring> g_menuItems;
void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr) return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (menu == nullptr) return;
    g_menuItems.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        g_menuItems.push_back(text);
    }
    EndMenu();
}

TEST_F(KeyboardTest, MenuKeyShiftF10AndTheMenuButtonOpenTheCardMenu) {
    Show(AppShape{L"outil", L"Outils", true, false});
    Key(VK_DOWN);
    struct Case {
        const char* what;
        std::function<void()> press;
    };
    const Case cases[] = {
        {"menu key", [&] { Key(VK_APPS); }},
        {"Shift+F10",
         [&] {
             BYTE keys[256] = {};
             GetKeyboardState(keys);
             keys[VK_SHIFT] = 0x80;
             SetKeyboardState(keys);
             SendMessageW(window_, WM_SYSKEYDOWN, VK_F10, 1);
             keys[VK_SHIFT] = 0;
             SetKeyboardState(keys);
         }},
        {"Enter on the menu button",
         [&] {
             Key(VK_RIGHT);
             Paint();
             Key(VK_RIGHT);
             Key(VK_RIGHT);
             ASSERT_EQ(FocusText(), L"outil/menu");
             Key(VK_RETURN);
         }},
    };
    for (const Case& c : cases) {
        g_menuItems.clear();
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadOpenMenu);
        c.press();
        KillTimer(nullptr, timer);
        EXPECT_EQ(g_menuItems, (std::vector<std::wstring>{L"outil", L"", L"Lancer", W("Ne pas mettre à jour"), W("Désinstaller")})) << c.what;
    }
    // The menu key's release does not ask for a second menu.
    EXPECT_EQ(SendMessageW(window_, WM_KEYUP, VK_APPS, 0xC0000001), 0);
}

// The card menu's items below its title and separator, each with whether it is
// available, read from inside the menu loop.
struct MenuEntry {
    std::wstring label;
    bool enabled = false;
    bool operator==(const MenuEntry&) const = default;
};
std::vector<MenuEntry> g_menuEntries;
void CALLBACK ReadMenuEntries(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr) return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (menu == nullptr) return;
    g_menuEntries.clear();
    for (int i = 2; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_menuEntries.push_back({text, (state & MF_GRAYED) == 0});
    }
    EndMenu();
}

TEST_F(KeyboardTest, PaintKeyboardScreenReaderAndMenuOfferTheSameButtons) {
    struct Button {
        WindowElement part;
        std::wstring label;
        bool enabled;
        bool operator==(const Button&) const = default;
    };
    struct Case {
        const char* what;
        AppShape app;
        bool installedMode;
        std::vector<Button> buttons;
        std::vector<MenuEntry> menu;
        HoldKind hold = HoldKind::None;
        std::wstring spokenMenu = {};  // when it says more than the items' labels
    };
    const std::wstring hold = W("Ne pas mettre à jour");
    const std::wstring release = W("Reprendre les mises à jour");
    const std::wstring update = W("Mettre à jour");
    const std::wstring remove = W("Désinstaller");
    const std::wstring rollBack = W("Revenir à la version précédente");
    const Case cases[] = {
        {"not installed",
         {L"outil", L"Outils"},
         true,
         {{WindowElement::PrimaryButton, L"Installer", true}},
         {{L"Installer", true}}},
        {"up to date",
         {L"outil", L"Outils", true},
         true,
         {{WindowElement::PrimaryButton, L"Lancer", true}, {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", true}, {hold, true}, {remove, true}}},
        {"update available",
         {L"outil", L"Outils", true, true},
         true,
         {{WindowElement::PrimaryButton, update, true},
          {WindowElement::SecondButton, L"Lancer", true},
          {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", true}, {update, true}, {hold, true}, {remove, true}}},
        // A portable copy runs no tool but may remove one.
        {"update available, portable copy",
         {L"outil", L"Outils", true, true},
         false,
         {{WindowElement::PrimaryButton, update, false},
          {WindowElement::SecondButton, L"Lancer", false},
          {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", false}, {update, false}, {hold, true}, {remove, true}}},
        {"not installed, portable copy",
         {L"outil", L"Outils"},
         false,
         {{WindowElement::PrimaryButton, L"Installer", false}},
         {{L"Installer", false}}},
        {"up to date, previous version kept",
         {L"outil", L"Outils", true, false, false, true},
         true,
         {{WindowElement::PrimaryButton, L"Lancer", true}, {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", true}, {rollBack, true}, {hold, true}, {remove, true}}},
        {"update available, previous version kept, portable copy",
         {L"outil", L"Outils", true, true, false, true},
         false,
         {{WindowElement::PrimaryButton, update, false},
          {WindowElement::SecondButton, L"Lancer", false},
          {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", false}, {update, false}, {rollBack, false}, {hold, true}, {remove, true}}},
        // A held tool is launched from its card; its update waits in the menu.
        {"update available, held by the user",
         {L"outil", L"Outils", true, true},
         true,
         {{WindowElement::PrimaryButton, L"Lancer", true}, {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", true}, {update, true}, {release, true}, {remove, true}},
         HoldKind::User},
        {"update available, held by the organisation",
         {L"outil", L"Outils", true, true},
         true,
         {{WindowElement::PrimaryButton, L"Lancer", true}, {WindowElement::MenuButton, L"Autres actions", true}},
         {{L"Lancer", true}, {update, true}, {release, false}, {remove, true}},
         HoldKind::Organisation,
         L"Lancer, " + update + L", " + release +
             W(" (indisponible : Version conservée par votre organisation), ") + remove},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_state.installedMode = c.installedMode;
        g_state.expandedId.clear();
        g_state.keyboardFocus = {};
        g_state.settings.heldTools = IdSet();
        g_state.policies = Policies();
        if (c.hold == HoldKind::User) g_state.settings.heldTools.Add(L"outil");
        if (c.hold == HoldKind::Organisation) {
            PolicyValue held;
            held.ids.Add(L"outil");
            g_state.policies.Set(PolicyId::HeldTools, held);
        }
        Show(c.app);
        Key(VK_DOWN);
        Key(VK_RIGHT);
        ASSERT_EQ(g_state.expandedId, L"outil");
        Paint();

        // What the paint drew and recorded, as labels are not recorded: part and availability.
        std::vector<std::pair<WindowElement, bool>> painted;
        for (const HitRecord& record : g_state.hitRecords) {
            if (record.appIndex == 0 && !record.TogglesCard()) painted.push_back({record.element, record.enabled});
        }
        std::vector<std::pair<WindowElement, bool>> expectedPainted;
        for (const Button& button : c.buttons) expectedPainted.push_back({button.part, button.enabled});
        EXPECT_EQ(painted, expectedPainted);

        // The screen reader's buttons of the card, with their names.
        const AccessibleView view = CurrentAccessibleView();
        std::vector<Button> accessible;
        std::wstring menuDescription;
        for (const ElementId& node : ChildrenOf(view, {WindowElement::Card, 0})) {
            const bool enabled = (StateOf(view, node) & STATE_SYSTEM_UNAVAILABLE) == 0;
            accessible.push_back({node.element, NameOf(view, node), enabled});
            if (node.element == WindowElement::MenuButton) menuDescription = DescriptionOf(node);
        }
        EXPECT_EQ(accessible, c.buttons);

        // Right walks the same buttons in the same order, then stays on the last.
        std::vector<WindowElement> stops;
        for (size_t i = 0; i <= c.buttons.size(); ++i) {
            Key(VK_RIGHT);
            const WindowElement part = g_state.keyboardFocus.element;
            if (stops.empty() || stops.back() != part) stops.push_back(part);
        }
        std::vector<WindowElement> expectedStops;
        for (const Button& button : c.buttons) expectedStops.push_back(button.part);
        EXPECT_EQ(stops, expectedStops);

        // The card menu offers the buttons' actions, as available, and what
        // the menu button stands for.
        g_menuEntries.clear();
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadMenuEntries);
        Key(VK_APPS);
        KillTimer(nullptr, timer);
        EXPECT_EQ(g_menuEntries, c.menu);

        // The screen reader hears the menu's items on the button that opens it.
        std::wstring items;
        for (const MenuEntry& entry : c.menu) items += (items.empty() ? L"" : L", ") + entry.label;
        const bool hasMenuButton = c.buttons.back().part == WindowElement::MenuButton;
        if (!c.spokenMenu.empty()) items = c.spokenMenu;
        EXPECT_EQ(menuDescription, hasMenuButton ? items : L"");
    }
}

bool g_optionsSeen = false;
void CALLBACK CloseOptions(HWND, UINT, UINT_PTR, DWORD) {
    if (g_state.optionsDialog == nullptr) return;
    g_optionsSeen = true;
    EndDialog(g_state.optionsDialog, IDCANCEL);
}

TEST_F(KeyboardTest, F5RefreshesAndCtrlOOpensOptions) {
    Show(AppShape{L"outil", L"Outils"});
    g_state.settings.offlineMode = true;
    g_state.settings.offlineRoot = L"E:\\absent";
    Key(VK_F5);
    EXPECT_TRUE(g_state.busy) << "F5 starts a catalogue load";
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));

    // O opens the Options dialog only with Ctrl held.
    for (bool ctrl : {false, true}) {
        g_optionsSeen = false;
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseOptions);
        Key('O');
        KillTimer(nullptr, timer);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        EXPECT_EQ(g_optionsSeen, ctrl) << "Ctrl held: " << ctrl;
    }
}

TEST_F(KeyboardTest, CreditLinkAndEscapeKeysKeepTheirMeaning) {
    Show(AppShape{L"outil", L"Outils", true, false}, AppShape{L"autre", L"Outils"});
    g_state.settings.offlineMode = true;  // Enter on the link shows a message, opens nothing
    Key(VK_DOWN);
    Key(VK_RETURN);
    ASSERT_EQ(g_state.expandedId, L"outil");

    // Tab gives the credit link its cue; Enter opens it (not the card).
    EXPECT_EQ(Key(VK_TAB), 0);
    EXPECT_EQ(FocusText(), L"[lien]");
    Key(VK_RETURN);
    EXPECT_EQ(g_state.statusText, W(msg::kStatusSiteLinkOffline));
    EXPECT_EQ(g_state.expandedId, L"outil");
    // Escape hides the link's cue first, then collapses the card.
    Key(VK_ESCAPE);
    EXPECT_EQ(FocusText(), L"outil");
    EXPECT_EQ(g_state.expandedId, L"outil");
    Key(VK_ESCAPE);
    EXPECT_EQ(g_state.expandedId, L"");
    EXPECT_EQ(FocusText(), L"outil") << "the card keeps the focus";
    // Tab twice leaves the card focus where it was.
    Key(VK_TAB);
    Key(VK_TAB);
    EXPECT_EQ(FocusText(), L"outil");
    // An arrow takes the focus from the link back to the cards.
    Key(VK_TAB);
    Key(VK_DOWN);
    EXPECT_EQ(FocusText(), L"autre");
}

TEST_F(KeyboardTest, TheFocusRingFollowsTheKeyboardAndHidesAfterAClick) {
    for (bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        g_state.palette = dark ? kDarkPalette : kLightPalette;
        Show(AppShape{L"outil", L"Outils"});
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
        g_state.keyboardFocus = {};

        const auto ringPixel = [&](RECT card) {
            RECT client{};
            GetClientRect(window_, &client);
            DibCanvas shot(client.right, client.bottom);
            PaintMainWindowTo(shot.dc(), client.right, client.bottom);
            OffsetRect(&card, 0, g_state.listTop - g_state.scrollPos);
            return shot.Pixel(card.left + Scale(20), card.top);
        };
        Key(VK_DOWN);
        const RECT card = FocusedCardBounds();
        EXPECT_COLOR(ringPixel(card), g_state.palette.accent) << "the ring on the card's top edge";

        // A click hides the cues, and the ring with them.
        POINT below{10, g_state.listBottom + 5};
        SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(below.x, below.y));
        EXPECT_FALSE(g_state.focusCuesShown);
        EXPECT_COLOR(ringPixel(card), g_state.palette.surface) << "no ring after a click";
    }
}

}  // namespace
