// Updates under the organisation's schedule: automatic updates through the
// real operation runner, the hours they may run in, the delay since a release
// was first offered, and the staged rollout of a release, with the pilot ring.
// Through the registry of the throwaway prefix and the real main window.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/diagnostics.h"
#include "app/first_seen.h"
#include "app/policies.h"
#include "app/rollout_secret.h"
#include "app/settings.h"
#include "app/state.h"
#include "app/update_hours.h"
#include "app/update_offer.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/paths.h"
#include "catalog/json.h"
#include "catalog/rollout.h"
#include "publisher/catalog_check.h"
#include "tests/support/catalog_entries.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/policy_values.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/jobs/catalog_start.h"
#include "ui/list/card_buttons.h"
#include "ui/progress_text.h"

namespace {

constexpr unsigned long long kDay = 864000000000ULL;  // 24 h in 100-ns units
constexpr unsigned long long kMinute = 600000000ULL;

SYSTEMTIME At(WORD hour, WORD minute) {
    SYSTEMTIME time{};
    time.wYear = 2030;
    time.wMonth = 3;
    time.wDay = 14;
    time.wHour = hour;
    time.wMinute = minute;
    return time;
}

// The settings key (first-seen times and the rollout's random value among
// it) and the policy keys start and end empty.
class ScheduleRegistry {
public:
    ScheduleRegistry() { Clear(); }
    ~ScheduleRegistry() { Clear(); }
    ScheduleRegistry(const ScheduleRegistry&) = delete;
    ScheduleRegistry& operator=(const ScheduleRegistry&) = delete;

private:
    static void Clear() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeyPath);
        ClearPolicyKeys();
    }
};

void PutFirstSeen(const std::wstring& sha256, unsigned long long time) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kFirstSeenKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), sha256.c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&time),
                             sizeof(time)),
              ERROR_SUCCESS);
}

std::optional<unsigned long long> StoredFirstSeen(const std::wstring& sha256) {
    unsigned long long time = 0;
    DWORD size = sizeof(time);
    if (RegGetValueW(HKEY_CURRENT_USER, kFirstSeenKeyPath, sha256.c_str(), RRF_RT_REG_QWORD, nullptr, &time, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return time;
}

// A digest for which this PC's draw is at least `atLeast`, so that a rollout
// of `atLeast` percent leaves the PC out.
std::wstring DigestDrawingAtLeast(const RolloutSecret& secret, unsigned atLeast) {
    for (unsigned n = 0;; ++n) {
        wchar_t digits[17] = {};
        swprintf(digits, 17, L"%016X", n);
        const std::wstring sha = std::wstring(48, L'C') + digits;
        if (RolloutDraw(secret, sha) >= atLeast) return sha;
    }
}

// Hands a catalogue to the window as the worker's post would, at once.
void DeliverCatalogue(HWND window, std::vector<CatalogApp> apps, bool automatic) {
    auto result = std::make_unique<CatalogLoadResult>();
    result->automatic = automatic;
    result->ok = true;
    result->apps = std::move(apps);
    SendMessageW(window, WM_APP_CATALOG_READY, 0, reinterpret_cast<LPARAM>(result.release()));
}

std::vector<std::wstring> PopupIds() {
    std::vector<std::wstring> ids;
    if (g_state.popupWindow == nullptr) return ids;
    for (const PopupItem& item : g_state.popupEntries) ids.push_back(item.id);
    return ids;
}

// The real main window and workers, in installed mode; message boxes recorded.
class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_state.installedMode = true;
        g_state.settings.updateChecks = true;
        g_state.settings.desktopShortcut = false;
        g_state.settings.menuShortcut = false;
    }
    void TearDown() override {
        if (g_state.popupWindow != nullptr) DestroyWindow(g_state.popupWindow);
        for (const std::wstring& path : unpublish) UnpublishFile(path);
    }

    ScheduleRegistry registry;
    ScopedComApartment com;
    TestMainWindow window;
    std::vector<RecordedBox>& boxes = RecordMessageBoxes();
    std::string tool = TraceToolBytes();
    std::vector<std::wstring> unpublish;
};

// The silent check's catalogue with automatic updates on: the tools this PC
// is offered are updated one at a time, without the popup and without a box;
// a failure, a rollout that has not reached the PC and a delay still running
// leave their tools as they were; the status line and the tooltip say it.
TEST_F(ScheduleTest, AutomaticUpdatesInstallWhatIsOfferedAndSaySo) {
    ToolCleanup cleanFirst(L"majauto1"), cleanSecond(L"majauto2"), cleanBroken(L"majcasse"), cleanStaged(L"majetage"),
        cleanDelayed(L"majdelai");
    g_state.settings.autoUpdate = true;
    const RolloutSecret secret = *LoadOrMakeRolloutSecret();
    PutPolicyDword(HKEY_CURRENT_USER, L"UpdateDelayDays", 2);
    g_state.policies = ReadPolicies();

    struct Tool {
        std::wstring id;
        std::wstring sha256;
        std::string served;
        unsigned rollout;
        bool offeredForTwoDays;
    };
    const std::wstring good = Sha256Of(tool);
    const Tool tools[] = {
        {L"majauto1", good, tool, 100, true},
        {L"majcasse", good, "not the tool", 100, true},  // fails its SHA-256 check
        {L"majauto2", good, tool, 100, true},
        {L"majetage", DigestDrawingAtLeast(secret, 40), tool, 40, true},
        {L"majdelai", std::wstring(64, L'D'), tool, 100, false},
    };
    CreateFolderPath(GetAppsFolder());
    for (const Tool& t : tools) {
        const CatalogApp app = MakeToolEntry(t.id, t.sha256);
        PublishFile(PublishedDownloadPath(app), t.served);
        unpublish.push_back(PublishedDownloadPath(app));
        WriteFileBytes(InstalledPath(t.id), "version 1");
        if (t.offeredForTwoDays) PutFirstSeen(t.sha256, NowFileTime() - 2 * kDay - kMinute);
    }
    // The catalogue as the worker builds it, the installed files hashed.
    auto catalogue = [&] {
        std::vector<CatalogApp> apps;
        for (const Tool& t : tools) {
            CatalogApp app = MakeToolEntry(t.id, t.sha256);
            app.rollout = t.rollout;
            RefreshInstalledState(app, false);
            apps.push_back(std::move(app));
        }
        return apps;
    };

    DeliverCatalogue(window.get(), catalogue(), true);
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy && !g_state.automaticUpdates.pending; }, 120000));

    EXPECT_EQ(ReadFileBytes(InstalledPath(L"majauto1")), tool);
    EXPECT_EQ(ReadFileBytes(InstalledPath(L"majauto2")), tool);
    for (const wchar_t* id : {L"majcasse", L"majetage", L"majdelai"})
        EXPECT_EQ(ReadFileBytes(InstalledPath(id)), "version 1") << WideToUtf8(id);
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : WideToUtf8(boxes[0].text));
    const std::wstring summary = W(
        "Mis à jour automatiquement : majauto1, majauto2. Échec de la mise à jour automatique : majcasse.");
    EXPECT_EQ(g_state.statusText, summary);
    EXPECT_EQ(TrayTooltipText(), summary);
    // Only the failure is left for the user to decide; the others are up to
    // date, not offered here yet, or waiting out the delay.
    EXPECT_EQ(PopupIds(), std::vector<std::wstring>{L"majcasse"});
    const UpdateRules rules = CurrentUpdateRules(NowFileTime());
    EXPECT_EQ(UpdateOfferOf(g_state.apps[3], rules), UpdateOffer::OutsideRollout);
    EXPECT_EQ(CardStateOf(g_state.apps[3]), CardState::UpToDate);
    EXPECT_EQ(UpdateOfferOf(g_state.apps[4], rules), UpdateOffer::Delayed);
    EXPECT_EQ(CardStateOf(g_state.apps[4]), CardState::UpdateAvailable);

    // Once the user has seen the window, the tooltip is the usual one again.
    ShowMainWindow();
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));
    EXPECT_EQ(TrayTooltipText(), W("Orkvane — Ouvrir ou clic droit pour quitter"));

    // Switched off, the same check announces instead of installing.
    g_state.settings.autoUpdate = false;
    WriteFileBytes(InstalledPath(L"majauto1"), "version 1");
    DeliverCatalogue(window.get(), catalogue(), true);
    EXPECT_FALSE(g_state.busy);
    EXPECT_EQ(PopupIds(), (std::vector<std::wstring>{L"majauto1", L"majcasse"}));
    EXPECT_EQ(ReadFileBytes(InstalledPath(L"majauto1")), "version 1");
}

// "UpdateHours": the silent check runs only within the hours, across midnight
// too, and waits for the first minute inside; a malformed value limits
// nothing and is named in the diagnostic information.
TEST_F(ScheduleTest, UpdateHoursLimitTheSilentCheck) {
    struct Parse {
        const wchar_t* text;
        bool valid;
        unsigned from;
        unsigned to;
    };
    const Parse parses[] = {
        {L"12-14", true, 12, 14}, {L"19-07", true, 19, 7}, {L" 7 - 9 ", true, 7, 9}, {L"0-24", true, 0, 24},
        {L"22-24", true, 22, 24}, {L"", false, 0, 0},      {L"12", false, 0, 0},     {L"12-", false, 0, 0},
        {L"8h-12h", false, 0, 0}, {L"08-08", false, 0, 0}, {L"24-02", false, 0, 0},  {L"12-25", false, 0, 0},
        {L"1-2-3", false, 0, 0},  {L"123-4", false, 0, 0}, {L"-5", false, 0, 0},     {L"12\u201314", false, 0, 0},
    };
    for (const Parse& p : parses) {
        const std::optional<UpdateHours> hours = ParseUpdateHours(p.text);
        ASSERT_EQ(hours.has_value(), p.valid) << WideToUtf8(p.text);
        if (!hours) continue;
        EXPECT_EQ(hours->from, p.from) << WideToUtf8(p.text);
        EXPECT_EQ(hours->to, p.to) << WideToUtf8(p.text);
    }

    struct Clock {
        const wchar_t* hours;
        WORD hour;
        WORD minute;
        bool inside;
    };
    const Clock clocks[] = {
        {L"19-07", 18, 59, false}, {L"19-07", 19, 0, true},  {L"19-07", 23, 59, true}, {L"19-07", 0, 0, true},
        {L"19-07", 6, 59, true},   {L"19-07", 7, 0, false},  {L"19-07", 12, 0, false}, {L"12-14", 11, 59, false},
        {L"12-14", 12, 0, true},   {L"12-14", 13, 59, true}, {L"12-14", 14, 0, false}, {L"0-24", 23, 59, true},
    };
    for (const Clock& c : clocks)
        EXPECT_EQ(WithinUpdateHours(ParseUpdateHours(c.hours), At(c.hour, c.minute)), c.inside)
            << WideToUtf8(c.hours) << " at " << c.hour << ":" << c.minute;

    // The window's own check, with the policy read from the registry and a
    // check that is due.
    PutPolicyText(HKEY_CURRENT_USER, L"UpdateHours", L"19-07");
    g_state.policies = ReadPolicies();
    ASSERT_TRUE(g_state.policies.Forces(PolicyId::UpdateHours));
    const unsigned long long now = NowFileTime();
    for (WORD hour : {7, 12, 18}) {
        CheckForUpdatesAt(At(hour, 30), now);
        EXPECT_FALSE(g_state.busy) << hour;
        EXPECT_EQ(g_state.settings.lastCheck, 0u) << hour;
    }
    CheckForUpdatesAt(At(23, 30), now);
    EXPECT_TRUE(g_state.busy);
    EXPECT_NE(g_state.settings.lastCheck, 0u);
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));

    // Malformed: ignored, so never limiting, and named for support.
    ClearPolicyKeys();
    PutPolicyText(HKEY_LOCAL_MACHINE, L"UpdateHours", L"8h-12h");
    g_state.policies = ReadPolicies();
    EXPECT_FALSE(g_state.policies.Forces(PolicyId::UpdateHours));
    g_state.settings.lastCheck = 0;
    CheckForUpdatesAt(At(3, 0), now);
    EXPECT_TRUE(g_state.busy);
    ASSERT_TRUE(PumpUntil([] { return !g_state.busy; }, 60000));
    const std::wstring text = ComposeDiagnosticText(GatherDiagnosticFacts());
    EXPECT_NE(text.find(W("Stratégies ignorées :\r\n  UpdateHours = 8h-12h (ordinateur) : format HH-HH attendu")),
              std::wstring::npos)
        << WideToUtf8(text);
}

// "UpdateDelayDays": the first load remembers when it saw the release and
// does not offer it; a later load before the days have passed does not
// either; once they have, the popup offers it. Digests the catalogue dropped
// are forgotten; an out-of-range delay is ignored and named.
TEST_F(ScheduleTest, UpdateDelayRunsFromTheFirstSighting) {
    PutPolicyDword(HKEY_CURRENT_USER, L"UpdateDelayDays", 3);
    g_state.policies = ReadPolicies();
    const std::wstring sha = std::wstring(63, L'b') + L"1";
    const std::wstring stored = std::wstring(63, L'B') + L"1";
    const std::wstring dropped = std::wstring(64, L'E');
    PutFirstSeen(dropped, NowFileTime() - 10 * kDay);
    auto apps = [&] {
        std::vector<CatalogApp> list;
        list.push_back(MakeApp(L"Delai", sha, true, true));
        return list;
    };

    const unsigned long long before = NowFileTime();
    DeliverCatalogue(window.get(), apps(), true);
    const std::optional<unsigned long long> first = StoredFirstSeen(stored);
    ASSERT_TRUE(first.has_value());
    EXPECT_GE(*first, before);
    EXPECT_LE(*first, NowFileTime());
    EXPECT_FALSE(StoredFirstSeen(dropped).has_value());
    EXPECT_TRUE(PopupIds().empty());
    // The card still offers it to a user who asks.
    EXPECT_EQ(CardStateOf(g_state.apps[0]), CardState::UpdateAvailable);

    struct Later {
        const char* what;
        unsigned long long age;
        bool offered;
    };
    const Later laters[] = {
        {"two days and 23 hours later", 3 * kDay - 60 * kMinute, false},
        {"three days later", 3 * kDay + kMinute, true},
    };
    for (const Later& later : laters) {
        PutFirstSeen(stored, NowFileTime() - later.age);
        DeliverCatalogue(window.get(), apps(), true);
        EXPECT_EQ(PopupIds(), later.offered ? std::vector<std::wstring>{L"Delai"} : std::vector<std::wstring>{})
            << later.what;
    }

    // Beyond 30 days the policy is ignored: no delay, and support is told.
    ClearPolicyKeys();
    PutPolicyDword(HKEY_CURRENT_USER, L"UpdateDelayDays", 45);
    g_state.policies = ReadPolicies();
    EXPECT_FALSE(g_state.policies.Forces(PolicyId::UpdateDelayDays));
    PutFirstSeen(stored, NowFileTime());
    DeliverCatalogue(window.get(), apps(), true);
    EXPECT_EQ(PopupIds(), std::vector<std::wstring>{L"Delai"});
    const std::wstring text = ComposeDiagnosticText(GatherDiagnosticFacts());
    EXPECT_NE(text.find(W("UpdateDelayDays = 45 (utilisateur) : hors limites (0 à 30)")), std::wstring::npos)
        << WideToUtf8(text);
}

// The sightings kept are those of digests the catalogue still has, matched in
// either case wherever they stand in it, with their times unchanged; the others
// are forgotten, in the registry too. An entry whose digest is not one matches
// nothing.
TEST(FirstSeen, KeepsTheCataloguesDigestsAndForgetsTheOthers) {
    ScheduleRegistry registry;
    const unsigned long long now = NowFileTime();
    const std::wstring kept1 = std::wstring(64, L'A');
    const std::wstring kept2 = std::wstring(63, L'C') + L"D";
    const std::wstring gone1 = std::wstring(64, L'B');
    const std::wstring gone2 = std::wstring(64, L'F');
    for (const std::wstring& digest : {kept1, kept2, gone1, gone2}) PutFirstSeen(digest, now - kDay);

    std::vector<CatalogApp> apps;
    apps.push_back(MakeApp(L"Premier", std::wstring(63, L'c') + L"d", false, false));
    apps.push_back(MakeApp(L"Court", std::wstring(12, L'B'), false, false));
    for (int i = 0; i < 50; ++i)
        apps.push_back(MakeApp(L"Autre" + std::to_wstring(i), std::wstring(64, L'9'), false, false));
    apps.push_back(MakeApp(L"Dernier", std::wstring(64, L'a'), false, false));

    const FirstSeenTimes times = RecordFirstSeen(apps, -1, false, now);
    EXPECT_EQ(times, (FirstSeenTimes{{kept1, now - kDay}, {kept2, now - kDay}}));
    EXPECT_EQ(LoadFirstSeen(now), times);
    EXPECT_FALSE(StoredFirstSeen(gone1).has_value());
    EXPECT_FALSE(StoredFirstSeen(gone2).has_value());

    // A catalogue without any of them forgets them all.
    apps.erase(apps.begin());
    apps.pop_back();
    EXPECT_TRUE(RecordFirstSeen(apps, -1, false, now).empty());
    EXPECT_TRUE(LoadFirstSeen(now).empty());
}

// Each PC's draw comes from a random value kept in the registry: the same
// after a restart, fresh for each release, in either case of the digest;
// over 10,000 PCs a 30 % rollout reaches 30 % of them, and two releases reach
// independent shares. The pilot ring is in every rollout; a PC outside sees
// neither badge nor popup, while a first install is never held back.
TEST_F(ScheduleTest, RolloutDrawIsStableFairAndThePilotRingIsAlwaysIn) {
    const std::optional<RolloutSecret> made = LoadOrMakeRolloutSecret();
    ASSERT_TRUE(made.has_value());
    EXPECT_NE(*made, RolloutSecret{});
    BYTE kept[64] = {};
    DWORD keptSize = sizeof(kept);
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, L"RolloutSeed", RRF_RT_REG_BINARY, nullptr, kept,
                           &keptSize),
              ERROR_SUCCESS);
    EXPECT_EQ(keptSize, 32u);
    EXPECT_EQ(LoadOrMakeRolloutSecret(), made);  // as a restart reads it

    const std::wstring release(64, L'a');
    EXPECT_EQ(RolloutDraw(*made, release), RolloutDraw(*made, std::wstring(64, L'A')));

    // A rollout of n % takes the draws 0 to n-1.
    struct Boundary {
        unsigned percent;
        unsigned draw;
        bool pilot;
        bool included;
    };
    const Boundary boundaries[] = {{30, 29, false, true}, {30, 30, false, false}, {1, 0, false, true},
                                   {1, 1, false, false},  {100, 99, false, true}, {1, 99, true, true}};
    for (const Boundary& b : boundaries)
        EXPECT_EQ(RolloutIncludes(b.percent, b.draw, b.pilot), b.included) << b.percent << " " << b.draw;

    // Simulated PCs, from a fixed seed so that the counts are always the same.
    std::mt19937_64 random(20300614);
    const std::wstring other(64, L'9');
    int inFirst = 0, inSecond = 0, inBoth = 0;
    std::vector<int> perNumber(100, 0);
    const int pcs = 10000;
    for (int pc = 0; pc < pcs; ++pc) {
        RolloutSecret secret{};
        for (unsigned char& byte : secret) byte = static_cast<unsigned char>(random());
        const unsigned draw = RolloutDraw(secret, release);
        ASSERT_LT(draw, 100u);
        ++perNumber[draw];
        const bool first = RolloutIncludes(30, draw, false);
        const bool second = RolloutIncludes(30, RolloutDraw(secret, other), false);
        inFirst += first;
        inSecond += second;
        inBoth += first && second;
    }
    EXPECT_NEAR(inFirst, 3000, 200);
    EXPECT_NEAR(inSecond, 3000, 200);
    EXPECT_NEAR(inBoth, 900, 200);  // 30 % of 30 %: the second release drew afresh
    for (unsigned number = 0; number < 100; ++number) EXPECT_NEAR(perNumber[number], 100, 45) << number;

    // This PC, with releases offered to 40 %: one drawn outside, by the rule.
    const std::wstring outside = DigestDrawingAtLeast(*made, 40);
    auto apps = [&] {
        std::vector<CatalogApp> list;
        list.push_back(MakeApp(L"Etage", outside, true, true));
        list.push_back(MakeApp(L"Neuf", outside, false, false));
        for (CatalogApp& app : list) app.rollout = 40;
        return list;
    };
    struct Ring {
        const char* what;
        const wchar_t* value;  // nullptr: not set
        bool pilot;
    };
    const Ring rings[] = {
        {"no ring", nullptr, false},
        {"the pilot ring, typed loosely", L" Pilote ", true},
        {"an unknown ring", L"pilot", false},
    };
    for (const Ring& ring : rings) {
        SCOPED_TRACE(ring.what);
        ClearPolicyKeys();
        if (ring.value != nullptr) PutPolicyText(HKEY_CURRENT_USER, L"Ring", ring.value);
        g_state.policies = ReadPolicies();
        DeliverCatalogue(window.get(), apps(), true);
        EXPECT_EQ(g_state.apps[0].rolloutExcluded, !ring.pilot);
        EXPECT_EQ(CardStateOf(g_state.apps[0]), ring.pilot ? CardState::UpdateAvailable : CardState::UpToDate);
        EXPECT_EQ(PopupIds(), ring.pilot ? std::vector<std::wstring>{L"Etage"} : std::vector<std::wstring>{});
        EXPECT_FALSE(g_state.apps[1].rolloutExcluded);  // not installed: its install gets the catalogue's file
        const bool named =
            ComposeDiagnosticText(GatherDiagnosticFacts()).find(W("Ring = pilot (utilisateur) : anneau inconnu")) !=
            std::wstring::npos;
        EXPECT_EQ(named, ring.value != nullptr && !ring.pilot);
    }
}

// "rollout" is a whole percent from 1 to 100. The catalogue reads anything
// else as absent, that is every PC, as for any member it does not
// understand; the publisher's check says so before it is published.
TEST(RolloutMember, ReadByTheCatalogueAndCheckedByThePublisher) {
    struct Case {
        const char* member;  // the member's JSON, or "" for none
        unsigned read;
        bool reported;
    };
    const Case cases[] = {
        {"", 100, false},   {"30", 30, false},     {"1", 1, false},     {"100", 100, false},
        {"1e1", 10, false}, {"0", 100, true},      {"101", 100, true},  {"30.5", 100, true},
        {"-5", 100, true},  {"\"30\"", 100, true}, {"true", 100, true}, {"null", 100, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        std::string entry = R"({"id":"Outil","version":"1.0","category":"C","description":"D","sha256":")" +
                            std::string(64, 'A') + "\"";
        if (*c.member != '\0') entry += std::string(",\"rollout\":") + c.member;
        entry += "}";
        const std::string document = R"({"downloadEndpoint":"https://example.test/get","apps":[)" + entry + "]}";

        CatalogLoadResult result;
        BuildCatalog(ParseJson(std::string_view(document)), false, L"", result);
        ASSERT_EQ(result.apps.size(), 1u);
        EXPECT_EQ(result.apps[0].rollout, c.read);

        const CatalogCheck check = CheckCatalogBytes(document, false, L"");
        EXPECT_TRUE(check.loads);
        bool reported = false;
        for (const CheckProblem& problem : check.problems)
            reported = reported || problem.text.find(L"« rollout »") != std::wstring::npos;
        EXPECT_EQ(reported, c.reported);
    }
}

}  // namespace
