// Keeping a tool at its installed version: the user's own choice from the
// card menu, and the organisation's through the policy "HeldTools". Real
// window, real menus, the registry of the throwaway prefix, real files in the
// Apps folder and the real operation runner.
#include <gtest/gtest.h>

#include <oleacc.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/policies.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/tool_holds.h"
#include "app/tool_refusal.h"
#include "app/update_offer.h"
#include "base/handles.h"
#include "base/paths.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/policy_values.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/accessibility/accessible_tree.h"
#include "ui/jobs/automatic_updates.h"
#include "ui/jobs/tool_operation.h"
#include "ui/list/card_buttons.h"
#include "ui/list/card_layout.h"
#include "ui/list/card_menu.h"
#include "ui/list/list_summary.h"
#include "ui/popup/update_popup.h"

namespace {

// What the open card menu showed, and the item to choose in it.
struct MenuScript {
    std::wstring choose;
    std::vector<std::pair<std::wstring, bool>> items;  // label, available
    int ticks = 0;
} g_menu;

// A menu that does not answer the keys is closed rather than left to hang the test.
constexpr int kMostMenuTicks = 100;

// Walks the open menu down to the item to choose, then presses Enter, as a
// keyboard user does; a menu without that item available is closed.
void CALLBACK DriveOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr) return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    if (menu == nullptr) return;
    g_menu.items.clear();
    int target = -1;
    int lit = -1;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[96] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 96, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        g_menu.items.push_back({text, (state & MF_GRAYED) == 0});
        if (text == g_menu.choose) target = i;
        if ((state & MF_HILITE) != 0) lit = i;
    }
    if (target < 0 || !g_menu.items[static_cast<size_t>(target)].second || ++g_menu.ticks > kMostMenuTicks) {
        EndMenu();  // nothing to choose: a greyed item does nothing
    } else {
        PostMessageW(popup, WM_KEYDOWN, target == lit ? VK_RETURN : VK_DOWN, 0);
    }
}

// Opens the card menu of entry `index` and chooses `label` in it.
void ChooseInCardMenu(size_t index, const std::wstring& label) {
    g_menu = MenuScript{label, {}, 0};
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, DriveOpenMenu);
    OpenCardMenu(index);
    KillTimer(nullptr, timer);
}

// Whether the last menu showed the item available; none when it did not show it.
std::optional<bool> MenuItemAvailable(const std::wstring& label) {
    for (const auto& [text, enabled] : g_menu.items)
        if (text == label) return enabled;
    return std::nullopt;
}

std::wstring SpokenState(size_t index) { return ValueOf(ElementId{WindowElement::Card, index}); }

bool HoldStored(const std::wstring& id) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    return RegGetValueW(HKEY_CURRENT_USER, kHeldToolsKeyPath, id.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) ==
               ERROR_SUCCESS &&
           value == 1;
}

std::vector<std::wstring> PopupIds() {
    std::vector<std::wstring> ids;
    for (const PopupItem& item : g_state.popupEntries) ids.push_back(item.id);
    return ids;
}

// Two installed tools with a new release on the web host, in the shown window.
class ToolHoldTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        g_state.installedMode = true;
        g_state.settings.updateChecks = true;
        g_state.settings.desktopShortcut = false;
        g_state.settings.menuShortcut = false;
        CreateFolderPath(GetAppsFolder());
        g_state.apps.clear();
        for (const std::wstring& id : {kept, free}) {
            WriteFileBytes(InstalledPath(id), "version 1");
            CatalogApp app = MakeToolEntry(id, Sha256Of(tool));
            app.installed = true;
            app.updateAvailable = true;
            PublishFile(PublishedDownloadPath(app), tool);
            g_state.apps.push_back(std::move(app));
        }
        g_state.expandedId = kept;
        g_state.catalogLoaded = true;
        UpdateScrollMetrics();
        Paint();
    }
    void TearDown() override {
        CloseUpdatePopup();
        for (const CatalogApp& app : g_state.apps) UnpublishFile(PublishedDownloadPath(app));
        MainWindowFixture::TearDown();
    }
    // What the 24-hour check shows.
    std::vector<std::wstring> Announced() {
        ShowUpdatePopup();
        std::vector<std::wstring> ids = PopupIds();
        if (g_state.popupWindow == nullptr) ids.clear();
        CloseUpdatePopup();
        return ids;
    }
    void UpdateExplicitly(size_t index) {
        StartToolOperation(index, ToolAction::Install);
        ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the update never ended";
    }

    const std::wstring kept = L"garde-outil";
    const std::wstring free = L"libre-outil";
    ToolCleanup cleanKept{kept};
    ToolCleanup cleanFree{free};
    ScopedComApartment com;
    PolicyKeysCleaner policies;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    const std::string tool = TraceToolBytes();
};

TEST_F(ToolHoldTest, TheUsersHoldSilencesTheUpdateUntilLiftedYetTheCardStillUpdates) {
    EXPECT_EQ(Announced(), (std::vector<std::wstring>{kept, free}));
    EXPECT_EQ(SpokenState(0), W("À mettre à jour"));

    ChooseInCardMenu(0, W("Ne pas mettre à jour"));
    EXPECT_EQ(MenuItemAvailable(W("Reprendre les mises à jour")), std::nullopt);
    EXPECT_TRUE(HoldStored(kept)) << "the choice is stored under the program's key";
    EXPECT_FALSE(HoldStored(free));
    EXPECT_EQ(g_state.statusText, kept + W(" : version conservée, aucune mise à jour ne sera proposée."));
    EXPECT_EQ(CardStateOf(g_state.apps[0]), CardState::Held);
    Paint();
    EXPECT_EQ(SpokenState(0), W("Version conservée")) << "the screen reader says the badge's word";
    EXPECT_EQ(SpokenState(1), W("À mettre à jour"));
    EXPECT_NE(SummaryText().find(W("1 mises à jour")), std::wstring::npos) << WideToUtf8(SummaryText());
    EXPECT_EQ(Announced(), (std::vector<std::wstring>{free})) << "the 24-hour popup leaves the held tool out";
    EXPECT_EQ(UpdateOfferOf(g_state.apps[0], CurrentUpdateRules(NowFileTime())), UpdateOffer::Held);

    // A restart reads the choice back.
    g_state.settings = Settings{};
    LoadSettings();
    g_state.installedMode = true;
    EXPECT_EQ(HoldOf(kept, CurrentHolds()), HoldKind::User);
    EXPECT_EQ(HoldOf(L"GARDE-OUTIL", CurrentHolds()), HoldKind::User)
        << "ids compare as the registry compares value names";
    EXPECT_EQ(HoldOf(free, CurrentHolds()), HoldKind::None);
    EXPECT_EQ(Announced(), (std::vector<std::wstring>{free}));
    // Automatic updates leave it as it is too.
    g_state.settings.autoUpdate = true;
    StartAutomaticUpdates();
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy && !g_state.automaticUpdates.pending; }, 60000));
    EXPECT_EQ(g_state.statusText, W("Mis à jour automatiquement : ") + free + L".");
    EXPECT_EQ(ReadFileBytes(InstalledPath(free)), tool);
    EXPECT_EQ(ReadFileBytes(InstalledPath(kept)), "version 1");

    // The card's own "Mettre à jour" still updates it, and it stays held.
    ChooseInCardMenu(0, W("Mettre à jour"));
    EXPECT_EQ(MenuItemAvailable(W("Reprendre les mises à jour")), true);
    EXPECT_EQ(MenuItemAvailable(W("Ne pas mettre à jour")), std::nullopt);
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000)) << "the update never ended";
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : WideToUtf8(boxes[0].text));
    EXPECT_EQ(g_state.statusText, kept + W(" installé."));
    EXPECT_EQ(ReadFileBytes(InstalledPath(kept)), tool);
    EXPECT_EQ(CardStateOf(g_state.apps[0]), CardState::Held);

    ChooseInCardMenu(0, W("Reprendre les mises à jour"));
    EXPECT_FALSE(HoldStored(kept));
    EXPECT_EQ(HoldOf(kept, CurrentHolds()), HoldKind::None);
    EXPECT_EQ(g_state.statusText, kept + W(" : mises à jour reprises."));
    EXPECT_EQ(CardStateOf(g_state.apps[0]), CardState::UpToDate);
}

TEST_F(ToolHoldTest, TheOrganisationsHoldRefusesTheUpdateWithItsReasonAndCannotBeLifted) {
    PutPolicyList(HKEY_LOCAL_MACHINE, L"HeldTools", {L"GARDE-OUTIL", L"autre"});
    LoadSettings();
    g_state.installedMode = true;
    Paint();

    EXPECT_EQ(CardStateOf(g_state.apps[0]), CardState::HeldByOrganisation);
    EXPECT_EQ(SpokenState(0), W("Version conservée par votre organisation"));
    EXPECT_EQ(Announced(), (std::vector<std::wstring>{free}));
    EXPECT_EQ(RefusalOf(g_state.apps[0], ToolAction::Install, g_state.policies), ToolRefusal::HeldByOrganisation);

    // The menu lets the user neither lift the hold nor hold it twice.
    ChooseInCardMenu(0, W("Reprendre les mises à jour"));
    EXPECT_EQ(MenuItemAvailable(W("Reprendre les mises à jour")), false);
    EXPECT_EQ(MenuItemAvailable(W("Ne pas mettre à jour")), std::nullopt);
    EXPECT_FALSE(HoldStored(kept));
    EXPECT_EQ(CardStateOf(g_state.apps[0]), CardState::HeldByOrganisation);
    // A user's own hold under the organisation's changes nothing of it.
    ASSERT_TRUE(WriteToolHold(kept, true));
    LoadSettings();
    EXPECT_EQ(HoldOf(kept, CurrentHolds()), HoldKind::Organisation);

    // An explicit update is refused with the organisation's words; the file stays.
    ChooseInCardMenu(0, W("Mettre à jour"));
    EXPECT_FALSE(g_state.busy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, W("Opération impossible : Version conservée par votre organisation"));
    EXPECT_EQ(g_state.statusText, boxes[0].text);
    EXPECT_EQ(ReadFileBytes(InstalledPath(kept)), "version 1");

    // The other tool updates as ever.
    boxes.clear();
    UpdateExplicitly(1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFileBytes(InstalledPath(free)), tool);
}

}  // namespace

namespace {

std::vector<std::wstring> ListedIds(const Policies& policies, PolicyId id) {
    const PolicyValue* value = policies.Find(id);
    return value != nullptr ? value->ids.InOrder() : std::vector<std::wstring>{};
}

void PutHeldValue(const std::wstring& name, DWORD type, const std::string& bytes) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kHeldToolsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

std::string UnitsAsBytes(const std::wstring& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(wchar_t));
}

std::string MultiStringBytes(const std::vector<std::wstring>& items) {
    std::wstring units;
    for (const std::wstring& item : items) units += item + L'\0';
    return UnitsAsBytes(units + L'\0');
}

std::string StringValueBytes(const std::wstring& text) { return UnitsAsBytes(text + L'\0'); }

std::string DwordBytes(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof(value)); }

}  // namespace

// Lists of ids come from administrators' tools and from the user's own key:
// whatever is stored there, only tool ids are kept, and nothing breaks.
TEST(ToolLists, OnlyToolIdsAreKeptFromWhateverTheRegistryHolds) {
    PolicyKeysCleaner policies;
    struct Case {
        const char* what;
        DWORD type;
        std::string machineBytes;
        std::string userBytes;  // empty: none
        std::vector<std::wstring> expected;
        std::wstring ignored;  // what the diagnostic information says it ignored; empty: nothing
    };
    std::wstring huge;
    while (huge.size() < 40000) huge += L"outil-" + std::to_wstring(huge.size()) + L'\0';
    const std::string unterminated("u\0n\0\0\0d\0e\0u\0x\0", 14);
    std::vector<std::wstring> tooMany;
    for (int i = 0; i <= 2048; ++i) tooMany.push_back(L"t" + std::to_wstring(i));
    const std::wstring notIds = W(" : pas un identifiant d’outil, ignoré");
    const std::wstring wrongType = W("? : type de valeur incorrect (REG_MULTI_SZ attendu)");
    const std::wstring tooLong = W("? : liste trop longue");
    const Case cases[] = {
        {"ids kept in order, once, whatever their case; the rest dropped",
         REG_MULTI_SZ,
         MultiStringBytes({L"ok-1", L"..\\x", L"a b", L"CON", L"", std::wstring(129, L'a'), L"OK-1", L"deux_2",
                           L"C:\\Windows\\notepad.exe", L"%APPDATA%", L"trois"}),
         "",
         {L"ok-1", L"deux_2", L"trois"},
         W("6 éléments") + notIds},
        {"one text value is not a list", REG_SZ, StringValueBytes(L"ok-1"), "", {}, wrongType},
        {"nor a number", REG_DWORD, DwordBytes(1), "", {}, wrongType},
        {"nor raw bytes", REG_BINARY, MultiStringBytes({L"ok-1"}), "", {}, wrongType},
        {"a list with no id at all counts as none",
         REG_MULTI_SZ,
         MultiStringBytes({L"..", L"\\\\serveur\\x"}),
         "",
         {},
         W("2 éléments") + notIds},
        {"beyond 64 KiB the list is not read", REG_MULTI_SZ, MultiStringBytes({huge, huge}), "", {}, tooLong},
        {"nor beyond 2,048 items", REG_MULTI_SZ, MultiStringBytes(tooMany), "", {}, tooLong},
        {"items without their last terminators", REG_MULTI_SZ, unterminated, "", {L"un", L"deux"}, L""},
        {"an odd number of bytes", REG_MULTI_SZ, MultiStringBytes({L"ok-1"}) + "\x01", "", {L"ok-1"}, L""},
        {"the machine's list wins over the user's",
         REG_MULTI_SZ,
         MultiStringBytes({L"machine"}),
         MultiStringBytes({L"utilisateur"}),
         {L"machine"},
         L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const wchar_t* name : {L"HeldTools", L"RequiredTools"}) {
            PolicyKeysCleaner fresh;
            PutPolicyBytes(HKEY_LOCAL_MACHINE, name, c.type, c.machineBytes);
            if (!c.userBytes.empty()) PutPolicyBytes(HKEY_CURRENT_USER, name, REG_MULTI_SZ, c.userBytes);
            const PolicyId id = std::wstring(name) == L"HeldTools" ? PolicyId::HeldTools : PolicyId::RequiredTools;
            const Policies read = ReadPolicies();
            EXPECT_EQ(ListedIds(read, id), c.expected) << WideToUtf8(name);
            for (const std::wstring& listed : c.expected) EXPECT_TRUE(read.Lists(id, listed));
            EXPECT_FALSE(read.Lists(id, L"..\\x"));
            std::wstring ignored;
            for (const RejectedPolicy& rejected : read.Rejected())
                if (rejected.id == id) ignored += rejected.shown + L" : " + rejected.reason;
            EXPECT_EQ(ignored, c.ignored) << WideToUtf8(name);
        }
    }

    // The user's own holds: one DWORD 1 per tool id, nothing else.
    RegDeleteTreeW(HKEY_CURRENT_USER, kHeldToolsKeyPath);
    PutHeldValue(L"bon", REG_DWORD, DwordBytes(1));
    PutHeldValue(L"zero", REG_DWORD, DwordBytes(0));
    PutHeldValue(L"..\\x", REG_DWORD, DwordBytes(1));
    PutHeldValue(L"CON", REG_DWORD, DwordBytes(1));
    PutHeldValue(L"texte", REG_SZ, StringValueBytes(L"1"));
    PutHeldValue(L"court", REG_DWORD, std::string("\x01\x00", 2));
    PutHeldValue(L"long", REG_BINARY, std::string(64, '\x01'));
    PutHeldValue(std::wstring(300, L'n'), REG_DWORD, DwordBytes(1));
    EXPECT_EQ(ReadHeldTools().InOrder(), (std::vector<std::wstring>{L"bon"}));
    EXPECT_FALSE(WriteToolHold(L"..\\x", true)) << "no value is written for what is not an id";
    RegDeleteTreeW(HKEY_CURRENT_USER, kHeldToolsKeyPath);
}
