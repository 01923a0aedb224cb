// A 256 MiB tool download from the loopback test server whose connection is
// cut once at 80 % and taken up with a range request, against the same
// download uncut. Arguments: the server's address ("https://localhost:PORT")
// and the folder it serves, as a Windows path.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/sha256.h"
#include "bench/bench_file.h"
#include "bench/bench_timing.h"
#include "operations/tool_request.h"
#include "operations/verified_fetch.h"

namespace {

constexpr size_t kSize = 256u * 1024 * 1024;
constexpr wchar_t kToolId[] = L"benchresume";

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("resume: usage: resume_bench <server address> <served folder>\n");
        return 2;
    }
    const std::wstring server = argv[1];
    const std::wstring served = argv[2];
    CreateFolderPath(JoinPath(served, L"telechargement"));
    const std::wstring source = JoinPath(served, std::wstring(L"telechargement\\") + kToolId + L".exe");
    if (!WriteBenchFile(source, kSize)) {
        std::printf("resume: cannot write the tool into the served folder\n");
        return 1;
    }

    ToolRequest request;
    request.name = kToolId;
    request.exeName = std::wstring(kToolId) + L".exe";
    request.sha256 = ComputeFileSha256(source);
    request.downloadEndpoint = server + L"/telechargement";
    const std::wstring folder = JoinPath(GetTempFolder(), L"orkvane_resume_bench");

    bool ok = true;
    int run = 0;
    // Both sides go through the server's resumable mode; only the cut differs.
    auto fetch = [&](const std::wstring& mode) {
        request.downloadId = std::wstring(kToolId) + L"&ranges=1" + mode + L"&run=" + std::to_wstring(++run);
        try {
            FetchVerified(request, folder, FetchOptions{});
        } catch (const std::exception&) {
            ok = false;
        }
    };
    const std::wstring cutAt80 = L"&cuts=1&after=" + std::to_wstring(kSize / 10 * 8);
    fetch(L"");  // warm the server's file cache and the TLS set-up
    const PairedRuns runs = TimePairs(
        3, [&] { fetch(cutAt80); }, [&] { fetch(L""); });
    DeleteFileW(source.c_str());
    RemoveDirectoryW(folder.c_str());
    if (!ok) {
        std::printf("resume: a download failed\n");
        return 1;
    }
    PrintFigure("resume", runs, "ms", 1.15,
                "256 MiB download cut once at 80 % and taken up vs the same download uncut, loopback HTTPS");
    return 0;
}
