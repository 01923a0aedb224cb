#include "tests/support/file_access.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

void GrantEveryoneFullControl(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                    nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS))
        << "reading the DACL of " << testing::PrintToString(path);
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(everyone);
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize));
    EXPLICIT_ACCESS_W access{};
    access.grfAccessPermissions = FILE_ALL_ACCESS;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyone);
    PACL widened = nullptr;
    DWORD status = SetEntriesInAclW(1, &access, dacl, &widened);
    LocalFree(descriptor);
    ASSERT_EQ(status, static_cast<DWORD>(ERROR_SUCCESS));
    status = SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                   nullptr, nullptr, widened, nullptr);
    LocalFree(widened);
    ASSERT_EQ(status, static_cast<DWORD>(ERROR_SUCCESS)) << "widening the DACL of " << testing::PrintToString(path);
}
