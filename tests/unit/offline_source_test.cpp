#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/offline_source.h"
#include "tests/support/test_support.h"

namespace {

// The test drives: E: removable, F: fixed, G: network, H: CD-ROM.
void RemoveDriveFolders() {
    for (const wchar_t* path : {L"E:\\OrkvaneOffline", L"E:\\catalog.json", L"E:\\vide", L"F:\\OrkvaneOffline",
                                L"G:\\OrkvaneOffline", L"H:\\OrkvaneOffline"})
        RemoveTree(path);
}

void PutCatalog(const std::wstring& folder) {
    CreateFolderPath(folder);
    WriteFileBytes(JoinPath(folder, L"catalog.json"), "{}");
}

class DriveFolders {
public:
    DriveFolders() { RemoveDriveFolders(); }
    ~DriveFolders() { RemoveDriveFolders(); }
    DriveFolders(const DriveFolders&) = delete;
    DriveFolders& operator=(const DriveFolders&) = delete;
};

// The outcome of ValidateOfflineRoot as one text: the folder, or the message.
std::wstring Outcome(const std::wstring& path) {
    std::wstring root;
    std::string error = ErrorOf([&] { root = ValidateOfflineRoot(path); });
    return error == "<no error>" ? root : W(error);
}

TEST(OfflineRoot, AcceptsLocalDrivesHoldingACatalogue) {
    DriveFolders cleanup;
    for (const wchar_t* folder :
         {L"E:\\OrkvaneOffline", L"F:\\OrkvaneOffline", L"G:\\OrkvaneOffline", L"H:\\OrkvaneOffline"})
        PutCatalog(folder);
    CreateFolderPath(L"E:\\vide");

    struct Case {
        std::wstring chosen;
        std::wstring outcome;
    };
    const Case cases[] = {
        {L"E:\\", L"E:\\OrkvaneOffline"},
        {L"E:", L"E:\\OrkvaneOffline"},
        {L"E:\\OrkvaneOffline", L"E:\\OrkvaneOffline"},
        {L"e:\\orkvaneoffline", L"e:\\orkvaneoffline"},
        {L"E:\\OrkvaneOffline\\", L"E:\\OrkvaneOffline\\"},
        {L"E:/OrkvaneOffline", L"E:\\OrkvaneOffline"},
        {L"E:\\vide\\..\\OrkvaneOffline", L"E:\\OrkvaneOffline"},
        {L"F:\\", L"F:\\OrkvaneOffline"},
        {L"F:\\OrkvaneOffline", L"F:\\OrkvaneOffline"},
        {L"E:\\vide", W(msg::kOfflineNoCatalog)},
        {L"E:\\absent", W(msg::kOfflineNoCatalog)},
        {L"G:\\OrkvaneOffline", W(msg::kOfflineDriveUnavailable)},
        {L"G:\\", W(msg::kOfflineDriveUnavailable)},
        {L"H:\\OrkvaneOffline", W(msg::kOfflineDriveUnavailable)},
        {L"Q:\\OrkvaneOffline", W(msg::kOfflineDriveUnavailable)},  // no such drive
        {L"\\\\server\\share\\OrkvaneOffline", W(msg::kOfflineNotDriveLetter)},
        {L"\\\\?\\E:\\OrkvaneOffline", W(msg::kOfflineNotDriveLetter)},
        {L"", W(msg::kOfflineNoPath)},
        {L"E:\\" + std::wstring(40000, L'a'), W(msg::kOfflinePathInvalid)},
    };
    for (const Case& c : cases) EXPECT_EQ(Outcome(c.chosen), c.outcome) << L"chosen: " << c.chosen.substr(0, 60);
}

TEST(OfflineRoot, PrefersTheChosenFolderOverItsOrkvaneOfflineSubfolder) {
    DriveFolders cleanup;
    PutCatalog(L"E:\\OrkvaneOffline");
    WriteFileBytes(L"E:\\catalog.json", "{}");
    EXPECT_EQ(Outcome(L"E:\\"), L"E:\\");
}

TEST(OfflineRoot, CatalogueThatIsAFolderCountsAsMissing) {
    DriveFolders cleanup;
    CreateFolderPath(L"E:\\OrkvaneOffline\\catalog.json");
    EXPECT_EQ(Outcome(L"E:\\OrkvaneOffline"), W(msg::kOfflineNoCatalog));
    EXPECT_EQ(Outcome(L"E:\\"), W(msg::kOfflineNoCatalog));
}

TEST(OfflineRoot, RelativePathIsMadeFullFromTheCurrentFolder) {
    DriveFolders cleanup;
    PutCatalog(L"E:\\OrkvaneOffline");
    std::wstring previous = GetFullPath(L".");
    ASSERT_TRUE(SetCurrentDirectoryW(L"E:\\"));
    EXPECT_EQ(Outcome(L"OrkvaneOffline"), L"E:\\OrkvaneOffline");
    EXPECT_EQ(Outcome(L"."), L"E:\\OrkvaneOffline");
    ASSERT_TRUE(SetCurrentDirectoryW(L"E:\\OrkvaneOffline"));
    EXPECT_EQ(Outcome(L"."), L"E:\\OrkvaneOffline");
    EXPECT_EQ(Outcome(L".."), L"E:\\OrkvaneOffline");
    SetCurrentDirectoryW(previous.c_str());
}

// Bytes that differ from one position to the next, so that a misplaced chunk shows.
std::string PatternBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919 + i / 65536) & 0xFF);
    return bytes;
}

// The file can be opened exclusively, so nothing still holds it.
bool NoHandleLeftOn(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

TEST(OfflineFile, ReadsWholeFilesUpToTheLimit) {
    DriveFolders cleanup;
    CreateFolderPath(L"E:\\OrkvaneOffline");
    const std::wstring path = L"E:\\OrkvaneOffline\\catalog.json";
    struct Case {
        size_t size;
        unsigned long long limit;
        bool accepted;
    };
    const Case cases[] = {
        {kCatalogSizeLimit, kCatalogSizeLimit, true},
        {kCatalogSizeLimit + 1, kCatalogSizeLimit, false},
        {kIconSizeLimit, kIconSizeLimit, true},
        {kIconSizeLimit + 1, kIconSizeLimit, false},
        {65536, kCatalogSizeLimit, true},
        {65537, kCatalogSizeLimit, true},
        {3 * 65536 - 1, kCatalogSizeLimit, true},
        {1, kCatalogSizeLimit, true},
        {0, kCatalogSizeLimit, true},
        {0, 0, true},
        {1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << ", limit " << c.limit);
        const std::string bytes = PatternBytes(c.size);
        WriteFileBytes(path, bytes);
        std::string read;
        std::string error = ErrorOf([&] { read = ReadOfflineFile(path, c.limit); });
        if (c.accepted) {
            EXPECT_EQ(error, "<no error>");
            EXPECT_EQ(read.size(), bytes.size());
            EXPECT_TRUE(read == bytes);
        } else {
            EXPECT_EQ(error, msg::kOfflineFileTooLarge);
        }
        EXPECT_TRUE(NoHandleLeftOn(path));
    }
}

TEST(OfflineFile, MissingBusyOrFolderIsInaccessible) {
    DriveFolders cleanup;
    CreateFolderPath(L"E:\\OrkvaneOffline\\icons");
    const std::wstring busy = L"E:\\OrkvaneOffline\\catalog.json";
    WriteFileBytes(busy, "{}");

    EXPECT_EQ(ErrorOf([] { ReadOfflineFile(L"E:\\OrkvaneOffline\\absent.json", kCatalogSizeLimit); }),
              msg::kOfflineFileInaccessible);
    EXPECT_EQ(ErrorOf([] { ReadOfflineFile(L"E:\\OrkvaneOffline\\icons", kIconSizeLimit); }),
              msg::kOfflineFileInaccessible);
    EXPECT_EQ(ErrorOf([] { ReadOfflineFile(L"Q:\\OrkvaneOffline\\catalog.json", kCatalogSizeLimit); }),
              msg::kOfflineFileInaccessible);
    {
        // Another program writing the file: our read-only share mode refuses it.
        UniqueHandle writer(CreateFileW(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_EQ(ErrorOf([&] { ReadOfflineFile(busy, kCatalogSizeLimit); }), msg::kOfflineFileInaccessible);
    }
    // Another reader that lets others read does not stand in the way.
    UniqueHandle reader(CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(ReadOfflineFile(busy, kCatalogSizeLimit), "{}");
}

// A key pulled out mid-read shows as a file that ends before the size it
// announced. Linux's sysfs files behave exactly so (they announce 4,096 bytes
// and hold a few dozen), and Wine shows them under Z:.
TEST(OfflineFile, FileEndingBeforeItsSizeIsAnInterruptedRead) {
    // S: is the test prefix's drive for /sys (Z:\sys is a mount point, which
    // Wine reports as a reparse point, and offline reads refuse those).
    const wchar_t* candidates[] = {L"S:\\kernel\\mm\\transparent_hugepage\\enabled", L"S:\\power\\state",
                                   L"S:\\kernel\\profiling"};
    const wchar_t* shortFile = nullptr;
    for (const wchar_t* candidate : candidates) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(candidate, GetFileExInfoStandard, &data) || data.nFileSizeLow == 0) continue;
        std::string content;
        try {
            content = ReadFileBytes(candidate);
        } catch (const std::exception&) {
            continue;
        }
        if (content.size() < data.nFileSizeLow) {
            shortFile = candidate;
            break;
        }
    }
    if (shortFile == nullptr) GTEST_SKIP() << "no file here announces more bytes than it holds";
    EXPECT_EQ(ErrorOf([&] { ReadOfflineFile(shortFile, kCatalogSizeLimit); }), msg::kOfflineReadInterrupted);
}

}  // namespace
