// A tool's executable fetched into a free name of a folder and hashed while
// it is written. The file stays open, shared for reading only, until it is
// placed: nobody can change or swap the bytes between the check and the
// install.
#pragma once

#include <string>
#include <utility>

#include "base/byte_progress.h"
#include "base/handles.h"
#include "base/operation_cancel.h"
#include "catalog/transfer_limits.h"
#include "operations/tool_request.h"

struct FetchOptions {
    TransferLimits limits = kToolDownloadLimits;
    ByteProgress progress;
    // Watched after every block and while the network is waited for.
    CancelToken cancel;
};

// The options' progress report, stopping first when the cancel token asks:
// for the loops that report after each block (hashing a file, for one).
ByteProgress ProgressOrStop(const FetchOptions& options);

class VerifiedFile {
public:
    VerifiedFile(std::wstring path, UniqueHandle file) : path_(std::move(path)), file_(std::move(file)) {}
    // Deletes the file unless it was kept or moved.
    ~VerifiedFile();
    VerifiedFile(VerifiedFile&& other) noexcept
        : path_(std::move(other.path_)), file_(std::move(other.file_)), kept_(std::exchange(other.kept_, true)) {}
    VerifiedFile& operator=(VerifiedFile&&) = delete;
    VerifiedFile(const VerifiedFile&) = delete;
    VerifiedFile& operator=(const VerifiedFile&) = delete;

    const std::wstring& path() const { return path_; }
    HANDLE handle() const { return file_.get(); }
    // Closes the file and leaves it where it is; returns its path.
    std::wstring Keep();
    // Renames the open file over `target` (replacing it) in one step, with
    // its attributes made normal first; false when that cannot be done, for
    // example across volumes.
    bool MoveOver(const std::wstring& target);

private:
    std::wstring path_;
    UniqueHandle file_;
    bool kept_ = false;
};

// Checks the request, then fetches from the USB folder or the download
// service into a free name in `folder`, and compares the digest with the
// catalogue's. On any failure nothing is left behind.
VerifiedFile FetchVerified(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options);
// The same into a hidden side name (<exeName>.nouveau) in the folder of the
// file it is to replace, so that it gets that folder's permissions rather
// than those of a folder other users may write.
VerifiedFile FetchVerifiedBeside(const ToolRequest& request, const std::wstring& folder, const FetchOptions& options);
