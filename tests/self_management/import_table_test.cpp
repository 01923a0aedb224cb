// The built Orkvane.exe imports at load time only DLLs on Windows' KnownDLLs
// list, which the loader always takes from System32; every other system DLL
// is delay-loaded after the entry point has limited the search to System32.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <set>
#include <string>
#include <vector>

#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

// The KnownDLLs of Windows 10 and 11 (the values of the registry key
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs), less
// gdiplus: like comctl32 it is also a side-by-side assembly, and older systems
// do not list it.
const std::set<std::string> kKnownDlls = {
    "advapi32.dll", "clbcatq.dll",  "combase.dll",  "comdlg32.dll", "coml2.dll",   "difxapi.dll",  "gdi32.dll",
    "imagehlp.dll", "imm32.dll",    "kernel32.dll", "msctf.dll",    "msvcrt.dll",  "normaliz.dll", "nsi.dll",
    "ole32.dll",    "oleaut32.dll", "psapi.dll",    "rpcrt4.dll",   "sechost.dll", "setupapi.dll", "shcore.dll",
    "shell32.dll",  "shlwapi.dll",  "user32.dll",   "wldap32.dll",  "ws2_32.dll",
};

template <typename T>
T ReadAt(const std::string& image, size_t offset) {
    T value{};
    if (offset > image.size() || image.size() - offset < sizeof(T)) throw std::out_of_range("past the end of the file");
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

// The names of the DLLs in a 64-bit PE file's import directory, lower case.
std::vector<std::string> ImportedDlls(const std::string& image) {
    auto dos = ReadAt<IMAGE_DOS_HEADER>(image, 0);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE) throw std::runtime_error("not an executable");
    const size_t ntOffset = static_cast<size_t>(dos.e_lfanew);
    auto nt = ReadAt<IMAGE_NT_HEADERS64>(image, ntOffset);
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        throw std::runtime_error("not a 64-bit PE file");
    const size_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    auto toOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            auto section = ReadAt<IMAGE_SECTION_HEADER>(image, sections + i * sizeof(IMAGE_SECTION_HEADER));
            DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        throw std::runtime_error("address outside every section");
    };
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return names;
    for (size_t at = toOffset(directory.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto descriptor = ReadAt<IMAGE_IMPORT_DESCRIPTOR>(image, at);
        if (descriptor.Name == 0) break;
        size_t name = toOffset(descriptor.Name);
        size_t end = image.find('\0', name);
        if (end == std::string::npos) throw std::runtime_error("unterminated DLL name");
        std::string dll = image.substr(name, end - name);
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        names.push_back(dll);
    }
    return names;
}

TEST(ImportTable, ProgramLoadsOnlyKnownDllsAtStart) {
    std::vector<std::string> imported = ImportedDlls(ReadFileBytes(WindowsPathFromLinux(ORKVANE_EXE_PATH)));
    // The reading itself: every program imports kernel32 and user32.
    ASSERT_NE(std::find(imported.begin(), imported.end(), "kernel32.dll"), imported.end());
    ASSERT_NE(std::find(imported.begin(), imported.end(), "user32.dll"), imported.end());
    for (const std::string& dll : imported)
        EXPECT_TRUE(kKnownDlls.count(dll) != 0) << dll << " is imported at load time but is not a KnownDLL";
}

}  // namespace
