#include "app/policies.h"

#include <algorithm>
#include <cwchar>
#include <utility>
#include <vector>

#include "catalog/catalog_model.h"

namespace {

// As for "OfflineRoot" in the settings: 32,768 units with the terminator.
constexpr DWORD kTextBufferUnits = 32768;

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

// The size is checked as well: Wine hands back a 2-byte REG_DWORD with success.
std::optional<DWORD> ReadNumber(HKEY hive, const PolicyDefinition& definition) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(hive, kPolicyKeyPath, definition.name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
            ERROR_SUCCESS ||
        size != sizeof(value))
        return std::nullopt;
    if (value < definition.minimum || value > definition.maximum) return std::nullopt;
    return value;
}

std::optional<std::wstring> ReadText(HKEY hive, const PolicyDefinition& definition) {
    std::vector<wchar_t> buffer(kTextBufferUnits, L'\0');
    DWORD size = kTextBufferUnits * sizeof(wchar_t);
    if (RegGetValueW(hive, kPolicyKeyPath, definition.name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    size_t units = std::min<size_t>(size / sizeof(wchar_t), kTextBufferUnits);
    return std::wstring(buffer.data(), wcsnlen(buffer.data(), units));
}

// A REG_MULTI_SZ of at most 64 KiB: thousands of ids, far more than any
// organisation lists, and a bound on what a hostile value costs. Items that
// are not tool ids (a path, a name with spaces, an empty line) are dropped;
// so are repeats.
std::optional<IdSet> ReadIdList(HKEY hive, const PolicyDefinition& definition) {
    std::vector<wchar_t> buffer(kTextBufferUnits, L'\0');
    DWORD size = kTextBufferUnits * sizeof(wchar_t);
    if (RegGetValueW(hive, kPolicyKeyPath, definition.name, RRF_RT_REG_MULTI_SZ, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const size_t units = std::min<size_t>(size / sizeof(wchar_t), kTextBufferUnits);
    IdSet ids;
    size_t start = 0;
    while (start < units) {
        const size_t length = wcsnlen(buffer.data() + start, units - start);
        std::wstring item(buffer.data() + start, length);
        if (IsValidAppId(item)) ids.Add(item);
        start += length + 1;
    }
    if (ids.Empty()) return std::nullopt;
    return ids;
}

std::optional<PolicyValue> ReadPolicy(PolicyScope scope, const PolicyDefinition& definition) {
    HKEY hive = HiveOf(scope);
    PolicyValue value;
    value.scope = scope;
    if (definition.type == PolicyType::IdList) {
        std::optional<IdSet> ids = ReadIdList(hive, definition);
        if (!ids) return std::nullopt;
        value.ids = std::move(*ids);
    } else if (definition.type == PolicyType::String) {
        std::optional<std::wstring> text = ReadText(hive, definition);
        if (!text) return std::nullopt;
        value.text = std::move(*text);
    } else {
        std::optional<DWORD> number = ReadNumber(hive, definition);
        if (!number) return std::nullopt;
        value.number = *number;
    }
    return value;
}

}  // namespace

const PolicyDefinition& DefinitionOf(PolicyId id) { return kPolicyDefinitions[IndexOf(id)]; }

void Policies::Set(PolicyId id, PolicyValue value) { values_[IndexOf(id)] = std::move(value); }

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

bool Policies::Any() const {
    return std::any_of(values_.begin(), values_.end(), [](const auto& value) { return value.has_value(); });
}

Policies ReadPolicies() {
    Policies policies;
    for (const PolicyDefinition& definition : kPolicyDefinitions) {
        for (PolicyScope scope : {PolicyScope::Machine, PolicyScope::User}) {
            if (!ReadsFrom(definition.classes, scope)) continue;
            if (std::optional<PolicyValue> value = ReadPolicy(scope, definition)) {
                policies.Set(definition.id, std::move(*value));
                break;
            }
        }
    }
    return policies;
}
