#include "operations/tool_name_check.h"

#include "app/error.h"
#include "app/messages.h"
#include "catalog/catalog_model.h"

void CheckToolFileName(const ToolRequest& request) {
    if (!IsValidAppId(request.name) || request.exeName != request.name + L".exe") Fail(msg::kAppFileNameInvalid);
}
