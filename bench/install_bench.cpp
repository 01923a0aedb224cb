// Installing a 256 MiB tool from the USB folder (copy, SHA-256 check and
// placement in the Apps folder) against one SHA-256 of the same bytes in
// memory, which no install can go below. Beside it, where the install's time
// goes: reading the file, reading and hashing it, reading and writing it,
// and the same with the flush to disk that an install makes before its rename.
// Argument: the offline folder to use (on the USB drive).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/file_blocks.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "bench/bench_file.h"
#include "bench/bench_timing.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"

namespace {

constexpr size_t kSize = 256u * 1024 * 1024;
constexpr wchar_t kToolId[] = L"benchtool";

// One pass over the file with the install's own block loop, handing each
// block to `use`.
template <typename Use>
void ReadPass(const std::wstring& path, Use&& use) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file) ForEachFileBlock(file.get(), "read", use);
}

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

    std::string bytes;
    bytes.reserve(kSize);
    ReadPass(source, [&](const char* data, DWORD size) { bytes.append(data, size); });

    bool ok = bytes.size() == kSize;
    auto install = [&] {
        try {
            InstallTool(request);
        } catch (const std::exception&) {
            ok = false;
        }
    };
    install();  // warm the file cache
    // Wall-clock time: what the user waits for, reads and writes included.
    // The installed copy is deleted before each install, outside the timing:
    // a first install has nothing to delete.
    PairedRuns runs;
    for (int i = 0; i < 5; ++i) {
        DeleteFileW(installed.c_str());
        double start = NowMs();
        install();
        runs.ours.push_back(NowMs() - start);
        start = NowMs();
        ComputeSha256(bytes);
        runs.reference.push_back(NowMs() - start);
    }

    // The steps, each the median of five.
    std::vector<double> readOnly, readHash, readWrite, writeFlush, copyFile;
    for (int i = 0; i < 5; ++i) {
        double start = NowMs();
        ReadPass(source, [](const char*, DWORD) {});
        readOnly.push_back(NowMs() - start);
        start = NowMs();
        Sha256Stream stream;
        ReadPass(source, [&](const char* data, DWORD size) { stream.Add(data, size); });
        stream.Finish();
        readHash.push_back(NowMs() - start);
        start = NowMs();
        {
            DeleteFileW(copy.c_str());
            UniqueHandle out(CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            ReadPass(source, [&](const char* data, DWORD size) {
                DWORD written = 0;
                ok = ok && WriteFile(out.get(), data, size, &written, nullptr) && written == size;
            });
        }
        readWrite.push_back(NowMs() - start);
        DeleteFileW(copy.c_str());
        start = NowMs();
        {
            UniqueHandle out(CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            ReadPass(source, [&](const char* data, DWORD size) {
                DWORD written = 0;
                ok = ok && WriteFile(out.get(), data, size, &written, nullptr) && written == size;
            });
            ok = ok && FlushFileBuffers(out.get());
        }
        writeFlush.push_back(NowMs() - start);
        DeleteFileW(copy.c_str());
        start = NowMs();
        ok = ok && CopyFileW(source.c_str(), copy.c_str(), FALSE);
        copyFile.push_back(NowMs() - start);
        DeleteFileW(copy.c_str());
    }
    DeleteFileW(installed.c_str());
    DeleteFileW(source.c_str());
    if (!ok) {
        std::printf("install: the install or a step failed\n");
        return 1;
    }
    PrintFigure("install", runs, "ms", 1.15,
                "InstallTool of a 256 MiB tool from the USB folder vs one SHA-256 of the same bytes in memory");
    std::printf(
        "install    steps (medians of 5): read %.0f ms, read+hash %.0f ms, read+write %.0f ms, "
        "read+write+flush %.0f ms, CopyFileW %.0f ms; install %.0f ms, hash in memory %.0f ms\n",
        Median(readOnly), Median(readHash), Median(readWrite), Median(writeFlush), Median(copyFile), Median(runs.ours),
        Median(runs.reference));
    return 0;
}
