#include "operations/tool_request_check.h"

#include "base/error.h"
#include "base/messages.h"
#include "base/sha256.h"
#include "base/tool_files.h"
#include "catalog/catalog_model.h"

namespace {

void CheckSha256Text(const std::wstring& sha256) {
    if (!IsSha256Text(sha256)) Fail(msg::kShaMissingOrInvalid);
}

}  // namespace

void CheckToolFileName(const ToolRequest& request) {
    if (!IsValidAppId(request.name) || request.exeName != request.name + L".exe") Fail(msg::kAppFileNameInvalid);
}

void CheckNotWithdrawn(const ToolRequest& request) {
    if (IsWithdrawnDigest(request.withdrawn, request.sha256)) Fail(msg::kVersionWithdrawn);
}

void CheckToolRequest(const ToolRequest& request) {
    CheckToolFileName(request);
    CheckSha256Text(request.sha256);
    CheckNotWithdrawn(request);
    if (request.sourceRoot.empty()) {
        if (request.downloadEndpoint.rfind(L"https://", 0) != 0) Fail(msg::kEndpointInvalid);
        if (request.downloadId.empty()) Fail(msg::kDownloadIdMissing);
    }
}
