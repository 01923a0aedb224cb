#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/handles.h"
#include "base/messages.h"
#include "base/paths.h"
#include "catalog/offline_source.h"
#include "operations/tool_install.h"
#include "operations/tool_request.h"
#include "tests/support/folder_link.h"
#include "tests/support/operation_test_support.h"
#include "tests/support/test_support.h"

namespace {

// Links on the key (E:, removable) must never be followed: one could lead to
// a network share. Real folders beside them prove the files themselves are fine.
constexpr wchar_t kKey[] = L"E:\\liens";

TEST(OfflineLinks, AnOfflineFolderThatIsALinkHoldsNoCatalogue) {
    ScratchFolder key = ScratchFolder::At(kKey);
    CreateFolderPath(key / L"vrai");
    WriteFileBytes(key / L"vrai\\catalog.json", "{}");
    FolderLink link(key / L"OrkvaneOffline", L"vrai");
    ASSERT_TRUE(link.made());

    EXPECT_EQ(ErrorOf([&] { ValidateOfflineRoot(key.path()); }), msg::kOfflineNoCatalog);
    EXPECT_EQ(ErrorOf([&] { ValidateOfflineRoot(key / L"OrkvaneOffline"); }), msg::kOfflineNoCatalog);
    EXPECT_EQ(ErrorOf([&] { ReadOfflineFile(key / L"OrkvaneOffline\\catalog.json", 100); }),
              msg::kOfflineFileInaccessible);

    EXPECT_EQ(ValidateOfflineRoot(key / L"vrai"), key / L"vrai");
    EXPECT_EQ(ReadOfflineFile(key / L"vrai\\catalog.json", 100), "{}");
}

TEST(OfflineLinks, IconsAndToolsBehindALinkAreRefused) {
    ScratchFolder key = ScratchFolder::At(kKey);
    const std::wstring root = key / L"OrkvaneOffline";
    CreateFolderPath(JoinPath(root, L"autres_icons"));
    CreateFolderPath(JoinPath(root, L"autres_outils"));
    WriteFileBytes(JoinPath(root, L"catalog.json"), "{}");
    WriteFileBytes(JoinPath(root, L"autres_icons\\h6lien.png"), "png");
    const std::string tool = TraceToolBytes();
    WriteFileBytes(JoinPath(root, L"autres_outils\\h6lien.exe"), tool);
    FolderLink icons(JoinPath(root, L"icons"), L"autres_icons");
    FolderLink tools(JoinPath(root, L"outils"), L"autres_outils");
    ASSERT_TRUE(icons.made());
    ASSERT_TRUE(tools.made());

    // The catalogue itself is a real file in a real folder.
    EXPECT_EQ(ValidateOfflineRoot(key.path()), root);
    EXPECT_EQ(ReadOfflineFile(JoinPath(root, L"catalog.json"), 100), "{}");

    EXPECT_EQ(ErrorOf([&] { ReadOfflineFile(JoinPath(root, L"icons\\h6lien.png"), 100); }),
              msg::kOfflineFileInaccessible);
    EXPECT_EQ(ReadOfflineFile(JoinPath(root, L"autres_icons\\h6lien.png"), 100), "png");

    CatalogApp app = MakeToolEntry(L"h6lien", Sha256Of(tool), root);
    ScratchFolder folder(L"usblink");
    EXPECT_EQ(ErrorOf([&] { FetchToolExecutable(MakeToolRequest(app), folder.path()); }), msg::kUsbCopyFailed);
    EXPECT_EQ(FilesMatching(folder.path(), L"*"), std::vector<std::wstring>{});
}

// The attributes of a file as opened, which the readers check once it is
// open: a folder shows as one, a plain file as neither folder nor link.
// (Wine shows no link opened itself as a reparse point, so only the check
// before opening refuses links there.)
TEST(OfflineLinks, OpenFileAttributesTellAFolderFromAPlainFile) {
    ScratchFolder key = ScratchFolder::At(kKey);
    CreateFolderPath(key / L"dossier");
    WriteFileBytes(key / L"catalog.json", "{}");
    const auto open = [](const std::wstring& path) {
        return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    const UniqueHandle folder = open(key / L"dossier");
    const UniqueHandle file = open(key / L"catalog.json");
    ASSERT_TRUE(folder && file);
    EXPECT_NE(OpenFileAttributes(folder.get()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    const DWORD plain = OpenFileAttributes(file.get());
    EXPECT_NE(plain, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(plain & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY), 0u);
    EXPECT_EQ(OpenFileAttributes(INVALID_HANDLE_VALUE), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
