// The version written in CMakeLists.txt reaches the constant the footer
// shows, the manifest and the version block alike.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

#include "base/constants.h"

namespace {

// A resource of this test program, which is built with the program's.
std::string_view ResourceBytes(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(nullptr, name, type);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (loaded == nullptr) return {};
    return {static_cast<const char*>(LockResource(loaded)), SizeofResource(nullptr, found)};
}

size_t Occurrences(std::string_view text, std::string_view part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(VersionResources, ManifestAndVersionBlockCarryTheProgramVersion) {
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::swscanf(kVersionText, L"%u.%u.%u", &major, &minor, &patch), 3) << kVersionText;
    const std::wstring quad = std::wstring(kVersionText) + L".0";

    const std::string_view manifest = ResourceBytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    const std::string narrowQuad(quad.begin(), quad.end());
    EXPECT_EQ(Occurrences(manifest, "name=\"Tramweld.Orkvane\" version=\"" + narrowQuad + "\""), 1u) << manifest;

    const std::string_view block = ResourceBytes(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    const size_t fixedAt = block.find(std::string_view("\xBD\x04\xEF\xFE", 4));  // VS_FIXEDFILEINFO's signature
    ASSERT_NE(fixedAt, std::string_view::npos);
    ASSERT_LE(fixedAt + sizeof(VS_FIXEDFILEINFO), block.size());
    VS_FIXEDFILEINFO fixed{};
    std::memcpy(&fixed, block.data() + fixedAt, sizeof(fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, static_cast<DWORD>(MAKELONG(minor, major)));
    EXPECT_EQ(fixed.dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, patch)));
    EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
    EXPECT_EQ(fixed.dwProductVersionLS, fixed.dwFileVersionLS);
    // "FileVersion" and "ProductVersion", as UTF-16 text.
    const std::string_view wideQuad(reinterpret_cast<const char*>(quad.c_str()), (quad.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(Occurrences(block, wideQuad), 2u);
}
