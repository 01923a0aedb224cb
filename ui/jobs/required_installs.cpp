#include "ui/jobs/required_installs.h"

#include <string>

#include "app/required_tools.h"
#include "app/state.h"
#include "base/messages.h"
#include "catalog/catalog_model.h"
#include "catalog/utf8.h"
#include "ui/jobs/tool_operation.h"

void QueueRequiredTools() {
    RequiredToolsPlan plan = PlanRequiredTools(g_state.apps, g_state.policies);
    g_state.missingRequiredTools = std::move(plan.missing);
    // Each load tries each tool once: a failed install waits for the next load.
    g_state.requiredQueue.clear();
    if (!g_state.installedMode) return;
    g_state.requiredQueue = std::move(plan.toInstall);
    StartNextRequiredTool();
}

void StartNextRequiredTool() {
    while (!g_state.busy && !g_state.requiredQueue.empty()) {
        const std::wstring id = std::move(g_state.requiredQueue.front());
        g_state.requiredQueue.erase(g_state.requiredQueue.begin());
        for (size_t i = 0; i < g_state.apps.size(); ++i) {
            const CatalogApp& app = g_state.apps[i];
            if (app.id != id || app.installed) continue;
            g_state.requiredInstallRunning = true;
            StartToolJob(i, ToolAction::Install,
                         Utf8ToWide(msg::kProgressInstall) + app.name + Utf8ToWide(msg::kProgressRequiredEnd));
            return;
        }
    }
}
