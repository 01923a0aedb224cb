// A stand-in tool for the tests: records where it was started from and how,
// into the file named by ORKVANE_TRACE_FILE, then stays alive for
// ORKVANE_TRACE_LINGER_MS milliseconds when asked, and finally appends "exit".
#include <windows.h>

#include <string>

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[32768];
    DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

void Write(const std::wstring& path, DWORD disposition, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), disposition == OPEN_ALWAYS ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::wstring traceFile = Env(L"ORKVANE_TRACE_FILE");
    if (traceFile.empty()) return 2;

    wchar_t folder[32768];
    DWORD folderLength = GetCurrentDirectoryW(32768, folder);
    wchar_t self[32768];
    DWORD selfLength = GetModuleFileNameW(nullptr, self, 32768);
    std::string record = "cwd=" + Utf8(std::wstring(folder, folderLength)) + "\n" +
                         "exe=" + Utf8(std::wstring(self, selfLength)) + "\n" + "cmd=" + Utf8(GetCommandLineW()) + "\n";
    Write(traceFile, CREATE_ALWAYS, record);

    std::wstring linger = Env(L"ORKVANE_TRACE_LINGER_MS");
    if (!linger.empty()) Sleep(static_cast<DWORD>(std::wcstoul(linger.c_str(), nullptr, 10)));
    Write(traceFile, OPEN_ALWAYS, "exit\n");
    return 0;
}
