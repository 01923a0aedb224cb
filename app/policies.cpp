#include "app/policies.h"

#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>

#include "app/update_hours.h"
#include "catalog/catalog_model.h"

namespace {

// As for "OfflineRoot" in the settings: 32,768 units with the terminator.
constexpr DWORD kTextBufferUnits = 32768;
constexpr size_t kMostListedIds = 2048;

constexpr size_t IndexOf(PolicyId id) { return static_cast<size_t>(id); }

// The table is indexed by PolicyId.
constexpr bool TableFollowsIds() {
    for (size_t i = 0; i < kPolicyCount; ++i)
        if (IndexOf(kPolicyDefinitions[i].id) != i) return false;
    return true;
}
static_assert(TableFollowsIds(), "kPolicyDefinitions must list the policies in PolicyId order");

bool ReadsFrom(PolicyClass classes, PolicyScope scope) {
    if (classes == PolicyClass::Both) return true;
    return (classes == PolicyClass::Machine) == (scope == PolicyScope::Machine);
}

HKEY HiveOf(PolicyScope scope) { return scope == PolicyScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// What a value found under a policy key came to: in force, or ignored with a reason.
struct ReadOutcome {
    std::optional<PolicyValue> value;
    std::optional<RejectedPolicy> rejected;
};

ReadOutcome Rejected(const PolicyDefinition& definition, PolicyScope scope, std::wstring shown, std::wstring reason) {
    ReadOutcome outcome;
    outcome.rejected = RejectedPolicy{definition.id, scope, std::move(shown), std::move(reason)};
    return outcome;
}

// A value of another type, or a DWORD of another size (Wine hands back a
// 2-byte REG_DWORD with success), counts as absent and is named.
ReadOutcome ReadNumber(HKEY hive, PolicyScope scope, const PolicyDefinition& definition) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status = RegGetValueW(hive, kPolicyKeyPath, definition.name, RRF_RT_REG_DWORD, nullptr, &value,
                                        &size);
    if (status == ERROR_UNSUPPORTED_TYPE || (status == ERROR_SUCCESS && size != sizeof(value)))
        return Rejected(definition, scope, L"?", L"type de valeur incorrect (REG_DWORD attendu)");
    if (status != ERROR_SUCCESS) return {};
    if (value < definition.minimum || value > definition.maximum)
        return Rejected(definition, scope, std::to_wstring(value),
                        L"hors limites (" + std::to_wstring(definition.minimum) + L" à " +
                            std::to_wstring(definition.maximum) + L")");
    PolicyValue read;
    read.scope = scope;
    read.number = value;
    return {read, std::nullopt};
}

// The reason a text breaks its policy's rule, or nothing when it keeps it.
std::optional<std::wstring> TextFault(TextRule rule, const std::wstring& text) {
    switch (rule) {
    case TextRule::Any: return std::nullopt;
    case TextRule::HourRange:
        if (ParseUpdateHours(text)) return std::nullopt;
        return std::wstring(L"format HH-HH attendu, par exemple 12-14 ou 19-07");
    case TextRule::Ring:
        if (IsPilotRing(text)) return std::nullopt;
        return L"anneau inconnu (« " + std::wstring(kPilotRing) + L" » attendu)";
    }
    return std::nullopt;
}

ReadOutcome ReadText(HKEY hive, PolicyScope scope, const PolicyDefinition& definition) {
    std::vector<wchar_t> buffer(kTextBufferUnits, L'\0');
    DWORD size = kTextBufferUnits * sizeof(wchar_t);
    const LSTATUS status = RegGetValueW(hive, kPolicyKeyPath, definition.name, RRF_RT_REG_SZ, nullptr, buffer.data(),
                                        &size);
    if (status == ERROR_UNSUPPORTED_TYPE)
        return Rejected(definition, scope, L"?", L"type de valeur incorrect (REG_SZ attendu)");
    if (status != ERROR_SUCCESS) return {};
    size_t units = std::min<size_t>(size / sizeof(wchar_t), kTextBufferUnits);
    PolicyValue read;
    read.scope = scope;
    read.text.assign(buffer.data(), wcsnlen(buffer.data(), units));
    if (std::optional<std::wstring> fault = TextFault(definition.textRule, read.text))
        return Rejected(definition, scope, read.text, *fault);
    return {read, std::nullopt};
}

// A REG_MULTI_SZ of at most 64 KiB and kMostListedIds items: far more than
// any organisation lists, and a bound on what a hostile value costs. Items
// that are not tool ids (a path, a name with spaces) are dropped and counted
// in the diagnostic information; repeats are dropped silently.
ReadOutcome ReadIdList(HKEY hive, PolicyScope scope, const PolicyDefinition& definition) {
    std::vector<wchar_t> buffer(kTextBufferUnits, L'\0');
    DWORD size = kTextBufferUnits * sizeof(wchar_t);
    const LSTATUS status = RegGetValueW(hive, kPolicyKeyPath, definition.name, RRF_RT_REG_MULTI_SZ, nullptr,
                                        buffer.data(), &size);
    if (status == ERROR_UNSUPPORTED_TYPE)
        return Rejected(definition, scope, L"?", L"type de valeur incorrect (REG_MULTI_SZ attendu)");
    if (status == ERROR_MORE_DATA) return Rejected(definition, scope, L"?", L"liste trop longue");
    if (status != ERROR_SUCCESS) return {};
    const size_t units = std::min<size_t>(size / sizeof(wchar_t), kTextBufferUnits);
    PolicyValue read;
    read.scope = scope;
    size_t dropped = 0;
    size_t items = 0;
    size_t start = 0;
    while (start < units) {
        const size_t length = wcsnlen(buffer.data() + start, units - start);
        const std::wstring item(buffer.data() + start, length);
        if (length > 0 && ++items > kMostListedIds) return Rejected(definition, scope, L"?", L"liste trop longue");
        if (IsValidAppId(item))
            read.ids.Add(item);
        else if (!item.empty())
            ++dropped;
        start += length + 1;
    }
    // The dropped items themselves are not repeated: they may be anything.
    std::optional<RejectedPolicy> note;
    if (dropped > 0)
        note = RejectedPolicy{definition.id, scope,
                              std::to_wstring(dropped) + (dropped == 1 ? L" élément" : L" éléments"),
                              L"pas un identifiant d’outil, ignoré"};
    if (read.ids.Empty()) return {std::nullopt, note};
    return {read, note};
}

ReadOutcome ReadPolicy(PolicyScope scope, const PolicyDefinition& definition) {
    HKEY hive = HiveOf(scope);
    switch (definition.type) {
    case PolicyType::String: return ReadText(hive, scope, definition);
    case PolicyType::IdList: return ReadIdList(hive, scope, definition);
    case PolicyType::Dword: break;
    }
    return ReadNumber(hive, scope, definition);
}

}  // namespace

const PolicyDefinition& DefinitionOf(PolicyId id) { return kPolicyDefinitions[IndexOf(id)]; }

void Policies::Set(PolicyId id, PolicyValue value) { values_[IndexOf(id)] = std::move(value); }

void Policies::Reject(RejectedPolicy rejected) { rejected_.push_back(std::move(rejected)); }

bool Policies::Forces(PolicyId id) const { return values_[IndexOf(id)].has_value(); }

const PolicyValue* Policies::Find(PolicyId id) const {
    const std::optional<PolicyValue>& value = values_[IndexOf(id)];
    return value ? &*value : nullptr;
}

std::optional<bool> Policies::Flag(PolicyId id) const {
    const PolicyValue* value = Find(id);
    if (value == nullptr) return std::nullopt;
    return value->number != 0;
}

bool Policies::Allows(PolicyId id) const { return Flag(id).value_or(true); }

bool Policies::Lists(PolicyId id, const std::wstring& toolId) const {
    const PolicyValue* value = Find(id);
    return value != nullptr && value->ids.Contains(toolId);
}

const IdSet* Policies::Listed(PolicyId id) const {
    const PolicyValue* value = Find(id);
    return value != nullptr ? &value->ids : nullptr;
}

bool Policies::Any() const {
    return std::any_of(values_.begin(), values_.end(), [](const auto& value) { return value.has_value(); });
}

Policies ReadPolicies() {
    Policies policies;
    for (const PolicyDefinition& definition : kPolicyDefinitions) {
        for (PolicyScope scope : {PolicyScope::Machine, PolicyScope::User}) {
            if (!ReadsFrom(definition.classes, scope)) continue;
            ReadOutcome outcome = ReadPolicy(scope, definition);
            if (outcome.rejected) policies.Reject(std::move(*outcome.rejected));
            if (outcome.value) {
                policies.Set(definition.id, std::move(*outcome.value));
                break;
            }
        }
    }
    return policies;
}

bool IsPilotRing(const std::wstring& text) {
    // Typed by hand in the policy editor: any case, blanks around it.
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return false;
    const size_t last = text.find_last_not_of(L" \t");
    const std::wstring word = text.substr(first, last - first + 1);
    return CompareStringOrdinal(word.c_str(), static_cast<int>(word.size()), kPilotRing, -1, TRUE) == CSTR_EQUAL;
}
