#include "ui/jobs/automatic_updates.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/state.h"
#include "app/update_hours.h"
#include "app/update_offer.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"
#include "operations/operation_runner.h"
#include "ui/jobs/tool_operation.h"
#include "ui/repaint.h"
#include "ui/upward_calls.h"

namespace {

// A release is tried once per round: one that fails waits for the next check.
std::wstring TriedKey(const CatalogApp& app) { return app.id + L"|" + app.sha256; }

bool Tried(const CatalogApp& app) {
    const std::vector<std::wstring>& tried = g_state.automaticUpdates.tried;
    return std::find(tried.begin(), tried.end(), TriedKey(app)) != tried.end();
}

// The tools whose update this PC is offered, hidden ones included: nobody has
// to see a card for its tool to be kept up to date. The program's own update
// replaces the running program, so it stays the user's decision (the popup).
std::optional<size_t> NextCandidate() {
    const UpdateRules rules = CurrentUpdateRules(NowFileTime());
    for (size_t i = 0; i < g_state.apps.size(); ++i) {
        const CatalogApp& app = g_state.apps[i];
        if (static_cast<int>(i) == g_state.selfIndex || IsOwnAppId(app.id) || Tried(app)) continue;
        if (UpdateOfferOf(app, rules) != UpdateOffer::Offered) continue;
        return i;
    }
    return std::nullopt;
}

std::wstring NameList(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& name : names) list += (list.empty() ? L"" : L", ") + name;
    return list + L".";
}

void FinishRound() {
    AutomaticUpdateRound& round = g_state.automaticUpdates;
    round.pending = false;
    const std::wstring summary = AutomaticUpdateSummary();
    if (!summary.empty()) {
        round.summary = summary;
        g_state.statusText = summary;
        Upward().updateTrayTooltip();
        InvalidateMainWindow(g_state.mainWindow);
    }
    // What is left to decide (the program's own update, a tool that failed)
    // is announced as before.
    if (g_state.settings.updateChecks) Upward().showUpdatePopup();
}

}  // namespace

void StartAutomaticUpdates() {
    AutomaticUpdateRound& round = g_state.automaticUpdates;
    round.pending = true;
    round.running = false;
    round.tried.clear();
    round.updated.clear();
    round.failed.clear();
    ContinueAutomaticUpdates();
}

void ContinueAutomaticUpdates() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    ContinueAutomaticUpdatesAt(local);
}

void ContinueAutomaticUpdatesAt(const SYSTEMTIME& local) {
    AutomaticUpdateRound& round = g_state.automaticUpdates;
    if (!round.pending || g_state.busy || !IsWindow(g_state.mainWindow)) return;
    // Switched off in the options meanwhile: what is left waits for the user.
    if (!g_state.settings.autoUpdate) {
        round.pending = false;
        return;
    }
    // Outside the hours the round waits; the one-minute timer comes back.
    if (!WithinUpdateHours(ImposedUpdateHours(), local)) return;
    const std::optional<size_t> next = NextCandidate();
    if (!next) {
        FinishRound();
        return;
    }
    round.tried.push_back(TriedKey(g_state.apps[*next]));
    round.current = g_state.apps[*next].name;
    round.running = true;
    StartToolOperation(*next, ToolAction::Install);
    // Refused without a result (a portable copy): nothing of the round runs.
    if (!g_state.busy && round.running) {
        round.running = false;
        round.pending = false;
    }
}

bool TakeAutomaticUpdateResult(const OperationResult* result) {
    AutomaticUpdateRound& round = g_state.automaticUpdates;
    if (!round.running) return false;
    round.running = false;
    const std::wstring name = round.current;
    if (result != nullptr && result->cancelled) {
        // The user stopped it: the rest of the round waits for the next check,
        // and the tooltip still tells what was done before.
        round.pending = false;
        if (!AutomaticUpdateSummary().empty()) round.summary = AutomaticUpdateSummary();
    } else if (result != nullptr && result->ok) {
        round.updated.push_back(name);
    } else {
        round.failed.push_back(name);
    }
    return true;
}

std::wstring AutomaticUpdateSummary() {
    const AutomaticUpdateRound& round = g_state.automaticUpdates;
    std::wstring summary;
    if (!round.updated.empty()) summary = Utf8ToWide(msg::kAutoUpdatedPrefix) + NameList(round.updated);
    if (!round.failed.empty()) {
        if (!summary.empty()) summary += L" ";
        summary += Utf8ToWide(msg::kAutoUpdateFailedPrefix) + NameList(round.failed);
    }
    return summary;
}
