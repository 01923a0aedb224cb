// Held and required tools on the command line: --list and --check say what
// the window would offer, --update-all leaves held tools and those the staged
// rollout has not reached aside and says so, and the organisation's hold and
// requirement refuse --update and --uninstall with exit code 6. Real
// processes of the built program, the registry of the throwaway prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/tool_holds.h"
#include "base/handles.h"
#include "base/paths.h"
#include "catalog/rollout.h"
#include "catalog/utf8.h"
#include "tests/command_line/command_line_support.h"
#include "tests/support/policy_values.h"
#include "tests/support/test_support.h"

namespace {

void PutUserDword(const wchar_t* keyPath, const wchar_t* name, DWORD value) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)),
              ERROR_SUCCESS);
}

// This PC's rollout value, written as the program keeps it.
void PutRolloutSecret(const RolloutSecret& secret) {
    UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), L"RolloutSeed", 0, REG_BINARY, secret.data(),
                             static_cast<DWORD>(secret.size())),
              ERROR_SUCCESS);
}

std::string Show(const CommandRun& run) {
    return "exit " + std::to_string(run.exitCode) + ", output:\n" + run.standardOutput;
}

// One member of each listed or reported entry, by id.
std::map<std::wstring, std::wstring> MemberById(const JsonValue& report, const wchar_t* list, const wchar_t* member) {
    std::map<std::wstring, std::wstring> byId;
    if (const JsonValue* items = FindMember(report, list))
        for (const JsonValue& item : items->items) byId[GetStringMember(item, L"id")] = GetStringMember(item, member);
    return byId;
}

std::vector<std::wstring> Strings(const JsonValue& report, const wchar_t* key) {
    std::vector<std::wstring> texts;
    if (const JsonValue* items = FindMember(report, key))
        for (const JsonValue& item : items->items) texts.push_back(item.text);
    return texts;
}

class HeldToolsCommand : public testing::Test {
protected:
    void SetUp() override {
        CleanCommandLineState();
        PlaceInstalledCopy();
        // No Start-menu shortcuts to clean up after the test's tools.
        PutUserDword(kSettingsKeyPath, L"MenuShortcut", 0);
    }
    void TearDown() override { CleanCommandLineState(); }

    PolicyKeysCleaner policies;
};

TEST_F(HeldToolsCommand, UpdatesAndRemovalsFollowTheHoldsTheRequirementAndTheRollout) {
    const std::vector<std::string> ids{"Garde", "Impose", "Libre", "Progressif", "Exige"};
    std::vector<TestTool> first;
    for (const std::string& id : ids) first.push_back(GoodTool(id, "premiere version de " + id));
    PublishOnWeb(first);
    const CommandRun install = RunCommand(GetInstalledExePath(), L"--install Garde Impose Libre Progressif Exige");
    ASSERT_EQ(install.exitCode, 0u) << Show(install);

    // The user holds Garde from its card; the organisation holds Impose and
    // requires Exige; Progressif's new release reaches only the PCs that drew
    // below its rollout, and this PC drew above.
    PutUserDword(kHeldToolsKeyPath, L"Garde", 1);
    PutPolicyList(HKEY_LOCAL_MACHINE, L"HeldTools", {L"Impose"});
    PutPolicyList(HKEY_LOCAL_MACHINE, L"RequiredTools", {L"Exige"});
    std::vector<TestTool> second;
    for (const std::string& id : ids) second.push_back(GoodTool(id, "seconde version de " + id));
    RolloutSecret secret{};
    unsigned draw = 0;
    for (unsigned char seed = 1; draw == 0; ++seed) {
        secret.fill(seed);
        draw = RolloutDraw(secret, Utf8ToWide(second[3].catalogSha));
    }
    PutRolloutSecret(secret);
    second[3].rollout = draw;  // the PCs that drew 0 to draw - 1
    PublishOnWeb(second);

    const CommandRun list = RunCommand(GetInstalledExePath(), L"--list");
    ASSERT_EQ(list.exitCode, 0u) << Show(list);
    for (const std::string& id : ids)
        EXPECT_EQ(MemberById(list.report, L"apps", L"state")[Utf8ToWide(id)], L"updateAvailable") << id;
    EXPECT_EQ(MemberById(list.report, L"apps", L"held"),
              (std::map<std::wstring, std::wstring>{{L"Garde", L"user"},
                                                    {L"Impose", L"organisation"},
                                                    {L"Libre", L"none"},
                                                    {L"Progressif", L"none"},
                                                    {L"Exige", L"none"}}));
    EXPECT_EQ(MemberById(list.report, L"apps", L"note"),
              (std::map<std::wstring, std::wstring>{{L"Garde", W("Version conservée")},
                                                    {L"Impose", W("Version conservée par votre organisation")},
                                                    {L"Libre", L""},
                                                    {L"Progressif", W("déploiement progressif")},
                                                    {L"Exige", L""}}));
    const CommandRun check = RunCommand(GetInstalledExePath(), L"--check");
    EXPECT_EQ(Strings(check.report, L"updatesAvailable"), (std::vector<std::wstring>{L"Libre", L"Exige"}))
        << Show(check);

    // --update-all updates what is offered, and reports what it leaves aside.
    const CommandRun all = RunCommand(GetInstalledExePath(), L"--update-all");
    EXPECT_EQ(all.exitCode, 0u) << Show(all);
    EXPECT_EQ(MemberById(all.report, L"results", L"status"),
              (std::map<std::wstring, std::wstring>{{L"Garde", L"skipped"},
                                                    {L"Impose", L"skipped"},
                                                    {L"Libre", L"done"},
                                                    {L"Progressif", L"skipped"},
                                                    {L"Exige", L"done"}}));
    EXPECT_EQ(MemberById(all.report, L"results", L"message")[L"Impose"],
              W("Impose non mis à jour : Version conservée par votre organisation."));
    EXPECT_EQ(MemberById(all.report, L"results", L"message")[L"Progressif"],
              W("Progressif non mis à jour : déploiement progressif."));
    for (size_t i = 0; i < ids.size(); ++i) {
        const bool updated = ids[i] == "Libre" || ids[i] == "Exige";
        EXPECT_EQ(ReadFileBytes(AppsFile(ids[i])), (updated ? second : first)[i].bytes) << ids[i];
    }

    // Asked by name: the user's hold gives way, the organisation's refuses.
    struct Case {
        const wchar_t* arguments;
        DWORD exitCode;
        std::vector<std::wstring> messages;
    };
    const Case cases[] = {
        {L"--update Garde", 0, {W("Garde installé.")}},
        {L"--update Impose", 6, {W("Opération impossible : Version conservée par votre organisation")}},
        {L"--install Impose", 6, {W("Opération impossible : Version conservée par votre organisation")}},
        {L"--uninstall Exige", 6, {W("Opération impossible : Application exigée par votre organisation")}},
        {L"--uninstall Exige Libre",
         8,
         {W("Opération impossible : Application exigée par votre organisation"), W("Libre désinstallé.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.arguments));
        const CommandRun run = RunCommand(GetInstalledExePath(), c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << Show(run);
        EXPECT_EQ(ResultMessages(run.report), c.messages) << Show(run);
    }
    EXPECT_EQ(ReadFileBytes(AppsFile("Garde")), second[0].bytes);
    EXPECT_EQ(ReadFileBytes(AppsFile("Impose")), first[1].bytes);
    EXPECT_EQ(ReadFileBytes(AppsFile("Exige")), second[4].bytes);
    EXPECT_FALSE(FileExists(AppsFile("Libre")));
}

}  // namespace
