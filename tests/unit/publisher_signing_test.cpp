// The publisher's signing commands, run for real under Wine, from a new key
// pair to a signed USB key that the program loads as a signed build.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/catalog_load.h"
#include "catalog/catalog_signature.h"
#include "publisher/catalog_signing.h"
#include "tests/support/process_support.h"
#include "tests/support/test_support.h"

namespace {

const char kPng[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x02\x00\x00\x00\x02\x08\x06\x00"
    "\x00\x00\x72\xb6\x0d\x24\x00\x00\x00\x11\x49\x44\x41\x54\x78\x9c\x63\x10\xaf\xbd\xf3\x1f\x84\x19\x60\x0c\x00"
    "\x51\x80\x09\xbd\x91\x17\x84\x5d\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";

ProcessOutcome RunTool(const std::wstring& arguments) {
    return RunAndCapture(L"\"" + WindowsPathFromLinux(ORKVANE_CATALOG_TOOL_PATH) + L"\" " + arguments);
}

std::wstring Q(const std::wstring& path) { return L"\"" + path + L"\""; }

bool Has(const std::string& output, const std::string& text) { return output.find(text) != std::string::npos; }

// "expires" as a publisher writes it, `days` from now (UTC).
std::string ExpiresIn(int days) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{};
    time.LowPart = now.dwLowDateTime;
    time.HighPart = now.dwHighDateTime;
    time.QuadPart += static_cast<unsigned long long>(days) * 864000000000ULL;
    const FILETIME then{time.LowPart, time.HighPart};
    SYSTEMTIME day{};
    FileTimeToSystemTime(&then, &day);
    char text[32] = {};
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT00:00:00Z", day.wYear, day.wMonth, day.wDay);
    return text;
}

// The catalogue's members after its opening brace, without "serial" and "expires".
std::string CatalogBodyFor(const std::wstring& exe, const std::string& version) {
    return R"("downloadEndpoint": "https://dl.example/get", "apps": [{"id": "Alpha", "version": ")" + version +
           R"(", "category": "Outils", "description": "Un outil", "sha256": ")" + WideToUtf8(ComputeFileSha256(exe)) +
           R"("}]})";
}

std::string CatalogFor(const std::wstring& exe, const std::string& version) {
    return R"({"serial": 1, "expires": ")" + ExpiresIn(90) + R"(", )" + CatalogBodyFor(exe, version);
}

}  // namespace

TEST(PublisherSigning, KeyPairToSignedUsbKeyThatTheProgramLoads) {
    ScratchFolder work(L"signing");
    const std::wstring privateKey = work / L"editeur.prive";
    const std::wstring publicKey = work / L"editeur.public";
    const std::wstring catalog = work / L"catalog.json";
    WriteFileBytes(work / L"Alpha.exe", "outil Alpha");
    WriteFileBytes(work / L"Alpha.png", std::string(kPng, sizeof(kPng) - 1));
    WriteFileBytes(catalog, CatalogFor(work / L"Alpha.exe", "1.0"));

    ProcessOutcome out = RunTool(L"keygen " + Q(privateKey) + L" " + Q(publicKey));
    ASSERT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_TRUE(Has(out.output, "reste sur la machine de l’éditeur")) << out.output;
    EXPECT_EQ(ReadFileBytes(privateKey).size(), 193u);
    const std::string publicText = ReadFileBytes(publicKey);
    ASSERT_EQ(publicText.size(), 129u);
    EXPECT_TRUE(ParseHexValue(publicText).has_value());
    EXPECT_EQ(publicText.substr(0, 128), ReadFileBytes(privateKey).substr(0, 128));

    // A key is never replaced.
    const std::string privateBefore = ReadFileBytes(privateKey);
    out = RunTool(L"keygen " + Q(privateKey) + L" " + Q(work / L"autre.public"));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_EQ(ReadFileBytes(privateKey), privateBefore);
    EXPECT_FALSE(FileExists(work / L"autre.public"));

    // Not signed yet: check and pack both say so.
    out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(publicKey));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_TRUE(Has(out.output, msg::kCatalogSignatureInvalid)) << out.output;

    out = RunTool(L"sign " + Q(catalog) + L" --key " + Q(privateKey));
    ASSERT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_TRUE(Has(out.output, "Signature écrite et vérifiée")) << out.output;
    const std::string signature = ReadFileBytes(catalog + L".sig");
    EXPECT_EQ(signature.size(), 129u);
    EXPECT_NO_THROW(VerifyCatalogSignature(ReadFileBytes(catalog), signature, {publicText}));

    out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(publicKey));
    EXPECT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_TRUE(Has(out.output, "signature vérifiée")) << out.output;

    const std::wstring dest = L"E:\\SignedPack\\OrkvaneOffline";
    RemoveTree(L"E:\\SignedPack");
    out = RunTool(L"pack " + Q(catalog) + L" " + Q(work.path()) + L" " + Q(dest) + L" --public-key " + Q(publicKey));
    ASSERT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_EQ(ReadFileBytes(dest + L"\\catalog.json.sig"), signature);

    CatalogLoadJob job;
    job.offline = true;
    job.offlineRoot = L"E:\\SignedPack";
    job.signingKeys = {std::string(WithoutLineBreak(publicText))};
    std::unique_ptr<CatalogLoadResult> loaded = LoadCatalog(job);
    ASSERT_TRUE(loaded->ok) << WideToUtf8(loaded->error);
    EXPECT_TRUE(loaded->signatureVerified);
    ASSERT_EQ(loaded->apps.size(), 1u);
    EXPECT_EQ(loaded->apps[0].id, L"Alpha");
    RemoveTree(L"E:\\SignedPack");

    // Changed after signing: check reports it among the problems, pack refuses.
    WriteFileBytes(catalog, CatalogFor(work / L"Alpha.exe", "1.1"));
    out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(publicKey));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_TRUE(Has(out.output, msg::kCatalogSignatureInvalid)) << out.output;
    EXPECT_TRUE(Has(out.output, "1 problème")) << out.output;
    out = RunTool(L"pack " + Q(catalog) + L" " + Q(work.path()) + L" " + Q(dest) + L" --public-key " + Q(publicKey));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_FALSE(FileExists(dest + L"\\catalog.json"));
    // Without a key to check against, nothing about signatures is said.
    out = RunTool(L"check " + Q(catalog));
    EXPECT_EQ(out.exitCode, 0u) << out.output;

    // Another publisher's key does not verify this publisher's signature.
    ASSERT_EQ(RunTool(L"sign " + Q(catalog) + L" --key " + Q(privateKey)).exitCode, 0u);
    ASSERT_EQ(RunTool(L"keygen " + Q(work / L"autre.prive") + L" " + Q(work / L"autre.public")).exitCode, 0u);
    out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(work / L"autre.public"));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_TRUE(Has(out.output, msg::kCatalogSignatureInvalid)) << out.output;
    // A private key given where the public one belongs is refused as such.
    out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(privateKey));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    EXPECT_TRUE(Has(out.output, "clé publique illisible")) << out.output;
}

// "serial" and "expires": what check says of them for a signed build, and
// sign refusing a catalogue that a signed build would refuse for want of
// either, saying how to add "expires".
TEST(PublisherSigning, CheckAndSignSpeakOfSerialAndExpiry) {
    ScratchFolder work(L"freshness");
    const SigningKeyPair pair = GenerateSigningKeyPair();
    const std::wstring privateKey = work / L"editeur.prive";
    const std::wstring publicKey = work / L"editeur.public";
    WriteFileBytes(privateKey, pair.privateKeyText);
    WriteFileBytes(publicKey, pair.publicKeyText);
    WriteFileBytes(work / L"Alpha.exe", "outil Alpha");
    const std::string body = CatalogBodyFor(work / L"Alpha.exe", "1.0");
    const std::string inAMonth = R"("expires": ")" + ExpiresIn(30) + R"(", )";
    const std::wstring catalog = work / L"catalog.json";

    struct Case {
        const char* what;
        std::string members;  // put before the catalogue's own members
        bool okSigned;        // check --public-key passes
        bool okUnsigned;      // check without a key passes
        const char* said;     // nullptr: nothing in particular
    };
    const Case cases[] = {
        {"serial and an expiry in a month", R"("serial": 3, )" + inAMonth, true, true, nullptr},
        {"an expiry more than a year ahead", R"("serial": 3, "expires": ")" + ExpiresIn(367) + R"(", )", true, true,
         "« expires » est à plus d’un an"},
        {"serial alone", R"("serial": 3, )", false, true, "« expires » absent"},
        {"expiry alone", inAMonth, false, true, "« serial » absent ou invalide"},
        {"no serial", "", false, true, "« serial » absent ou invalide"},
        {"serial zero", R"("serial": 0, )", false, true, "« serial » absent ou invalide"},
        {"serial as text", R"("serial": "3", )", false, true, "« serial » absent ou invalide"},
        {"expiry without its Z", R"("serial": 3, "expires": "2999-01-01T00:00:00", )", false, true,
         "« expires » invalide"},
        {"expiry past", R"("serial": 3, "expires": "2001-01-01T00:00:00Z", )", false, false, "Catalogue signé expiré"},
    };
    for (const Case& c : cases) {
        const std::string bytes = "{" + c.members + body;
        WriteFileBytes(catalog, bytes);
        WriteFileBytes(catalog + L".sig", SignCatalogBytes(bytes, pair.privateKeyText));
        ProcessOutcome out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(publicKey));
        EXPECT_EQ(out.exitCode, c.okSigned ? 0u : 1u) << c.what << "\n" << out.output;
        if (c.said != nullptr) {
            EXPECT_TRUE(Has(out.output, c.said)) << c.what << "\n" << out.output;
        }
        out = RunTool(L"check " + Q(catalog));
        EXPECT_EQ(out.exitCode, c.okUnsigned ? 0u : 1u) << c.what << "\n" << out.output;

        DeleteFileW((catalog + L".sig").c_str());
        out = RunTool(L"sign " + Q(catalog) + L" --key " + Q(privateKey));
        // What a signed build loads, and only that, is signed.
        const bool signable = c.okSigned;
        EXPECT_EQ(out.exitCode, signable ? 0u : 1u) << c.what << "\n" << out.output;
        EXPECT_EQ(FileExists(catalog + L".sig"), signable) << c.what;
        if (!signable) {
            EXPECT_TRUE(Has(out.output, "rien n’a été signé")) << c.what << "\n" << out.output;
        }
    }

    // Without "expires", sign says what to add, and what it proposes signs.
    const std::string serialAlone = R"({"serial": 3, )" + body;
    WriteFileBytes(catalog, serialAlone);
    ProcessOutcome out = RunTool(L"sign " + Q(catalog) + L" --key " + Q(privateKey));
    EXPECT_EQ(out.exitCode, 1u) << out.output;
    const std::string member = R"("expires": ")";
    const size_t at = out.output.find(member);
    ASSERT_NE(at, std::string::npos) << out.output;
    const std::string proposed = out.output.substr(at, member.size() + 22);
    // Some months ahead (read back on either side of midnight).
    EXPECT_TRUE(proposed == member + ExpiresIn(180) + R"(",)" || proposed == member + ExpiresIn(179) + R"(",)")
        << proposed;
    WriteFileBytes(catalog, R"({"serial": 3, )" + proposed + " " + body);
    out = RunTool(L"sign " + Q(catalog) + L" --key " + Q(privateKey));
    EXPECT_EQ(out.exitCode, 0u) << out.output;
    out = RunTool(L"check " + Q(catalog) + L" --public-key " + Q(publicKey));
    EXPECT_EQ(out.exitCode, 0u) << out.output;
    EXPECT_FALSE(Has(out.output, "plus d’un an")) << out.output;
}
