// orkvane-catalog: the publisher's companion of Orkvane. It checks a
// catalogue exactly as the program will read it, builds USB keys, and prints
// SHA-256 digests in the catalogue's form.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/constants.h"
#include "base/error.h"
#include "base/gdiplus_session.h"
#include "base/sha256.h"
#include "catalog/offline_source.h"
#include "catalog/utf8.h"
#include "publisher/catalog_check.h"
#include "publisher/catalog_signing.h"
#include "publisher/console.h"
#include "publisher/freshness_check.h"
#include "publisher/offline_pack.h"
#include "publisher/signing_commands.h"

namespace {

constexpr wchar_t kUsage[] =
    L"Utilisation :\n"
    L"  orkvane-catalog check CATALOGUE [--offline DOSSIER] [--public-key PUBLIQUE]\n"
    L"      contrôle le catalogue comme Orkvane le lira (en ligne, ou depuis le dossier\n"
    L"      OrkvaneOffline DOSSIER avec ses outils et ses icônes), et sa signature\n"
    L"      CATALOGUE.sig avec la clé publique PUBLIQUE\n"
    L"  orkvane-catalog pack CATALOGUE SOURCE DESTINATION [--public-key PUBLIQUE]\n"
    L"      construit un dossier OrkvaneOffline complet dans DESTINATION à partir du\n"
    L"      catalogue et du dossier SOURCE qui contient <id>.exe et <id>.png ; avec\n"
    L"      PUBLIQUE, y copie aussi la signature vérifiée CATALOGUE.sig\n"
    L"  orkvane-catalog keygen PRIVÉE PUBLIQUE\n"
    L"      crée une paire de clés de signature (la clé privée reste chez l’éditeur)\n"
    L"  orkvane-catalog sign CATALOGUE --key PRIVÉE\n"
    L"      signe le catalogue : écrit CATALOGUE.sig et le vérifie\n"
    L"  orkvane-catalog hash FICHIER...\n"
    L"      affiche le SHA-256 de chaque fichier, tel que le catalogue l’attend";

int Check(const std::wstring& catalogPath, const std::wstring& offlineArg, const std::wstring& publicKeyPath) {
    std::optional<std::string> publicKey;
    if (!publicKeyPath.empty() && !(publicKey = ReadPublicKeyFile(publicKeyPath))) return 1;
    const bool offline = !offlineArg.empty();
    std::wstring root;
    std::string bytes;
    try {
        if (offline) root = ValidateOfflineRoot(offlineArg);
        bytes = ReadOfflineFile(catalogPath, kCatalogSizeLimit);
    } catch (const AppError& e) {
        PrintErr((offline && root.empty() ? offlineArg : catalogPath) + L" : " + Utf8ToWide(e.what()));
        return 1;
    }

    CatalogCheck check = CheckCatalogBytes(bytes, offline, root);
    if (publicKey) CheckSignatureBeside(catalogPath, bytes, *publicKey, check);
    CheckCatalogFreshnessMembers(bytes, publicKey.has_value(), check);
    if (offline) {
        GdiplusSession gdiplus;
        CheckOfflineFiles(root, check);
    }
    for (const CheckProblem& note : check.notes) PrintOut(FormatProblem(catalogPath, note));
    for (const CheckProblem& problem : check.problems) PrintOut(FormatProblem(catalogPath, problem));

    std::wstring source = offline ? L"hors ligne (" + root + L")" : L"en ligne";
    if (check.problems.empty()) {
        PrintOut(L"Catalogue valide " + source + L" : " + std::to_wstring(check.entries.size()) + L" applications" +
                 (publicKey ? L", signature vérifiée." : L"."));
        return 0;
    }
    PrintOut(L"Bilan " + source + L" : " + std::to_wstring(check.elementCount) + L" entrées, " +
             std::to_wstring(check.problems.size()) + (check.problems.size() == 1 ? L" problème." : L" problèmes."));
    return 1;
}

int Hash(const std::vector<std::wstring>& files) {
    int status = 0;
    for (const std::wstring& file : files) {
        try {
            std::wstring digest = ComputeFileSha256(file, [&](unsigned long long done, long long expected) {
                PrintProgress(L"Hachage de " + file, done, expected);
            });
            PrintOut(digest + L"  " + file);
        } catch (const AppError& e) {
            PrintErr(file + L" : " + Utf8ToWide(e.what()));
            status = 1;
        }
    }
    return status;
}

// Options after the fixed arguments: each known name once, with its value.
bool ReadOptions(const std::vector<std::wstring>& args, size_t first, std::map<std::wstring, std::wstring>& options) {
    for (size_t i = first; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || !options.count(args[i]) || !options[args[i]].empty() || args[i + 1].empty())
            return false;
        options[args[i]] = args[i + 1];
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The delay-loaded system DLLs come from System32 only, as in the program.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    const std::wstring command = args.empty() ? L"" : args[0];
    std::map<std::wstring, std::wstring> checkOptions{{L"--offline", L""}, {L"--public-key", L""}};
    if (command == L"check" && args.size() >= 2 && ReadOptions(args, 2, checkOptions))
        return Check(args[1], checkOptions[L"--offline"], checkOptions[L"--public-key"]);
    std::map<std::wstring, std::wstring> packOptions{{L"--public-key", L""}};
    if (command == L"pack" && args.size() >= 4 && ReadOptions(args, 4, packOptions)) {
        GdiplusSession gdiplus;
        return PackOfflineFolder(args[1], args[2], args[3], packOptions[L"--public-key"]);
    }
    if (command == L"keygen" && args.size() == 3) return MakeKeyPair(args[1], args[2]);
    std::map<std::wstring, std::wstring> signOptions{{L"--key", L""}};
    if (command == L"sign" && args.size() == 4 && ReadOptions(args, 2, signOptions))
        return SignCatalog(args[1], signOptions[L"--key"]);
    if (command == L"hash" && args.size() >= 2) return Hash(std::vector<std::wstring>(args.begin() + 1, args.end()));
    PrintErr(kUsage);
    return 1;
}
