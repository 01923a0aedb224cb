// Installing a 256 MiB tool from the USB folder (copy, SHA-256 check and
// placement in the Apps folder) against CopyFileW of the same file to the same
// disk. Argument: the offline folder to use (on the USB drive).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/sha256.h"
#include "bench/bench_file.h"
#include "bench/bench_timing.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"

namespace {

constexpr size_t kSize = 256u * 1024 * 1024;
constexpr wchar_t kToolId[] = L"benchtool";

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("install: usage: install_bench <OrkvaneOffline folder>\n");
        return 2;
    }
    const std::wstring root = argv[1];
    CreateFolderPath(JoinPath(root, L"outils"));
    const std::wstring source = JoinPath(root, std::wstring(L"outils\\") + kToolId + L".exe");
    if (!WriteBenchFile(source, kSize)) {
        std::printf("install: cannot write the tool on the key\n");
        return 1;
    }

    ToolRequest request;
    request.name = kToolId;
    request.exeName = std::wstring(kToolId) + L".exe";
    request.sha256 = ComputeFileSha256(source);
    request.sourceRoot = root;
    const std::wstring installed = JoinPath(GetAppsFolder(), request.exeName);
    const std::wstring copy = JoinPath(GetTempFolder(), L"orkvane_install_bench_copy.bin");

    bool ok = true;
    auto install = [&] {
        DeleteFileW(installed.c_str());
        try {
            InstallTool(request);
        } catch (const std::exception&) {
            ok = false;
        }
    };
    auto reference = [&] {
        DeleteFileW(copy.c_str());
        ok = ok && CopyFileW(source.c_str(), copy.c_str(), FALSE);
    };
    install();  // warm the file cache for both sides
    auto [installMs, copyMs] = MedianPair(5, install, reference);

    // What no install can go below: one SHA-256 of the same bytes, in memory.
    std::string bytes(kSize, '\0');
    HANDLE file = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD read = 0;
    for (size_t done = 0; file != INVALID_HANDLE_VALUE && done < kSize; done += read) {
        if (!ReadFile(file, bytes.data() + done, 1 << 24, &read, nullptr) || read == 0) break;
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    std::vector<double> hashRuns;
    for (int i = 0; i < 3; ++i) {
        double start = NowMs();
        ComputeSha256(bytes);
        hashRuns.push_back(NowMs() - start);
    }
    const double hashMs = Median(hashRuns);
    DeleteFileW(installed.c_str());
    DeleteFileW(copy.c_str());
    DeleteFileW(source.c_str());
    if (!ok) {
        std::printf("install: the install or the copy failed\n");
        return 1;
    }
    PrintFigure("install", installMs, copyMs, "ms", 1.30,
                "InstallTool of a 256 MiB tool from the USB folder vs CopyFileW of it to the same disk");
    std::printf("install    floor: SHA-256 of the same bytes in memory %.2f ms, %.3f times the copy\n", hashMs,
                hashMs / copyMs);
    return 0;
}
