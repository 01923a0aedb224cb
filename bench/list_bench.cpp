// The command line's --list over the largest catalogue the program reads (as
// many of the 48,000 benchmark entries as fit in 4 MiB, on the USB key),
// against a bare start of the same program: one that reads its switches,
// refuses an unknown one and ends. Listing every tool should cost less than
// starting the program once more.
//
//   list_bench ORKVANE_EXE OFFLINE_FOLDER ENTRIES
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/handles.h"
#include "bench/bench_timing.h"

namespace {

// Runs the program to its end with its output thrown away; returns its exit code.
DWORD RunToEnd(const std::wstring& exe, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueHandle sink(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = sink.get();
    startup.hStdError = sink.get();
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return 0xFFFFFFFF;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: list_bench ORKVANE_EXE OFFLINE_FOLDER ENTRIES\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring list = std::wstring(L"--list --source usb:") + argv[2];
    const std::wstring bare = L"--sans-effet";
    if (RunToEnd(exe, list) != 0) {
        std::printf("list: the program did not list the catalogue\n");
        return 1;
    }
    RunToEnd(exe, bare);
    PairedRuns runs = TimePairs(
        7, [&] { RunToEnd(exe, list); }, [&] { RunToEnd(exe, bare); });
    PrintFigure("list", runs, "ms", 2.0,
                "--list of " + std::string(std::to_string(_wtoi(argv[3]))) +
                    " entries from the USB key vs a bare start of the same program");
    return 0;
}
