// orkvane-catalog: the publisher's companion of Orkvane. It checks a
// catalogue exactly as the program will read it, builds USB keys, and prints
// SHA-256 digests in the catalogue's form.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "app/constants.h"
#include "app/error.h"
#include "app/sha256.h"
#include "catalog/offline_source.h"
#include "catalog/utf8.h"
#include "publisher/catalog_check.h"
#include "publisher/console.h"
#include "publisher/offline_pack.h"

namespace {

constexpr wchar_t kUsage[] =
    L"Utilisation :\n"
    L"  orkvane-catalog check CATALOGUE [--offline DOSSIER]\n"
    L"      contrôle le catalogue comme Orkvane le lira (en ligne, ou depuis le dossier\n"
    L"      OrkvaneOffline DOSSIER avec ses outils et ses icônes)\n"
    L"  orkvane-catalog pack CATALOGUE SOURCE DESTINATION\n"
    L"      construit un dossier OrkvaneOffline complet dans DESTINATION à partir du\n"
    L"      catalogue et du dossier SOURCE qui contient <id>.exe et <id>.png\n"
    L"  orkvane-catalog hash FICHIER...\n"
    L"      affiche le SHA-256 de chaque fichier, tel que le catalogue l’attend";

// GDI+ for the icon checks.
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

int Check(const std::wstring& catalogPath, const std::wstring& offlineArg) {
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
    if (offline) {
        GdiplusSession gdiplus;
        CheckOfflineFiles(root, check);
    }
    for (const CheckProblem& note : check.notes) PrintOut(FormatProblem(catalogPath, note));
    for (const CheckProblem& problem : check.problems) PrintOut(FormatProblem(catalogPath, problem));

    std::wstring source = offline ? L"hors ligne (" + root + L")" : L"en ligne";
    if (check.problems.empty()) {
        PrintOut(L"Catalogue valide " + source + L" : " + std::to_wstring(check.entries.size()) + L" applications.");
        return 0;
    }
    PrintOut(L"Bilan " + source + L" : " + std::to_wstring(check.elementCount) + L" entrées, " +
             std::to_wstring(check.problems.size()) +
             (check.problems.size() == 1 ? L" problème." : L" problèmes."));
    return 1;
}

int Hash(const std::vector<std::wstring>& files) {
    int status = 0;
    for (const std::wstring& file : files) {
        try {
            std::wstring digest = ComputeFileSha256(file, [&](unsigned long long done, unsigned long long total) {
                PrintProgress(L"Hachage de " + file, done, total);
            });
            PrintOut(digest + L"  " + file);
        } catch (const AppError& e) {
            PrintErr(file + L" : " + Utf8ToWide(e.what()));
            status = 1;
        }
    }
    return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    const std::wstring command = args.empty() ? L"" : args[0];
    if (command == L"check" && args.size() == 2) return Check(args[1], L"");
    if (command == L"check" && args.size() == 4 && args[2] == L"--offline") return Check(args[1], args[3]);
    if (command == L"pack" && args.size() == 4) {
        GdiplusSession gdiplus;
        return PackOfflineFolder(args[1], args[2], args[3]);
    }
    if (command == L"hash" && args.size() >= 2) return Hash(std::vector<std::wstring>(args.begin() + 1, args.end()));
    PrintErr(kUsage);
    return 1;
}
