#include "publisher/private_key_file.h"

#include <windows.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "base/error.h"
#include "base/file_security.h"
#include "base/handles.h"
#include "base/messages.h"

namespace {

std::wstring CurrentUserSidText() {
    std::vector<BYTE> sid = CurrentUserSid();
    if (sid.empty()) Fail(msg::kFileCreateFailed);
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid.data(), &text)) Fail(msg::kFileCreateFailed);
    std::unique_ptr<wchar_t, LocalFreeDeleter> owner(text);
    return text;
}

}  // namespace

std::wstring PrivateKeyFileSddl(const std::wstring& userSid) {
    return L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;" + userSid + L")";
}

void WritePrivateKeyFile(const std::wstring& path, const std::string& bytes) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(PrivateKeyFileSddl(CurrentUserSidText()).c_str(),
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        Fail(msg::kFileCreateFailed);
    std::unique_ptr<void, LocalFreeDeleter> descriptorOwner(descriptor);
    // Given at creation, so that the key is never readable by others, even for a moment.
    SECURITY_ATTRIBUTES security{sizeof(security), descriptor, FALSE};
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Fail(msg::kFileCreateFailed);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        Fail(msg::kFileWriteFailed);
}
