#include "operations/verified_fetch.h"

#include <windows.h>

#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "base/own_files.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/catalog_model.h"
#include "catalog/reparse_points.h"
#include "operations/block_copier.h"
#include "operations/cancellable_download.h"
#include "operations/tool_request_check.h"

namespace {

constexpr DWORD kDownloadBlockSize = 65536;

void WriteAll(HANDLE file, const char* data, DWORD size, const char* message) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr) || written != size) Fail(message);
}

// After each block: the user may have stopped the operation meanwhile.
void Report(const FetchOptions& options, unsigned long long done, long long expected) {
    options.cancel.ThrowIfRequested();
    if (options.progress) options.progress(done, expected);
}

// Bounded like a download: a huge or sparse file on the key must not fill the
// destination's disk before the hash could refuse it.
void CopyFromOfflineFolder(const ToolRequest& request, HANDLE dest, Sha256Stream& hash, const FetchOptions& options) {
    const unsigned long long maxBytes = options.limits.maxBytes;
    CatalogApp app;
    app.id = request.name;
    std::wstring source = OfflineToolPath(request.sourceRoot, L"outils", app, L".exe");
    // A link on the key could lead the copy to a network share.
    if (CrossesReparsePoint(source)) Fail(msg::kUsbCopyFailed);
    // A link put in the file's place after that check is opened itself, and
    // refused: only a plain file is copied.
    UniqueHandle file(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) Fail(msg::kUsbCopyFailed);
    const DWORD attributes = OpenFileAttributes(file.get());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        Fail(msg::kUsbCopyFailed);
    LARGE_INTEGER size{};
    long long expected = GetFileSizeEx(file.get(), &size) ? size.QuadPart : -1;
    if (expected >= 0 && static_cast<unsigned long long>(expected) > maxBytes) Fail(msg::kUsbToolTooLarge);

    unsigned long long done = 0;
    Report(options, 0, expected);
    BlockCopier copier(file.get(), dest, maxBytes);
    for (;;) {
        CopiedBlock block;
        switch (copier.Next(block)) {
        case CopyState::Block:
            break;
        case CopyState::Finished:
            return;
        case CopyState::TooLarge:
            Fail(msg::kUsbToolTooLarge);
        case CopyState::ReadFailed:
        case CopyState::WriteFailed:
            Fail(msg::kUsbCopyFailed);
        }
        hash.Add(block.data, block.size);
        done += block.size;
        Report(options, done, expected);
    }
}

void CheckAnnouncedSize(long long announced, unsigned long long limit) {
    if (announced >= 0 && static_cast<unsigned long long>(announced) > limit) Fail(msg::kDownloadTooLarge);
}

// Empties the file for a body that starts again from its first byte.
void Rewind(HANDLE file) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) Fail(msg::kFileWriteFailed);
}

void DownloadToFile(const ToolRequest& request, HANDLE dest, Sha256Stream& hash, const FetchOptions& options) {
    // The limits watch the whole download, across connections taken up again.
    TransferWatch watch(options.limits);
    CancellableDownload body(request.downloadEndpoint + L"?id=" + request.downloadId + L"&type=exe", options.cancel);
    CheckAnnouncedSize(body.expected(), options.limits.maxBytes);

    std::vector<char> buffer(kDownloadBlockSize);
    unsigned long long total = 0;    // bytes of the file
    unsigned long long arrived = 0;  // bytes received, counting those thrown away
    Report(options, 0, body.expected());
    for (;;) {
        watch.Check(arrived);
        bool restarted = false;
        DWORD read = body.Read(buffer.data(), kDownloadBlockSize, restarted);
        if (restarted) {
            Rewind(dest);
            hash.Restart();
            total = 0;
            CheckAnnouncedSize(body.expected(), options.limits.maxBytes);
        }
        if (read == 0) break;
        if (read > options.limits.maxBytes - total) Fail(msg::kDownloadTooLarge);
        hash.Add(buffer.data(), read);
        WriteAll(dest, buffer.data(), read, msg::kFileWriteFailed);
        total += read;
        arrived += read;
        Report(options, total, body.expected());
    }
}

}  // namespace

ByteProgress ProgressOrStop(const FetchOptions& options) {
    return [options](unsigned long long done, long long expected) { Report(options, done, expected); };
}

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
    // A read-only or system file cannot be replaced by a rename.
    ClearRestrictiveAttributes(target);
    // A side file is hidden while it is fetched; the rename keeps attributes.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof(basic))) return false;
    // The bytes reach the disk before the name does: after a power cut the
    // target must not name a file whose data never arrived.
    if (!FlushFileBuffers(file_.get())) return false;
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    target.copy(info->FileName, target.size());
    if (!SetFileInformationByHandle(file_.get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) return false;
    // Written through, as MOVEFILE_WRITE_THROUGH would.
    FlushFileBuffers(file_.get());
    path_ = target;
    Keep();
    return true;
}

namespace {

VerifiedFile FetchInto(const ToolRequest& request, const std::wstring& dest, DWORD attributes,
                       const FetchOptions& options) {
    const bool offline = !request.sourceRoot.empty();
    // Read sharing only: the bytes hashed stay the bytes installed. DELETE
    // access lets the open file be renamed into place.
    UniqueHandle file(CreateFileW(dest.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, attributes, nullptr));
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

}  // namespace

VerifiedFile FetchVerified(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options) {
    CheckToolRequest(request);
    CreateFolderPath(folder);
    return FetchInto(request, FreeFileName(folder, request.exeName), FILE_ATTRIBUTE_NORMAL, options);
}

VerifiedFile FetchVerifiedBeside(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options) {
    CheckToolRequest(request);
    CreateFolderPath(folder);
    return FetchInto(request, FreeFileName(folder, request.exeName + kSideFileSuffix), FILE_ATTRIBUTE_HIDDEN, options);
}
