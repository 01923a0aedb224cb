#include "app/rollout_secret.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

#include "app/settings.h"
#include "base/handles.h"

namespace {

constexpr wchar_t kRolloutSeedValue[] = L"RolloutSeed";

std::optional<RolloutSecret> ReadSecret() {
    RolloutSecret secret{};
    DWORD size = static_cast<DWORD>(secret.size());
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kRolloutSeedValue, RRF_RT_REG_BINARY, nullptr, secret.data(),
                     &size) != ERROR_SUCCESS ||
        size != secret.size())
        return std::nullopt;
    return secret;
}

std::optional<RolloutSecret> MakeSecret() {
    RolloutSecret secret{};
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, secret.data(), static_cast<ULONG>(secret.size()),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return std::nullopt;
    return secret;
}

// Fire-and-forget like every settings write: a value that could not be kept
// is made afresh at the next start.
void KeepSecret(const RolloutSecret& secret) {
    UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        return;
    }
    RegSetValueExW(key.get(), kRolloutSeedValue, 0, REG_BINARY, secret.data(), static_cast<DWORD>(secret.size()));
}

}  // namespace

std::optional<RolloutSecret> LoadOrMakeRolloutSecret() {
    if (std::optional<RolloutSecret> kept = ReadSecret()) return kept;
    std::optional<RolloutSecret> made = MakeSecret();
    if (made) KeepSecret(*made);
    return made;
}

namespace {

// Only an installed tool has an update to hold back; a first install always
// gets the catalogue's file.
bool Staged(const CatalogApp& app) { return app.installed && app.rollout < kFullRollout; }

}  // namespace

void MarkRolloutExclusions(std::vector<CatalogApp>& apps, bool pilotRing) {
    for (CatalogApp& app : apps) app.rolloutExcluded = false;
    if (pilotRing || std::none_of(apps.begin(), apps.end(), Staged)) return;
    const std::optional<RolloutSecret> secret = LoadOrMakeRolloutSecret();
    if (!secret) return;
    for (CatalogApp& app : apps) {
        if (Staged(app)) app.rolloutExcluded = !RolloutIncludes(app.rollout, RolloutDraw(*secret, app.sha256), false);
    }
}
