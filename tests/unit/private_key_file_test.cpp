// The private key that keygen writes is the publisher's alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "base/file_security.h"
#include "publisher/private_key_file.h"
#include "tests/support/file_access.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

struct Grant {
    std::wstring sid;  // SDDL form
    ACCESS_MASK mask = 0;
    BYTE flags = 0;
};

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return L"?";
    std::wstring result = text;
    LocalFree(text);
    return result;
}

// The allow entries of a descriptor's DACL; `protectedDacl` tells whether it
// refuses what its parent hands down.
std::vector<Grant> AllowEntries(PSECURITY_DESCRIPTOR descriptor, bool& protectedDacl) {
    std::vector<Grant> grants;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    EXPECT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    protectedDacl = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    EXPECT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present && dacl != nullptr) << "no DACL: everyone may read the key";
    if (!present || dacl == nullptr) return grants;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        EXPECT_TRUE(GetAce(dacl, i, &entry));
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const ACCESS_ALLOWED_ACE* allow = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        grants.push_back({SidText(const_cast<DWORD*>(&allow->SidStart)), allow->Mask, header->AceFlags});
    }
    return grants;
}

std::wstring UserSidText() {
    std::vector<BYTE> sid = CurrentUserSid();
    return sid.empty() ? L"" : SidText(sid.data());
}

}  // namespace

// What keygen asks for: the user, SYSTEM and the Administrators, nothing
// inherited. What the file then holds: no access for anyone else (Wine keeps
// only the user's entry and the Unix mode's, and drops the protection flag).
TEST(PrivateKeyFile, OnlyThePublisherMayReadTheKey) {
    const std::wstring user = UserSidText();
    ASSERT_FALSE(user.empty());

    PSECURITY_DESCRIPTOR asked = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(PrivateKeyFileSddl(user).c_str(), SDDL_REVISION_1,
                                                                     &asked, nullptr));
    bool askedProtected = false;
    std::vector<Grant> askedGrants = AllowEntries(asked, askedProtected);
    LocalFree(asked);
    EXPECT_TRUE(askedProtected);
    std::vector<std::wstring> askedSids;
    for (const Grant& grant : askedGrants) {
        askedSids.push_back(grant.sid);
        EXPECT_EQ(grant.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE), 0) << grant.sid;
    }
    EXPECT_EQ(askedSids, (std::vector<std::wstring>{L"S-1-5-18", L"S-1-5-32-544", user}));

    // Written into a folder that every user may read and write.
    ScratchFolder work(L"keyacl");
    GrantEveryoneFullControl(work.path());
    if (HasFatalFailure()) return;
    const std::wstring privateKey = work / L"editeur.prive";
    ProcessOutcome out = RunAndCapture(L"\"" + WindowsPathFromLinux(ORKVANE_CATALOG_TOOL_PATH) + L"\" keygen \"" +
                                       privateKey + L"\" \"" + (work / L"editeur.public") + L"\"");
    ASSERT_EQ(out.exitCode, 0u) << out.output;

    PSECURITY_DESCRIPTOR onDisk = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(privateKey.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    nullptr, nullptr, &onDisk),
              static_cast<DWORD>(ERROR_SUCCESS));
    bool diskProtected = false;
    std::vector<Grant> diskGrants = AllowEntries(onDisk, diskProtected);
    LocalFree(onDisk);
    bool userMayRead = false;
    for (const Grant& grant : diskGrants) {
        if (grant.sid == user) userMayRead = (grant.mask & FILE_READ_DATA) != 0 || (grant.mask & GENERIC_ALL) != 0;
        bool trusted = grant.sid == user || grant.sid == L"S-1-5-18" || grant.sid == L"S-1-5-32-544";
        EXPECT_TRUE(trusted || grant.mask == 0) << "the key grants " << grant.mask << " to " << grant.sid;
    }
    EXPECT_TRUE(userMayRead);
    // The tool itself still reads it.
    EXPECT_EQ(ReadFileBytes(privateKey).size(), 193u);
}
