#include "base/file_security.h"

#include <aclapi.h>

#include <memory>

#include "base/handles.h"

namespace {

// Rights that change what the object holds or who may touch it. Generic rights
// are counted as well: an entry that has not been mapped still grants them.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                     WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return IsWellKnownSid(sid, type) != FALSE; }

bool IsTrusted(PSID sid, PSID user) {
    if (sid == nullptr || !IsValidSid(sid)) return false;
    if (user != nullptr && EqualSid(sid, user)) return true;
    // OWNER RIGHTS stands for the owner, who is checked on its own.
    return IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid) ||
           IsWellKnown(sid, WinCreatorOwnerRightsSid);
}

}  // namespace

std::vector<BYTE> CurrentUserSid() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (!IsValidSid(sid)) return {};
    const BYTE* first = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(first, first + GetLengthSid(sid));
}

bool DescriptorLetsOthersWrite(PSECURITY_DESCRIPTOR descriptor, PSID user) {
    if (descriptor == nullptr || !IsValidSecurityDescriptor(descriptor)) return true;

    // The owner may always rewrite the DACL.
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) || !IsTrusted(owner, user)) return true;

    BOOL present = FALSE;
    PACL dacl = nullptr;
    BOOL daclDefaulted = FALSE;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted)) return true;
    if (!present || dacl == nullptr) return true;  // no DACL: everyone has every right

    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry)) return true;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        // Entries kept only for children to inherit grant nothing here.
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
        // Deny entries are not weighed: an allow entry for others is enough to refuse.
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE ||
            header->AceType == SYSTEM_AUDIT_ACE_TYPE || header->AceType == SYSTEM_ALARM_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return true;  // an allow entry of a kind not read here: assume the worst
        const ACCESS_ALLOWED_ACE* allow = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if ((allow->Mask & kWriteRights) == 0) continue;
        PSID sid = const_cast<DWORD*>(&allow->SidStart);
        if (!IsTrusted(sid, user)) return true;
    }
    return false;
}

bool OthersCanWrite(const std::wstring& path) {
    std::vector<BYTE> user = CurrentUserSid();
    if (user.empty()) return true;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD status = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                         OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                         nullptr, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) return true;
    std::unique_ptr<void, LocalFreeDeleter> owner(descriptor);
    return DescriptorLetsOthersWrite(descriptor, user.data());
}
