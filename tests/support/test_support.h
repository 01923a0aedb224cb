// Helpers for the test programs: scratch folders, files, texts.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "catalog/utf8.h"

// A fresh folder under the temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& hint = L"t");
    // A folder at a given place (for example on a test drive letter).
    static ScratchFolder At(const std::wstring& path);
    ~ScratchFolder();
    ScratchFolder(ScratchFolder&&) noexcept;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const;

private:
    struct Adopt {};
    explicit ScratchFolder(Adopt) {}
    std::wstring path_;
};

void WriteFileBytes(const std::wstring& path, std::string_view bytes);
std::string ReadFileBytes(const std::wstring& path);
void RemoveTree(const std::wstring& path);
int CountFilesIn(const std::wstring& folder);
// Reproducible bytes that differ by seed (and from the server's pattern).
std::string SeededBytes(size_t size, unsigned seed);

// UTF-8 literal to UTF-16, for readable French expectations.
inline std::wstring W(std::string_view utf8) { return Utf8ToWide(utf8); }

// Runs fn and returns the UTF-8 message of the AppError it throws, or
// "<no error>" when it returns normally.
template <typename Fn>
std::string ErrorOf(Fn&& fn);

// Environment variable, empty when unset.
std::wstring EnvVar(const wchar_t* name);

#include "tests/support/test_support_inl.h"
