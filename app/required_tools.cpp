#include "app/required_tools.h"

#include <unordered_map>

#include "base/text_fold.h"
#include "catalog/catalog_model.h"

RequiredToolsPlan PlanRequiredTools(const std::vector<CatalogApp>& apps, const Policies& policies) {
    RequiredToolsPlan plan;
    const PolicyValue* required = policies.Find(PolicyId::RequiredTools);
    if (required == nullptr) return plan;
    std::unordered_map<std::wstring, size_t> byId;
    byId.reserve(apps.size());
    for (size_t i = 0; i < apps.size(); ++i) byId.emplace(FoldedCopy(apps[i].id), i);
    for (const std::wstring& id : required->ids.InOrder()) {
        const auto found = byId.find(FoldedCopy(id));
        if (found == byId.end()) {
            plan.missing.push_back(id);
            continue;
        }
        const CatalogApp& app = apps[found->second];
        if (!app.installed && !IsOwnAppId(app.id)) plan.toInstall.push_back(app.id);
    }
    return plan;
}
