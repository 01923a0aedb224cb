#include "publisher/offline_pack.h"

#include <windows.h>

#include <optional>
#include <string>

#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "catalog/catalog_signature.h"
#include "catalog/icon_load.h"
#include "catalog/offline_source.h"
#include "catalog/utf8.h"
#include "publisher/catalog_check.h"
#include "publisher/catalog_signing.h"
#include "publisher/console.h"
#include "publisher/file_tree.h"

namespace {

// Thrown to abandon the pack with a line for the user.
struct PackError {
    std::wstring text;
};

std::wstring HashWithProgress(const std::wstring& path, const std::wstring& label) {
    std::wstring digest = ComputeFileSha256(path, [&](unsigned long long done, long long expected) {
        PrintProgress(label, done, expected);
    });
    EndProgress();
    return digest;
}

void CopyVerified(const std::wstring& from, const std::wstring& to, const std::wstring& sha256,
                  const std::wstring& shown) {
    if (!FileExists(from)) throw PackError{shown + L" : fichier introuvable dans le dossier source"};
    try {
        if (_wcsicmp(HashWithProgress(from, L"Contrôle de " + shown).c_str(), sha256.c_str()) != 0)
            throw PackError{shown + L" : " + Utf8ToWide(msg::kShaMismatch)};
        if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) throw PackError{shown + L" : copie impossible"};
        // The copy is checked too: a file that changed or vanished midway
        // must not reach the key.
        if (_wcsicmp(HashWithProgress(to, L"Vérification de " + shown).c_str(), sha256.c_str()) != 0)
            throw PackError{shown + L" : la copie ne correspond pas au SHA-256 du catalogue"};
    } catch (const AppError& e) {
        throw PackError{shown + L" : " + Utf8ToWide(e.what())};
    }
}

void CopyIcon(const std::wstring& from, const std::wstring& to, const std::wstring& shown) {
    if (!FileExists(from)) {
        PrintErr(L"Attention : " + shown + L" absent : la carte montrera l’icône du programme");
        return;
    }
    try {
        if (!DecodeIconBytes(ReadOfflineFile(from, kIconSizeLimit)))
            throw PackError{shown + L" : ce n’est pas une image que le programme sait lire"};
    } catch (const AppError& e) {
        throw PackError{shown + L" : " + Utf8ToWide(e.what())};
    }
    if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) throw PackError{shown + L" : copie impossible"};
}

void BuildInto(const std::wstring& work, const std::wstring& catalogPath, const std::string& catalogBytes,
               const std::wstring& sourceFolder, const CatalogCheck& check) {
    CreateFolderPath(JoinPath(work, L"outils"));
    CreateFolderPath(JoinPath(work, L"icons"));
    for (const CheckedEntry& entry : check.entries) {
        CopyVerified(JoinPath(sourceFolder, entry.id + L".exe"), JoinPath(work, L"outils\\" + entry.id + L".exe"),
                     entry.sha256, entry.id + L".exe");
        CopyIcon(JoinPath(sourceFolder, entry.id + L".png"), JoinPath(work, L"icons\\" + entry.id + L".png"),
                 entry.id + L".png");
    }
    WriteWholeFile(JoinPath(work, L"catalog.json"), catalogBytes);
    (void)catalogPath;
}

// The signature to copy onto the key, verified against the catalogue's bytes;
// nothing when it does not verify (and says why).
std::optional<std::string> VerifiedSignature(const std::wstring& catalogPath, const std::string& catalogBytes,
                                             const std::wstring& publicKeyPath) {
    std::optional<std::string> publicKey = ReadPublicKeyFile(publicKeyPath);
    if (!publicKey) return std::nullopt;
    try {
        return VerifySignatureBeside(catalogPath, catalogBytes, *publicKey);
    } catch (const AppError& e) {
        PrintErr(catalogPath + kSignatureSuffix + L" : " + Utf8ToWide(e.what()));
        PrintErr(L"Signez d’abord le catalogue tel qu’il est (orkvane-catalog sign) ; rien n’a été écrit.");
        return std::nullopt;
    }
}

}  // namespace

int PackOfflineFolder(const std::wstring& catalogPath, const std::wstring& sourceFolder, const std::wstring& destArg,
                      const std::wstring& publicKeyPath) {
    const std::wstring dest = GetFullPath(destArg);
    if (IsNonEmptyFolderOrFile(dest)) {
        PrintErr(dest + L" : la destination existe et n’est pas vide ; rien n’a été écrit");
        return 1;
    }
    if (!IsFolder(sourceFolder)) {
        PrintErr(sourceFolder + L" : dossier source introuvable ou illisible");
        return 1;
    }

    std::string bytes;
    try {
        bytes = ReadOfflineFile(catalogPath, kCatalogSizeLimit);
    } catch (const AppError& e) {
        PrintErr(catalogPath + L" : " + Utf8ToWide(e.what()));
        return 1;
    }
    CatalogCheck check = CheckCatalogBytes(bytes, true, ParentFolder(dest));
    if (!check.problems.empty()) {
        for (const CheckProblem& p : check.problems) PrintErr(FormatProblem(catalogPath, p));
        PrintErr(L"Le catalogue doit d’abord être corrigé ; rien n’a été écrit.");
        return 1;
    }
    std::optional<std::string> signature;
    if (!publicKeyPath.empty() && !(signature = VerifiedSignature(catalogPath, bytes, publicKeyPath))) return 1;

    // Built beside DEST and renamed into place only once everything is verified.
    // A folder already there under that name is not ours to delete.
    const std::wstring work = dest + L".orkvane-tmp-" + std::to_wstring(GetCurrentProcessId());
    try {
        CreateFolderPath(ParentFolder(work));
    } catch (const AppError& e) {
        PrintErr(Utf8ToWide(e.what()));
        PrintErr(L"Rien n’a été écrit dans " + dest + L".");
        return 1;
    }
    if (!CreateDirectoryW(work.c_str(), nullptr)) {
        PrintErr(work + L" : le dossier de travail existe déjà ou ne peut pas être créé ; il n’a pas été touché.");
        PrintErr(L"Rien n’a été écrit dans " + dest + L".");
        return 1;
    }
    try {
        BuildInto(work, catalogPath, bytes, sourceFolder, check);
        if (signature) WriteWholeFile(JoinPath(work, kSignatureFileName), *signature);
        if (IsFolder(dest)) RemoveDirectoryW(dest.c_str());
        if (!MoveFileExW(work.c_str(), dest.c_str(), 0))
            throw PackError{dest + L" : impossible de mettre le dossier en place"};
    } catch (const PackError& e) {
        RemoveTreeIfPresent(work);
        PrintErr(e.text);
        PrintErr(L"Rien n’a été écrit dans " + dest + L".");
        return 1;
    } catch (const AppError& e) {
        RemoveTreeIfPresent(work);
        PrintErr(Utf8ToWide(e.what()));
        PrintErr(L"Rien n’a été écrit dans " + dest + L".");
        return 1;
    }
    PrintOut(L"Dossier hors ligne prêt : " + dest + L" (" + std::to_wstring(check.entries.size()) + L" applications).");
    return 0;
}
