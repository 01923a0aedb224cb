// Adds a DER certificate to the local machine's trusted root store. Run under
// Wine in the throwaway test prefix so that WinHTTP accepts the loopback test
// server's certificate. Usage: trust_ca <file.der>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

#include "base/handles.h"

namespace {

struct CertStoreTraits {
    using Type = HCERTSTORE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { CertCloseStore(h, 0); }
};

bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>& bytes) {
    UniqueHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > 65536) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trust_ca <certificate.der>\n");
        return 2;
    }
    std::vector<BYTE> der;
    if (!ReadWholeFile(argv[1], der)) {
        std::fprintf(stderr, "trust_ca: cannot read the certificate (%lu)\n", GetLastError());
        return 1;
    }
    Unique<CertStoreTraits> store(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
    if (!store) {
        std::fprintf(stderr, "trust_ca: cannot open the root store (%lu)\n", GetLastError());
        return 1;
    }
    if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "trust_ca: cannot add the certificate (%lu)\n", GetLastError());
        return 1;
    }
    return 0;
}
