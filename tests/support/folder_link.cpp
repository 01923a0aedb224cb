#include "tests/support/folder_link.h"

#include <windows.h>

#include <string>

#include "base/handles.h"
#include "base/paths.h"
#include "catalog/utf8.h"
#include "tests/support/unix_program.h"

namespace {

constexpr DWORD kPollMilliseconds = 20;
constexpr DWORD kWaitMilliseconds = 10000;

bool IsReparsePoint(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

template <typename Done>
bool PollUntil(Done done) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += kPollMilliseconds) {
        if (done()) return true;
        Sleep(kPollMilliseconds);
    }
    return done();
}

}  // namespace

FolderLink::FolderLink(const std::wstring& link, const std::wstring& target) : link_(link) {
    // Windows makes the link; Wine 8 answers success and makes nothing.
    const std::wstring fullTarget = JoinPath(ParentFolder(link), target);
    if (CreateSymbolicLinkW(link.c_str(), fullTarget.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        IsReparsePoint(link))
        return;
    // Under Wine a Linux link to a folder shows as a reparse point.
    unixLink_ = UnixPathOf(link);
    if (unixLink_.empty()) return;
    std::string unixTarget = WideToUtf8(target);
    for (char& c : unixTarget) c = c == '\\' ? '/' : c;
    if (!StartUnixProgram(L"Z:\\bin\\ln", "/bin/ln -s \"" + unixTarget + "\" \"" + unixLink_ + "\"")) {
        unixLink_.clear();
        return;
    }
    PollUntil([&] { return IsReparsePoint(link_); });
}

FolderLink::~FolderLink() {
    if (unixLink_.empty()) {
        RemoveDirectoryW(link_.c_str());
        return;
    }
    // Wine's RemoveDirectoryW would remove the target folder, not the link.
    if (StartUnixProgram(L"Z:\\bin\\rm", "/bin/rm -f \"" + unixLink_ + "\""))
        PollUntil([&] { return GetFileAttributesW(link_.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool FolderLink::made() const { return IsReparsePoint(link_); }
