#include "publisher/signing_commands.h"

#include <windows.h>

#include "base/constants.h"
#include "base/error.h"
#include "base/paths.h"
#include "catalog/catalog_signature.h"
#include "catalog/offline_source.h"
#include "catalog/utf8.h"
#include "publisher/catalog_signing.h"
#include "publisher/console.h"
#include "publisher/file_tree.h"
#include "publisher/freshness_check.h"
#include "publisher/private_key_file.h"

int MakeKeyPair(const std::wstring& privatePath, const std::wstring& publicPath) {
    for (const std::wstring& path : {privatePath, publicPath}) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            PrintErr(path + L" : existe déjà ; une clé n’est jamais remplacée, rien n’a été écrit");
            return 1;
        }
    }
    try {
        SigningKeyPair pair = GenerateSigningKeyPair();
        WritePrivateKeyFile(privatePath, pair.privateKeyText);
        try {
            WriteWholeFile(publicPath, pair.publicKeyText);
        } catch (const AppError&) {
            DeleteFileW(privatePath.c_str());
            throw;
        }
        PrintOut(L"Clé privée : " + privatePath);
        PrintOut(
            L"  Elle reste sur la machine de l’éditeur : ne la publiez jamais, ne la copiez ni sur le "
            L"site ni sur une clé USB. Quiconque la détient peut signer un catalogue que les Orkvane "
            L"construits avec la clé publique accepteront.");
        PrintOut(L"Clé publique : " + publicPath);
        PrintOut(L"  Construisez Orkvane avec -DORKVANE_CATALOG_KEYS=" + GetFullPath(publicPath) +
                 L" (ou ses 128 chiffres : " + Utf8ToWide(std::string(WithoutLineBreak(pair.publicKeyText))) + L").");
        return 0;
    } catch (const AppError& e) {
        PrintErr(Utf8ToWide(e.what()));
        PrintErr(L"Aucune clé n’a été créée.");
        return 1;
    }
}

int SignCatalog(const std::wstring& catalogPath, const std::wstring& privateKeyPath) {
    const std::wstring signaturePath = catalogPath + kSignatureSuffix;
    std::wstring reading = privateKeyPath;
    try {
        std::string privateKey = ReadOfflineFile(privateKeyPath, kKeyFileSizeLimit);
        reading = catalogPath;
        std::string catalogBytes = ReadOfflineFile(catalogPath, kCatalogSizeLimit);
        reading.clear();
        // A signed build refuses a catalogue without a serial or a valid expiry:
        // do not sign one.
        if (std::wstring why = WhyNotSignable(catalogBytes); !why.empty()) {
            SecureZeroMemory(privateKey.data(), privateKey.size());
            PrintErr(catalogPath + L" : " + why + L" ; rien n’a été signé");
            return 1;
        }
        std::string signature = SignCatalogBytes(catalogBytes, privateKey);
        std::optional<std::string> publicKey = PublicKeyOfPrivateKey(privateKey);
        SecureZeroMemory(privateKey.data(), privateKey.size());

        // Written beside, then put in place: an old signature is replaced whole.
        const std::wstring work = signaturePath + L".orkvane-tmp-" + std::to_wstring(GetCurrentProcessId());
        DeleteFileW(work.c_str());
        WriteWholeFile(work, signature);
        if (!MoveFileExW(work.c_str(), signaturePath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            DeleteFileW(work.c_str());
            PrintErr(signaturePath + L" : écriture impossible");
            return 1;
        }

        // What is on disk now is what will be published: check that.
        try {
            VerifySignatureBeside(catalogPath, ReadOfflineFile(catalogPath, kCatalogSizeLimit), publicKey.value_or(""));
        } catch (const AppError& e) {
            DeleteFileW(signaturePath.c_str());
            PrintErr(signaturePath + L" : " + Utf8ToWide(e.what()) + L" à la relecture ; la signature a été retirée");
            return 1;
        }
        PrintOut(L"Signature écrite et vérifiée : " + signaturePath);
        PrintOut(
            L"  Publiez-la à côté du catalogue (même adresse suivie de .sig), ou construisez la clé USB avec "
            L"pack --public-key. Tout changement du catalogue demande une nouvelle signature.");
        return 0;
    } catch (const AppError& e) {
        PrintErr((reading.empty() ? catalogPath : reading) + L" : " + Utf8ToWide(e.what()));
        return 1;
    }
}
