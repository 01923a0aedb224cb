#include "operations/tool_request_check.h"

#include "base/error.h"
#include "base/messages.h"
#include "base/sha256.h"
#include "catalog/catalog_model.h"

namespace {

void CheckSha256Text(const std::wstring& sha256) {
    if (!IsSha256Text(sha256)) Fail(msg::kShaMissingOrInvalid);
}

}  // namespace

void CheckToolFileName(const ToolRequest& request) {
    if (!IsValidAppId(request.name) || request.exeName != request.name + L".exe") Fail(msg::kAppFileNameInvalid);
}

void CheckToolRequest(const ToolRequest& request) {
    CheckToolFileName(request);
    CheckSha256Text(request.sha256);
    if (request.sourceRoot.empty()) {
        if (request.downloadEndpoint.rfind(L"https://", 0) != 0) Fail(msg::kEndpointInvalid);
        if (request.downloadId.empty()) Fail(msg::kDownloadIdMissing);
    }
}
