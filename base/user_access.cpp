#include "base/user_access.h"

#include <aclapi.h>

#include <memory>

#include "base/handles.h"

namespace {

constexpr SECURITY_INFORMATION kWeighedParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

// AccessCheck wants an impersonation token; this one only identifies the user.
UniqueHandle IdentificationToken() {
    UniqueHandle process;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, process.put())) return {};
    UniqueHandle token;
    if (!DuplicateToken(process.get(), SecurityIdentification, token.put())) return {};
    return token;
}

// AccessCheck refuses a descriptor without a group, which some file servers
// send; the group grants nothing, so the owner stands in for it.
bool GrantedRights(PSECURITY_DESCRIPTOR descriptor, HANDLE token, ACCESS_MASK& granted) {
    PSID owner = nullptr;
    PSID group = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || owner == nullptr) return false;
    if (!GetSecurityDescriptorGroup(descriptor, &group, &defaulted)) return false;
    SECURITY_DESCRIPTOR completed{};
    if (group == nullptr) {
        BOOL present = FALSE;
        PACL dacl = nullptr;
        if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) ||
            !InitializeSecurityDescriptor(&completed, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorOwner(&completed, owner, FALSE) ||
            !SetSecurityDescriptorGroup(&completed, owner, FALSE) ||
            !SetSecurityDescriptorDacl(&completed, present, dacl, FALSE))
            return false;
        descriptor = &completed;
    }
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof(privileges);
    BOOL allowed = FALSE;
    granted = 0;
    if (!AccessCheck(descriptor, token, MAXIMUM_ALLOWED, &mapping, &privileges, &privilegesSize, &granted, &allowed))
        return false;
    if (!allowed) granted = 0;  // nothing at all is granted
    return true;
}

}  // namespace

bool CurrentUserHoldsAny(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK rights) {
    if (descriptor == nullptr || !IsValidSecurityDescriptor(descriptor)) return true;
    UniqueHandle token = IdentificationToken();
    if (!token) return true;
    ACCESS_MASK granted = 0;
    if (!GrantedRights(descriptor, token.get(), granted)) return true;
    return (granted & rights) != 0;
}

bool CurrentUserHoldsAnyOn(const std::wstring& path, ACCESS_MASK rights) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, kWeighedParts, nullptr, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return true;
    std::unique_ptr<void, LocalFreeDeleter> owned(descriptor);
    return CurrentUserHoldsAny(descriptor, rights);
}

bool CurrentUserHoldsAnyOn(HANDLE object, ACCESS_MASK rights) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, kWeighedParts, nullptr, nullptr, nullptr, nullptr, &descriptor) !=
        ERROR_SUCCESS)
        return true;
    std::unique_ptr<void, LocalFreeDeleter> owned(descriptor);
    return CurrentUserHoldsAny(descriptor, rights);
}
