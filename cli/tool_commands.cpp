#include "cli/tool_commands.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/state.h"
#include "app/tool_refusal.h"
#include "app/update_offer.h"
#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/operation_lock.h"
#include "base/paths.h"
#include "base/tool_action.h"
#include "catalog/utf8.h"
#include "cli/apps_changed.h"
#include "cli/command_catalog.h"
#include "cli/exit_codes.h"
#include "cli/outcome_codes.h"
#include "cli/update_offers.h"
#include "operations/operation_runner.h"
#include "operations/tool_request.h"

namespace {

std::wstring Text(const char* utf8) { return Utf8ToWide(utf8); }

void Finish(CliReport& report, int exitCode, std::wstring message) {
    report.exitCode = exitCode;
    report.message = std::move(message);
}

struct Target {
    size_t index;
    const char* action;
    // --update-all: whether the update is offered here; the others are only reported.
    UpdateOffer offer = UpdateOffer::Offered;
};

// The entries the command names, in its order; the unknown ids go to `missing`.
std::vector<Target> NamedTargets(const CliRequest& request, const CatalogLoadResult& catalog, std::wstring& missing) {
    const char* action = request.command == CliCommand::Uninstall ? "uninstall"
                         : request.command == CliCommand::Update  ? "update"
                                                                  : "install";
    std::vector<Target> targets;
    for (const std::wstring& id : request.ids) {
        const long long index = FindToolIndex(catalog, id);
        if (index >= 0) {
            targets.push_back({static_cast<size_t>(index), action});
        } else {
            missing += (missing.empty() ? L"" : L", ") + id;
        }
    }
    return targets;
}

// Every installed tool whose file differs, with what the window would make of
// its update: held ones and those not offered here yet are reported, not updated.
std::vector<Target> UpdatableTargets(CatalogLoadResult& catalog) {
    const std::vector<UpdateOffer> offers = ReckonUpdateOffers(catalog);
    std::vector<Target> targets;
    for (size_t i = 0; i < catalog.apps.size(); ++i) {
        const CatalogApp& app = catalog.apps[i];
        if (static_cast<long long>(i) != catalog.selfIndex && app.installed && app.updateAvailable)
            targets.push_back({i, "update", offers[i]});
    }
    return targets;
}

bool ConfirmUninstall(const std::vector<std::wstring>& ids) {
    std::wstring names;
    for (const std::wstring& id : ids) names += (names.empty() ? L"" : L", ") + id;
    const std::wstring question = Text(msg::kUninstallToolQuestion) + names + Text(msg::kQuestionEnd);
    return MessageBoxW(nullptr, question.c_str(), kMessageBoxTitle, MB_YESNO | MB_ICONWARNING | MB_SETFOREGROUND) ==
           IDYES;
}

ToolOutcome RunOne(const CatalogApp& app, const Target& target) {
    ToolOutcome outcome;
    outcome.id = app.id;
    outcome.action = target.action;
    const bool uninstall = std::string(target.action) == "uninstall";
    if (std::string(target.action) == "update" && (!app.installed || !app.updateAvailable)) {
        // Nothing to do is no failure: the tool stays as it is.
        outcome.ok = true;
        outcome.status = app.installed ? "upToDate" : "notInstalled";
        outcome.message = app.id + Text(app.installed ? msg::kResultUpToDate : msg::kResultNotInstalledSkipped);
        return outcome;
    }
    if (const char* note = UpdateOfferNote(target.offer)) {
        // Left as it is on purpose: no failure either.
        outcome.ok = true;
        outcome.status = "skipped";
        outcome.message = app.id + Text(msg::kResultUpdateSkipped) + Text(note) + L".";
        return outcome;
    }
    const ToolRefusal refusal = RefusalOf(app, uninstall ? ToolAction::Uninstall : ToolAction::Install,
                                          g_state.policies);
    if (refusal != ToolRefusal::None) {
        outcome.status = "refused";
        outcome.message = Text(msg::kOperationFailedPrefix) + Text(RefusalText(refusal));
        outcome.exitCode = exit_code::kRefused;
        return outcome;
    }
    ToolOperationJob job;
    job.appIndex = target.index;
    job.action = uninstall ? ToolAction::Uninstall : ToolAction::Install;
    job.request = MakeToolRequest(app);
    job.desktopShortcut = g_state.settings.desktopShortcut;
    job.menuShortcut = g_state.settings.menuShortcut;
    job.lockWaitMs = kCommandLockWaitMs;
    std::unique_ptr<OperationResult> result = RunToolOperation(job);
    outcome.ok = result->ok;
    if (result->ok) {
        outcome.status = "done";
        outcome.message = result->message;
    } else {
        outcome.message = Text(msg::kOperationFailedPrefix) + result->error;
        outcome.exitCode = ExitCodeOfFailure(result->error);
    }
    return outcome;
}

}  // namespace

void RunToolCommand(const CliRequest& request, CliReport& report) {
    // As in the window: a copy that is not the installed one may remove a
    // tool, never install or update one.
    if (request.command != CliCommand::Uninstall && !IsInstalledCopy())
        return Finish(report, exit_code::kRefused, Text(msg::kStatusPortableCatalogLoaded));

    std::unique_ptr<CatalogLoadResult> catalog = LoadCatalogForCommand(request);
    report.source = SourceName();
    if (!catalog->ok)
        return Finish(report, exit_code::kCatalogRefused, Text(msg::kStatusCatalogUnreachable) + catalog->error);

    std::wstring missing;
    std::vector<Target> targets = request.command == CliCommand::UpdateAll ? UpdatableTargets(*catalog)
                                                                           : NamedTargets(request, *catalog, missing);
    if (!missing.empty()) return Finish(report, exit_code::kUnknownId, Text(msg::kCliUnknownIdPrefix) + missing);
    if (targets.empty()) return Finish(report, exit_code::kDone, Text(msg::kCliNothingDone));
    if (request.confirm && !ConfirmUninstall(request.ids))
        return Finish(report, exit_code::kDone, Text(msg::kCliNothingDone));

    // Held for the whole run, so that the window cannot slip in between two
    // tools; each job takes it again on this same thread.
    OperationLock lock(kCommandLockWaitMs);
    if (!lock.held())
        return Finish(report, exit_code::kBusy,
                      Text(msg::kOperationFailedPrefix) + Text(msg::kAnotherOperationRunning));
    // The shortcuts are shell links, made through COM.
    ScopedComApartment com;

    for (const Target& target : targets) report.results.push_back(RunOne(catalog->apps[target.index], target));
    // Even a failed job may have changed files (a refused rollback deletes
    // its kept copy): the windows read the states again either way.
    NotifyWindowsAppsChanged();
    report.exitCode = CombinedExitCode(report.results);
    report.message = report.results.size() == 1 ? report.results.front().message : std::wstring();
}
