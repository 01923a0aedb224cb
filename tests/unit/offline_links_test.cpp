#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

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

}  // namespace
