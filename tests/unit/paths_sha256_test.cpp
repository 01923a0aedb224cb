#include <gtest/gtest.h>

#include <shlobj.h>

#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "tests/support/test_support.h"

namespace {

// The bytes of the generated test files: a 2048-byte pattern repeated.
std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(((i % 2048) * 131 + 7) >> 3);
    return bytes;
}

TEST(JoinPath, JoinsWithOneBackslash) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        const wchar_t* joined;
    };
    const Case cases[] = {
        {L"C:\\dir\\", L"x", L"C:\\dir\\x"}, {L"C:\\dir", L"x", L"C:\\dir\\x"}, {L"", L"x", L"x"},
        {L"C:\\dir", L"", L"C:\\dir"},       {L"C:/dir/", L"x", L"C:/dir/\\x"},
    };
    for (const Case& c : cases) EXPECT_EQ(JoinPath(c.a, c.b), c.joined) << c.a << L" + " << c.b;
}

TEST(ParentFolder, CutsAtLastSeparator) {
    EXPECT_EQ(ParentFolder(L"C:\\a\\b.exe"), L"C:\\a");
    EXPECT_EQ(ParentFolder(L"C:/a/b"), L"C:/a");
    EXPECT_EQ(ParentFolder(L"b.exe"), L"");
    EXPECT_EQ(ParentFolder(L"C:\\"), L"C:");
}

TEST(SamePath, IgnoresCaseAndCurrentFolderParts) {
    std::wstring installed = GetInstalledExePath();
    std::wstring upper = installed;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_TRUE(SamePath(installed, upper));
    std::wstring dotted = JoinPath(JoinPath(GetInstallFolder(), L"."), kInstalledExeName);
    EXPECT_TRUE(SamePath(installed, dotted));
    EXPECT_FALSE(SamePath(installed, JoinPath(GetInstallFolder(), L"Orkvane2.exe")));
}

TEST(InstalledCopy, InstallFolderIsUnderLocalAppData) {
    std::wstring local = GetKnownFolder(FOLDERID_LocalAppData);
    EXPECT_EQ(GetInstallFolder(), local + L"\\Kest_Tools");
    EXPECT_EQ(GetAppsFolder(), local + L"\\Kest_Tools\\Apps");
    EXPECT_EQ(GetInstalledExePath(), local + L"\\Kest_Tools\\Orkvane.exe");
    // The test program runs from the build folder: not the installed copy.
    EXPECT_FALSE(IsInstalledCopy());
}

TEST(FileHelpers, FolderIsNotAFileAndFoldersCanBeMadeTwice) {
    ScratchFolder dir;
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir / L"missing.exe"));
    WriteFileBytes(dir / L"a.exe", "x");
    EXPECT_TRUE(FileExists(dir / L"a.exe"));

    std::wstring nested = dir / L"one\\two\\three";
    CreateFolderPath(nested);
    CreateFolderPath(nested);
    EXPECT_NE(GetFileAttributesW(nested.c_str()), INVALID_FILE_ATTRIBUTES);
    // A file standing where the folder should be is reported as existing too.
    EXPECT_EQ(ErrorOf([&] { CreateFolderPath(dir / L"a.exe"); }), "<no error>");
}

TEST(FileHelpers, TempFolderEndsWithBackslash) {
    std::wstring temp = GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
}

TEST(FileHelpers, NowFileTimeIsAfter2020) {
    // 2020-01-01 as a file time.
    EXPECT_GT(NowFileTime(), 132223104000000000ULL);
}

// Expected digests were computed by sha256sum over the same pattern bytes.
TEST(Sha256, MatchesSha256sumAroundTheReadBlockSize) {
    struct Case {
        size_t size;
        const wchar_t* digest;
    };
    const Case cases[] = {
        {0, L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        {1, L"6E340B9CFFB37A989CA544E6BB780A2C78901D3FB33738768511A30617AFA01D"},
        {1048576, L"4C84D9AC7C3BBDF8FF64F96E81EA93B4F7A535120A48B8EB2026EDEA04E221C6"},
        {1048577, L"B767F43C58D73484C242E2EFCEE810E1380570B2101BB44995611431B95860BB"},
        {52428800, L"1967F0FDB856DC302B9936A6DC59003DAC92AC6DAA8D65F10BB721F294E6F886"},
    };
    ScratchFolder dir;
    for (const Case& c : cases) {
        std::wstring file = dir / (std::to_wstring(c.size) + L".bin");
        WriteFileBytes(file, PatternBytes(c.size));
        EXPECT_EQ(ComputeFileSha256(file), c.digest) << c.size;
    }
}

TEST(Sha256, MatchIgnoresCaseAndEmptyExpectationReadsNothing) {
    ScratchFolder dir;
    std::wstring file = dir / L"one.bin";
    WriteFileBytes(file, PatternBytes(1));
    EXPECT_TRUE(FileMatchesSha256(file, L"6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d"));
    EXPECT_FALSE(FileMatchesSha256(file, L"E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"));
    // An empty expectation answers true without opening the (missing) file.
    EXPECT_TRUE(FileMatchesSha256(dir / L"missing.bin", L""));
    EXPECT_EQ(ErrorOf([&] { FileMatchesSha256(dir / L"missing.bin", L"AB"); }), msg::kFileReadFailed);
}

TEST(Sha256, EveryDigitOfTheDigestCounts) {
    ScratchFolder dir;
    std::wstring file = dir / L"one.bin";
    WriteFileBytes(file, PatternBytes(1));
    const std::wstring right = L"6E340B9CFFB37A989CA544E6BB780A2C78901D3FB33738768511A30617AFA01D";
    struct Case {
        const char* what;
        std::wstring expected;
        bool matches;
    };
    const Case cases[] = {
        {"the digest itself", right, true},
        {"lower case", L"6e340b9cffb37a989ca544e6bb780a2c78901d3fb33738768511a30617afa01d", true},
        {"last digit differs", right.substr(0, 63) + L"E", false},
        {"first half only", right.substr(0, 32), false},
        {"all but the last digit", right.substr(0, 63), false},
        {"one digit more", right + L"0", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileMatchesSha256(file, c.expected), c.matches) << c.what;
        EXPECT_EQ(Sha256Matches(ComputeFileSha256(file), c.expected), c.matches) << c.what;
    }
}

TEST(Sha256, LockedFileCannotBeRead) {
    ScratchFolder dir;
    std::wstring file = dir / L"locked.bin";
    WriteFileBytes(file, "locked");
    UniqueHandle lock(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_EQ(ErrorOf([&] { ComputeFileSha256(file); }), msg::kFileReadFailed);
}

}  // namespace
