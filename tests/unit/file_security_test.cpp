#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "base/file_security.h"
#include "tests/support/file_access.h"
#include "tests/support/test_support.h"

namespace {

// Descriptors as Windows writes them, for a user U and another user X.
TEST(FileSecurity, OnlyTheUserSystemAndAdministratorsMayWrite) {
    const std::wstring user = L"S-1-5-21-1-2-3-1001";
    const std::wstring other = L"S-1-5-21-1-2-3-1002";
    const std::wstring mine = L"O:" + user + L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + user + L")";
    struct Case {
        const char* what;
        std::wstring sddl;
        bool othersWrite;
    };
    const Case cases[] = {
        {"user, SYSTEM and Administrators", mine, false},
        {"owned by the Administrators", L"O:BAD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + user + L")", false},
        {"everyone may read", mine + L"(A;;0x1200a9;;;WD)", false},
        {"OWNER RIGHTS entry", mine + L"(A;;FA;;;OW)", false},
        {"kept for children only", mine + L"(A;OICIIO;GA;;;BU)", false},
        {"Users may change files", mine + L"(A;;0x1301bf;;;BU)", true},
        {"authenticated users may add folders", mine + L"(A;;0x4;;;AU)", true},
        {"everyone may write", mine + L"(A;;GW;;;WD)", true},
        {"everyone may change the permissions", mine + L"(A;;WD;;;WD)", true},
        {"another user may delete", mine + L"(A;;SD;;;" + other + L")", true},
        {"another user may take ownership", mine + L"(A;;WO;;;" + other + L")", true},
        {"Users may take ownership of a folder and what it holds", mine + L"(A;OICI;0x80000;;;BU)", true},
        {"another user may read only", mine + L"(A;;FR;;;" + other + L")", false},
        {"a deny entry before the allow entry is not relied on", mine + L"(D;;FA;;;WD)(A;;FA;;;WD)", true},
        {"owned by another user", L"O:" + other + L"D:P(A;;FA;;;" + user + L")", true},
        {"no owner", L"D:P(A;;FA;;;" + user + L")", true},
    };
    PSID userSid = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(user.c_str(), &userSid));
    for (const Case& c : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            << c.what;
        EXPECT_EQ(DescriptorLetsOthersWrite(descriptor, userSid), c.othersWrite) << c.what;
        LocalFree(descriptor);
    }

    // No DACL at all lets everyone do anything (Wine's SDDL parser makes an
    // empty DACL of "NO_ACCESS_CONTROL", so the descriptor is built by hand).
    SECURITY_DESCRIPTOR open{};
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&open, userSid, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_TRUE(DescriptorLetsOthersWrite(&open, userSid));
    LocalFree(userSid);
}

// The real descriptor of files on disk: Wine answers from the Unix mode, whose
// "others" bits show as an Everyone entry.
TEST(FileSecurity, ReadsTheDescriptorOfFilesOnDisk) {
    ASSERT_FALSE(CurrentUserSid().empty());
    ScratchFolder folder;
    const std::wstring file = folder / L"catalog.json";
    WriteFileBytes(file, "{}");
    EXPECT_FALSE(OthersCanWrite(folder.path()));
    EXPECT_FALSE(OthersCanWrite(file));

    GrantEveryoneFullControl(file);
    EXPECT_TRUE(OthersCanWrite(file));
    EXPECT_FALSE(OthersCanWrite(folder.path()));
    GrantEveryoneFullControl(folder.path());
    EXPECT_TRUE(OthersCanWrite(folder.path()));

    // What cannot be read is not trusted.
    EXPECT_TRUE(OthersCanWrite(folder / L"absent.json"));
}

}  // namespace
