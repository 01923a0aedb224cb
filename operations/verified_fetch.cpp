#include "operations/verified_fetch.h"

#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "app/error.h"
#include "app/messages.h"
#include "app/paths.h"
#include "app/sha256.h"
#include "catalog/catalog_model.h"
#include "catalog/http_client.h"
#include "catalog/reparse_points.h"
#include "operations/tool_request_check.h"

namespace {

constexpr DWORD kDownloadBlockSize = 65536;
constexpr DWORD kCopyBlockSize = 1 << 20;

void WriteAll(HANDLE file, const char* data, DWORD size, const char* message) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written != size) Fail(message);
}

void Report(const ByteProgress& progress, unsigned long long done, long long expected) {
    if (progress) progress(done, expected);
}

// Bounded like a download: a huge or sparse file on the key must not fill the
// destination's disk before the hash could refuse it.
void CopyFromOfflineFolder(const ToolRequest& request, HANDLE dest, Sha256Stream& hash, const FetchOptions& options) {
    const ByteProgress& progress = options.progress;
    const unsigned long long maxBytes = options.limits.maxBytes;
    CatalogApp app;
    app.id = request.name;
    std::wstring source = OfflineToolPath(request.sourceRoot, L"outils", app, L".exe");
    // A link on the key could lead the copy to a network share.
    if (CrossesReparsePoint(source)) Fail(msg::kUsbCopyFailed);
    UniqueHandle file(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) Fail(msg::kUsbCopyFailed);
    LARGE_INTEGER size{};
    long long expected = GetFileSizeEx(file.get(), &size) ? size.QuadPart : -1;
    if (expected >= 0 && static_cast<unsigned long long>(expected) > maxBytes) Fail(msg::kUsbToolTooLarge);

    std::vector<char> buffer(kCopyBlockSize);
    unsigned long long done = 0;
    Report(progress, 0, expected);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data(), kCopyBlockSize, &read, nullptr)) Fail(msg::kUsbCopyFailed);
        if (read == 0) break;
        // The file can grow while it is copied: count what arrives.
        if (read > maxBytes - done) Fail(msg::kUsbToolTooLarge);
        hash.Add(buffer.data(), read);
        WriteAll(dest, buffer.data(), read, msg::kUsbCopyFailed);
        done += read;
        Report(progress, done, expected);
    }
}

void DownloadToFile(const ToolRequest& request, HANDLE dest, Sha256Stream& hash, const FetchOptions& options) {
    TransferWatch watch(options.limits);
    std::wstring url = request.downloadEndpoint + L"?id=" + request.downloadId + L"&type=exe";
    HttpRequest http = OpenHttpGet(url);
    if (http.contentLength >= 0 && static_cast<unsigned long long>(http.contentLength) > options.limits.maxBytes)
        Fail(msg::kDownloadTooLarge);

    std::vector<char> buffer(kDownloadBlockSize);
    unsigned long long total = 0;
    Report(options.progress, 0, http.contentLength);
    for (;;) {
        watch.Check(total);
        // Asked first, so that each read returns what has arrived instead of
        // waiting for a whole block: a trickling server is seen between reads.
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(http.request.get(), &available)) Fail(msg::kDownloadInterrupted);
        if (available == 0) break;
        DWORD read = 0;
        if (!WinHttpReadData(http.request.get(), buffer.data(), available < kDownloadBlockSize ? available : kDownloadBlockSize,
                             &read))
            Fail(msg::kDownloadInterrupted);
        if (read == 0) break;
        if (read > options.limits.maxBytes - total) Fail(msg::kDownloadTooLarge);
        hash.Add(buffer.data(), read);
        WriteAll(dest, buffer.data(), read, msg::kFileWriteFailed);
        total += read;
        Report(options.progress, total, http.contentLength);
    }
    // A connection closed cleanly midway ends like a complete body; only the
    // announced length tells them apart.
    if (http.contentLength >= 0 && static_cast<long long>(total) != http.contentLength)
        Fail(msg::kDownloadInterrupted);
}

}  // namespace

VerifiedFile::~VerifiedFile() {
    file_.reset();
    if (!kept_) DeleteFileW(path_.c_str());
}

std::wstring VerifiedFile::Keep() {
    file_.reset();
    kept_ = true;
    return path_;
}

bool VerifiedFile::MoveOver(const std::wstring& target) {
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    target.copy(info->FileName, target.size());
    if (!SetFileInformationByHandle(file_.get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return false;
    path_ = target;
    Keep();
    return true;
}

VerifiedFile FetchVerified(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options) {
    CheckToolRequest(request);
    const bool offline = !request.sourceRoot.empty();

    CreateFolderPath(folder);
    std::wstring dest = FreeFileName(folder, request.exeName);
    // Read sharing only: the bytes hashed stay the bytes installed. DELETE
    // access lets the open file be renamed into place.
    UniqueHandle file(CreateFileW(dest.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(offline ? msg::kUsbCopyFailed : msg::kFileCreateFailed);
    VerifiedFile fetched(dest, std::move(file));

    Sha256Stream hash;
    if (offline) {
        CopyFromOfflineFolder(request, fetched.handle(), hash, options);
    } else {
        DownloadToFile(request, fetched.handle(), hash, options);
    }
    if (!Sha256Matches(hash.Finish(), request.sha256)) Fail(msg::kShaMismatch);
    return fetched;
}
