#include "tests/support/test_support.h"

#include <shellapi.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "base/handles.h"
#include "base/paths.h"
#include "publisher/file_tree.h"

namespace {
std::atomic<unsigned> g_counter{0};
}

ScratchFolder::ScratchFolder(const std::wstring& hint) {
    std::wstring base = GetTempFolder();
    for (;;) {
        path_ = JoinPath(base, L"orkvane_" + hint + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                   std::to_wstring(g_counter++));
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("scratch folder");
    }
}

ScratchFolder ScratchFolder::At(const std::wstring& path) {
    ScratchFolder folder{Adopt{}};
    folder.path_ = path;
    CreateFolderPath(path);
    return folder;
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }

ScratchFolder::~ScratchFolder() {
    if (!path_.empty()) RemoveTree(path_);
}

std::wstring ScratchFolder::operator/(const std::wstring& name) const { return JoinPath(path_, name); }

void WriteFileBytes(const std::wstring& path, std::string_view bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create test file");
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written != chunk)
            throw std::runtime_error("cannot write test file");
        done += written;
    }
}

std::string SeededBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    return bytes;
}

std::string ReadFileBytes(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot open test file");
    std::string out;
    char buffer[65536];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr)) throw std::runtime_error("read");
        if (read == 0) break;
        out.append(buffer, read);
    }
    return out;
}

void RemoveTree(const std::wstring& path) { RemoveTreeIfPresent(path); }

int CountFilesIn(const std::wstring& folder) {
    int count = 0;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

std::wstring EnvVar(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::wstring();
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length);
    return value;
}
