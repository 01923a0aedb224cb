#include "operations/tool_install.h"

#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "app/error.h"
#include "app/handles.h"
#include "app/messages.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "catalog/catalog_model.h"
#include "catalog/http_client.h"
#include "catalog/reparse_points.h"
#include "operations/tool_request_check.h"

namespace {

constexpr DWORD kDownloadBlockSize = 65536;
constexpr int kMaxNumberedNames = 999;

// Deletes the destination unless the fetch got all the way through.
class PartialFileGuard {
public:
    explicit PartialFileGuard(std::wstring path) : path_(std::move(path)) {}
    ~PartialFileGuard() {
        if (!kept_) DeleteFileW(path_.c_str());
    }
    PartialFileGuard(const PartialFileGuard&) = delete;
    PartialFileGuard& operator=(const PartialFileGuard&) = delete;
    void keep() { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

void CopyFromOfflineFolder(const ToolRequest& request, const std::wstring& dest) {
    CatalogApp app;
    app.id = request.name;
    std::wstring source = OfflineToolPath(request.sourceRoot, L"outils", app, L".exe");
    // A link on the key could lead the copy to a network share.
    if (CrossesReparsePoint(source)) Fail(msg::kUsbCopyFailed);
    if (!CopyFileW(source.c_str(), dest.c_str(), TRUE)) Fail(msg::kUsbCopyFailed);
}

void WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written != size) Fail(msg::kFileWriteFailed);
}

// Streams the response body to `dest`, one block at a time.
void DownloadToFile(const ToolRequest& request, const std::wstring& dest) {
    std::wstring url = request.downloadEndpoint + L"?id=" + request.downloadId + L"&type=exe";
    HttpRequest http = OpenHttpGet(url);
    UniqueHandle file(
        CreateFileW(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(msg::kFileCreateFailed);

    std::vector<char> buffer(kDownloadBlockSize);
    long long total = 0;
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(http.request.get(), buffer.data(), kDownloadBlockSize, &read)) {
            Fail(msg::kDownloadInterrupted);
        }
        if (read == 0) break;
        WriteAll(file.get(), buffer.data(), read);
        total += read;
    }
    // A connection closed cleanly midway ends like a complete body; only the
    // announced length tells them apart.
    if (http.contentLength >= 0 && total != http.contentLength) Fail(msg::kDownloadInterrupted);
}

}  // namespace

std::wstring FreeFileName(const std::wstring& folder, const std::wstring& fileName) {
    std::wstring dest = JoinPath(folder, fileName);
    if (!FileExists(dest)) return dest;

    size_t nameStart = fileName.find_last_of(L"\\/");
    std::wstring leaf = nameStart == std::wstring::npos ? fileName : fileName.substr(nameStart + 1);
    std::wstring prefix = nameStart == std::wstring::npos ? L"" : fileName.substr(0, nameStart + 1);
    size_t dot = leaf.rfind(L'.');
    std::wstring stem = dot == std::wstring::npos ? leaf : leaf.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? L"" : leaf.substr(dot);

    for (int i = 1; i <= kMaxNumberedNames; ++i) {
        std::wstring candidate = JoinPath(folder, prefix + stem + L"_" + std::to_wstring(i) + extension);
        if (!FileExists(candidate)) return candidate;
    }
    return JoinPath(folder, prefix + stem + L"_nouveau" + extension);
}

std::wstring FetchToolExecutable(const ToolRequest& request, const std::wstring& folder) {
    CheckToolRequest(request);
    const bool offline = !request.sourceRoot.empty();

    CreateFolderPath(folder);
    std::wstring dest = FreeFileName(folder, request.exeName);

    PartialFileGuard guard(dest);
    if (offline) {
        CopyFromOfflineFolder(request, dest);
    } else {
        DownloadToFile(request, dest);
    }
    if (!FileMatchesSha256(dest, request.sha256)) Fail(msg::kShaMismatch);
    guard.keep();
    return dest;
}

std::wstring InstallTool(const ToolRequest& request) {
    // The name becomes a path under Apps and a shortcut name: refuse a bad one
    // before even looking at an existing file.
    CheckToolFileName(request);
    std::wstring appsFolder = GetAppsFolder();
    std::wstring target = JoinPath(appsFolder, request.exeName);
    CreateFolderPath(appsFolder);
    if (FileExists(target) && FileMatchesSha256(target, request.sha256)) return target;

    std::wstring verified = FetchToolExecutable(request, GetTempFolder());
    BOOL copied = CopyFileW(verified.c_str(), target.c_str(), FALSE);
    DeleteFileW(verified.c_str());
    if (!copied) Fail(msg::kCopyToAppsFailed);
    return target;
}
