// What an organisation decides for all its users: values under
// Software\Policies\Tramweld\Orkvane, in the machine's hive and then the
// user's, written by Group Policy or device management. Read once at start-up
// beside the settings and never written by the program.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/id_set.h"

enum class PolicyId : size_t {
    Startup,
    UpdateChecks,
    DesktopShortcut,
    MenuShortcut,
    ThemeMode,
    OfflineMode,
    OfflineRoot,
    DetectOfflineFolder,
    AllowFixedDiskOffline,
    SelfUpdate,
    SelfRemoval,
    AutoUpdate,
    UpdateHours,
    UpdateDelayDays,
    Ring,
    AllowNetworkOffline,
    HeldTools,
    RequiredTools,
};
inline constexpr size_t kPolicyCount = 18;

// IdList: a REG_MULTI_SZ of tool ids.
enum class PolicyType { Dword, String, IdList };
// What a text policy must look like; a text that does not is ignored, and
// named in the diagnostic information.
enum class TextRule { Any, HourRange, Ring };
// Where an administrator may set the policy: the computer's key, the user's, or both.
enum class PolicyClass { Machine, User, Both };

struct PolicyDefinition {
    PolicyId id;
    const wchar_t* name;  // the registry value, and the policy's name in the template
    PolicyType type;
    DWORD minimum;  // the accepted numbers, inclusive; other numbers count as absent
    DWORD maximum;
    PolicyClass classes;
    TextRule textRule = TextRule::Any;
};

inline constexpr wchar_t kPolicyKeyPath[] = L"Software\\Policies\\Tramweld\\Orkvane";

// The one list of policies. The administrative template (policies/Orkvane.admx)
// offers exactly these; a test compares the two.
inline constexpr std::array<PolicyDefinition, kPolicyCount> kPolicyDefinitions{{
    {PolicyId::Startup, L"Startup", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::UpdateChecks, L"UpdateChecks", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::DesktopShortcut, L"DesktopShortcut", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::MenuShortcut, L"MenuShortcut", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::ThemeMode, L"ThemeMode", PolicyType::Dword, 0, 2, PolicyClass::Both},
    {PolicyId::OfflineMode, L"OfflineMode", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::OfflineRoot, L"OfflineRoot", PolicyType::String, 0, 0, PolicyClass::Both},
    {PolicyId::DetectOfflineFolder, L"DetectOfflineFolder", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::AllowFixedDiskOffline, L"AllowFixedDiskOffline", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::SelfUpdate, L"SelfUpdate", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::SelfRemoval, L"SelfRemoval", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::AutoUpdate, L"AutoUpdate", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::UpdateHours, L"UpdateHours", PolicyType::String, 0, 0, PolicyClass::Both, TextRule::HourRange},
    {PolicyId::UpdateDelayDays, L"UpdateDelayDays", PolicyType::Dword, 0, 30, PolicyClass::Both},
    {PolicyId::Ring, L"Ring", PolicyType::String, 0, 0, PolicyClass::Both, TextRule::Ring},
    {PolicyId::AllowNetworkOffline, L"AllowNetworkOffline", PolicyType::Dword, 0, 1, PolicyClass::Both},
    {PolicyId::HeldTools, L"HeldTools", PolicyType::IdList, 0, 0, PolicyClass::Both},
    {PolicyId::RequiredTools, L"RequiredTools", PolicyType::IdList, 0, 0, PolicyClass::Both},
}};

// The only ring "Ring" knows: its PCs are in every staged rollout.
inline constexpr wchar_t kPilotRing[] = L"pilote";

const PolicyDefinition& DefinitionOf(PolicyId id);

// Which key a policy in force came from.
enum class PolicyScope { Machine, User };

struct PolicyValue {
    PolicyScope scope = PolicyScope::Machine;
    DWORD number = 0;   // PolicyType::Dword
    std::wstring text;  // PolicyType::String
    IdSet ids;          // PolicyType::IdList: the valid ids, never empty
};

// A value set by an administrator that the program ignores, and why.
struct RejectedPolicy {
    PolicyId id = PolicyId::Startup;
    PolicyScope scope = PolicyScope::Machine;
    std::wstring shown;   // the value as found, for the diagnostic information
    std::wstring reason;  // in French
};

// The policies in force; a policy that is absent, of the wrong type, out of
// range or malformed is not there (the last three are among Rejected()). An
// id list keeps only the entries that are tool ids, and is ignored when none
// is or when it is too long to read.
class Policies {
public:
    void Set(PolicyId id, PolicyValue value);
    void Reject(RejectedPolicy rejected);
    const std::vector<RejectedPolicy>& Rejected() const { return rejected_; }
    bool Forces(PolicyId id) const;
    const PolicyValue* Find(PolicyId id) const;
    // A forced flag (any value in range other than 0 is true).
    std::optional<bool> Flag(PolicyId id) const;
    // For the policies that can only take something away: true unless set to 0.
    bool Allows(PolicyId id) const;
    // Whether an id list names the tool; false when the list is not in force.
    bool Lists(PolicyId id, const std::wstring& toolId) const;
    // An id list in force; null when it is not.
    const IdSet* Listed(PolicyId id) const;
    bool Any() const;

private:
    std::array<std::optional<PolicyValue>, kPolicyCount> values_;
    std::vector<RejectedPolicy> rejected_;
};

// Reads every policy from HKEY_LOCAL_MACHINE, then HKEY_CURRENT_USER; the
// machine's value wins. A machine value that is ignored lets the user's apply.
Policies ReadPolicies();
// "Ring" names the pilot ring: "pilote" in any case, blanks around it allowed.
bool IsPilotRing(const std::wstring& text);
