#include "operations/tool_request_check.h"

#include "app/error.h"
#include "app/messages.h"
#include "catalog/catalog_model.h"

namespace {

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f'); }

void CheckSha256Text(const std::wstring& sha256) {
    bool valid = sha256.size() == 64;
    for (wchar_t c : sha256) valid = valid && IsHexDigit(c);
    if (!valid) Fail(msg::kShaMissingOrInvalid);
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
