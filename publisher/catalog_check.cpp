#include "publisher/catalog_check.h"

#include <windows.h>

#include <cwctype>
#include <map>

#include "base/constants.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "base/text_fold.h"
#include "catalog/catalog_model.h"
#include "catalog/icon_load.h"
#include "catalog/json.h"
#include "catalog/offline_source.h"
#include "catalog/reparse_points.h"
#include "catalog/rollout.h"
#include "catalog/utf8.h"
#include "operations/tool_request.h"
#include "operations/tool_request_check.h"
#include "publisher/console.h"

namespace {

std::wstring Text(const char* utf8) { return Utf8ToWide(utf8); }

std::wstring Quoted(const std::wstring& s) { return L"« " + s + L" »"; }

class Checker {
public:
    Checker(CatalogCheck& check, bool offline) : check_(check), offline_(offline) {}

    void Problem(size_t entry, const std::wstring& id, const std::wstring& text) {
        check_.problems.push_back({entry, id, text});
    }
    // Install-time rules seen in the document; used only when the program's
    // own catalogue step refuses the catalogue (otherwise its entries are
    // checked with the install code's own checks).
    std::vector<CheckProblem> installProblems;
    std::vector<size_t> objectPositions;
    void Note(size_t entry, const std::wstring& id, const std::wstring& text) {
        check_.notes.push_back({entry, id, text});
    }

    void Document(const JsonValue& doc) {
        std::wstring endpoint = GetStringMember(doc, L"downloadEndpoint");
        if (!offline_ && endpoint.rfind(L"https://", 0) != 0) Problem(0, L"", Text(msg::kEndpointInvalid));

        const JsonValue* apps = FindMember(doc, L"apps");
        if (apps == nullptr || apps->kind != JsonKind::Array || apps->items.empty()) {
            Problem(0, L"", Text(msg::kNoApps));
            return;
        }
        check_.elementCount = apps->items.size();
        size_t objects = 0;
        for (size_t i = 0; i < apps->items.size(); ++i) {
            const JsonValue& item = apps->items[i];
            if (item.kind != JsonKind::Object) {
                Problem(i + 1, L"", L"élément ignoré par le programme : ce n’est pas un objet JSON");
                continue;
            }
            ++objects;
            objectPositions.push_back(i + 1);
            Entry(i + 1, item);
        }
        if (objects == 0) Problem(0, L"", Text(msg::kNoValidApps));
    }

private:
    void Entry(size_t position, const JsonValue& item) {
        std::wstring id = GetStringMember(item, L"id");
        std::wstring sha = GetStringMember(item, L"sha256");

        std::wstring missing;
        for (const wchar_t* key : {L"id", L"version", L"category", L"description"}) {
            if (GetStringMember(item, key).empty()) missing += (missing.empty() ? L"" : L", ") + Quoted(key);
        }
        if (sha.size() < 12) missing += (missing.empty() ? L"" : L", ") + Quoted(L"sha256");
        if (!missing.empty())
            Problem(position, id, Text(msg::kEntryIncomplete) + L" (absent, vide ou trop court : " + missing + L")");

        const JsonValue* hidden = FindMember(item, L"hidden");
        if (hidden != nullptr && hidden->kind != JsonKind::Bool)
            Problem(position, id, L"« hidden » n’est pas true ou false : le programme le lit comme false");

        Withdrawn(position, id, sha, item);

        const JsonValue* rollout = FindMember(item, L"rollout");
        if (rollout != nullptr && !IsValidRollout(*rollout))
            Problem(position, id,
                    L"« rollout » n’est pas un nombre entier de 1 à 100 : le programme le lit comme 100 (tous les "
                    L"postes)");
        else if (rollout != nullptr && RolloutOf(rollout) < kFullRollout)
            Note(position, id,
                 L"déploiement progressif : la mise à jour est proposée à " + std::to_wstring(RolloutOf(rollout)) +
                     L" % des postes ; une première installation reçoit toujours ce fichier");

        bool validId = !id.empty() && IsValidAppId(id);
        if (!id.empty() && !validId) {
            if (offline_)
                Problem(position, id, Text(msg::kOfflineIdInvalid));
            else
                installProblems.push_back({position, id, Text(msg::kAppFileNameInvalid)});
        }
        if (sha.size() >= 12 && !IsSha256Text(sha))
            installProblems.push_back({position, id, Text(msg::kShaMissingOrInvalid)});

        if (!id.empty()) {
            auto [it, inserted] = seen_.emplace(FoldedCopy(id), position);
            if (!inserted)
                Problem(position, id,
                        L"identifiant déjà utilisé par l’entrée " + std::to_wstring(it->second) +
                            L" : les deux outils partageraient le même fichier");
            if (IsOwnAppId(id)) {
                if (ownEntry_ != 0)
                    Problem(position, id,
                            L"seconde entrée du programme lui-même (la première est l’entrée " +
                                std::to_wstring(ownEntry_) + L") : seule la dernière compte");
                else
                    Note(position, id, L"entrée du programme lui-même : pas de carte, elle sert à sa mise à jour");
                ownEntry_ = position;
            }
        }
        if (missing.empty() && validId) check_.entries.push_back({position, id, sha});
    }

    // The program ignores what is not a digest; a publisher means each one.
    void Withdrawn(size_t position, const std::wstring& id, const std::wstring& sha, const JsonValue& item) {
        const JsonValue* withdrawn = FindMember(item, L"withdrawn");
        if (withdrawn == nullptr) return;
        if (withdrawn->kind != JsonKind::Array) {
            Problem(position, id, L"« withdrawn » n’est pas un tableau : le programme l’ignore");
            return;
        }
        for (size_t i = 0; i < withdrawn->items.size(); ++i) {
            const JsonValue& digest = withdrawn->items[i];
            const std::wstring which = L"« withdrawn », élément " + std::to_wstring(i + 1);
            if (digest.kind != JsonKind::String || !IsSha256Text(digest.text)) {
                Problem(position, id, which + L" : 64 chiffres hexadécimaux attendus ; le programme l’ignore");
            } else if (_wcsicmp(digest.text.c_str(), sha.c_str()) == 0) {
                Problem(position, id,
                        Text(msg::kVersionWithdrawn) + L" (" + which + L" est le « sha256 » de l’entrée)");
            }
        }
    }

    CatalogCheck& check_;
    bool offline_;
    std::map<std::wstring, size_t> seen_;
    size_t ownEntry_ = 0;
};

bool AlreadyReported(const CatalogCheck& check, const std::wstring& message) {
    for (const CheckProblem& p : check.problems)
        if (p.text.rfind(message, 0) == 0) return true;
    return false;
}

// The same problem of the same entry, said already with more detail.
bool AlreadyReportedFor(const CatalogCheck& check, const CheckProblem& problem) {
    for (const CheckProblem& p : check.problems)
        if (p.entry == problem.entry && p.text.rfind(problem.text, 0) == 0) return true;
    return false;
}

}  // namespace

CatalogCheck CheckCatalogBytes(const std::string& bytes, bool offline, const std::wstring& offlineRoot) {
    CatalogCheck check;
    Checker checker(check, offline);
    JsonValue doc;
    try {
        doc = ParseJson(Utf8ToWide(bytes));
    } catch (const AppError& e) {
        checker.Problem(0, L"", Utf8ToWide(e.what()));
        return check;
    }
    checker.Document(doc);

    // The program's own catalogue step has the last word, so that this tool
    // can never accept what the program refuses; and each entry it yields
    // goes through the very checks made before an install.
    CatalogLoadResult result;
    try {
        BuildCatalog(doc, offline, offlineRoot, result);
        check.loads = true;
    } catch (const AppError& e) {
        std::wstring message = Utf8ToWide(e.what());
        if (!AlreadyReported(check, message)) checker.Problem(0, L"", message);
    }
    if (!check.loads) {
        for (const CheckProblem& p : checker.installProblems) check.problems.push_back(p);
        return check;
    }
    for (size_t i = 0; i < result.apps.size() && i < checker.objectPositions.size(); ++i) {
        try {
            CheckToolRequest(MakeToolRequest(result.apps[i]));
        } catch (const AppError& e) {
            const CheckProblem problem{checker.objectPositions[i], result.apps[i].id, Utf8ToWide(e.what())};
            if (!AlreadyReportedFor(check, problem)) check.problems.push_back(problem);
        }
    }
    return check;
}

void CheckOfflineFiles(const std::wstring& root, CatalogCheck& check) {
    for (const CheckedEntry& entry : check.entries) {
        CatalogApp app;
        app.id = entry.id;
        std::wstring exe = OfflineToolPath(root, L"outils", app, L".exe");
        std::wstring exeName = L"outils\\" + entry.id + L".exe";
        // The program copies no tool that lies behind a link; neither does
        // this check read one.
        if (CrossesReparsePoint(exe)) {
            check.problems.push_back({entry.position, entry.id,
                                      Text(msg::kUsbCopyFailed) + L" (" + exeName +
                                          L" passe par un lien symbolique ou une jonction, qu’Orkvane ne suit pas)"});
        } else if (!FileExists(exe)) {
            check.problems.push_back(
                {entry.position, entry.id, Text(msg::kUsbCopyFailed) + L" (" + exeName + L" absent)"});
        } else if (IsSha256Text(entry.sha256)) {
            try {
                std::wstring digest = ComputeFileSha256(exe, [&](unsigned long long done, long long expected) {
                    PrintProgress(L"Contrôle de " + exeName, done, expected);
                });
                EndProgress();
                if (_wcsicmp(digest.c_str(), entry.sha256.c_str()) != 0)
                    check.problems.push_back(
                        {entry.position, entry.id, Text(msg::kShaMismatch) + L" (" + exeName + L" : " + digest + L")"});
            } catch (const AppError& e) {
                check.problems.push_back({entry.position, entry.id, Utf8ToWide(e.what()) + L" (" + exeName + L")"});
            }
        }

        std::wstring icon = OfflineToolPath(root, L"icons", app, L".png");
        std::wstring iconName = L"icons\\" + entry.id + L".png";
        if (!FileExists(icon)) {
            check.problems.push_back(
                {entry.position, entry.id, iconName + L" absent : la carte montrera l’icône du programme"});
            continue;
        }
        try {
            std::string bytes = ReadOfflineFile(icon, kIconSizeLimit);
            if (!DecodeIconBytes(bytes))
                check.problems.push_back(
                    {entry.position, entry.id,
                     iconName + L" illisible : ce n’est pas une image que le programme sait lire"});
        } catch (const AppError& e) {
            check.problems.push_back({entry.position, entry.id, Utf8ToWide(e.what()) + L" (" + iconName + L")"});
        }
    }
}

std::wstring FormatProblem(const std::wstring& source, const CheckProblem& problem) {
    std::wstring where = source;
    if (problem.entry != 0) {
        where += L", entrée " + std::to_wstring(problem.entry);
        if (!problem.id.empty()) where += L" (" + Quoted(problem.id) + L")";
    }
    return where + L" : " + problem.text;
}
