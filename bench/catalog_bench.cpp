// Figure 1: reading a 4 MiB catalogue of about 10,000 entries (UTF-8
// decoding, JSON, the catalogue step) against nlohmann::json parsing the same
// bytes into its own document.
#include <windows.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "catalog/catalog_model.h"
#include "catalog/json.h"
#include "catalog/utf8.h"

namespace {

std::string MakeCatalogue(size_t limit) {
    static const char* kCategories[] = {"Audio", "Bureautique", "Réseau", "Système", "Graphisme", "Développement"};
    std::string s =
        "{\n  \"downloadEndpoint\": \"https://www.kest-outils.example/outils/telechargement.php\",\n"
        "  \"iconBaseUrl\": \"https://www.kest-outils.example/outils/icons/\",\n  \"apps\": [\n";
    char sha[65];
    for (size_t i = 0;; ++i) {
        for (int k = 0; k < 64; ++k) sha[k] = "0123456789ABCDEF"[(i * 2654435761u + k * 40503u) % 16];
        sha[64] = 0;
        char entry[1024];
        int n =
            std::snprintf(entry, sizeof(entry),
                          "    {\"id\": \"Outil_%05zu\", \"version\": \"%zu.%zu.%zu\", \"category\": \"%s\", "
                          "\"lot\": \"Lot %zu\", \"description\": \"Outil numéro %zu : une description assez "
                          "longue pour ressembler à un vrai catalogue, avec des accents éàüç et des \\\"guillemets\\\" "
                          "échappés.\", \"sha256\": \"%s\", \"hidden\": %s}",
                          i, i % 7, i % 13, i % 100, kCategories[i % 6], i % 9, i, sha, i % 10 == 0 ? "true" : "false");
        if (s.size() + static_cast<size_t>(n) + 16 > limit) break;
        if (i > 0) s += ",\n";
        s.append(entry, static_cast<size_t>(n));
    }
    s += "\n  ]\n}\n";
    return s;
}

// Where our time goes, step by step (medians of 9 runs).
void PrintBreakdown(const std::string& bytes) {
    std::vector<double> decode, parse, build, release;
    size_t sink = 0;
    for (int i = 0; i < 9; ++i) {
        double t0 = NowMs();
        std::wstring text = Utf8ToWide(bytes);
        double t1 = NowMs();
        auto document = std::make_unique<JsonValue>(ParseJson(text));
        double t2 = NowMs();
        CatalogLoadResult result;
        BuildCatalog(std::move(*document), false, L"", result);
        double t3 = NowMs();
        document.reset();
        result.apps.clear();
        double t4 = NowMs();
        decode.push_back(t1 - t0);
        parse.push_back(t2 - t1);
        build.push_back(t3 - t2);
        release.push_back(t4 - t3);
        sink += text.size();
    }
    {
        const std::string one = MakeCatalogue(2000);
        std::vector<double> small;
        for (int i = 0; i < 9; ++i) {
            JsonValue doc = ParseJson(Utf8ToWide(one));
            CatalogLoadResult r;
            double t0 = NowMs();
            BuildCatalog(std::move(doc), false, L"", r);
            small.push_back(NowMs() - t0);
        }
        std::printf("one-entry catalogue step %.2f ms\n", Median(small));
    }
    std::printf("catalogue steps: UTF-16 %.2f ms, JSON %.2f ms, catalogue %.2f ms, freeing %.2f ms (%zu)\n",
                Median(decode), Median(parse), Median(build), Median(release), sink % 10);
}

}  // namespace

int main() {
    const std::string bytes = MakeCatalogue(0x400000);
    size_t entries = 0;
    {
        CatalogLoadResult check;
        BuildCatalog(ParseJson(Utf8ToWide(bytes)), false, L"", check);
        entries = check.apps.size();
    }
    std::printf("catalogue: %zu bytes, %zu entries\n", bytes.size(), entries);

    size_t sink = 0;
    auto ours = [&] {
        CatalogLoadResult result;
        BuildCatalog(ParseJson(Utf8ToWide(bytes)), false, L"", result);
        sink += result.apps.size();
    };
    auto theirs = [&] {
        nlohmann::json document = nlohmann::json::parse(bytes);
        sink += document["apps"].size();
    };
    auto [oursMs, theirsMs] = MedianPair(9, ours, theirs);
    PrintBreakdown(bytes);
    PrintFigure("catalogue", oursMs, theirsMs, "ms", 1.0, "Utf8ToWide+ParseJson+BuildCatalog vs nlohmann::json::parse");
    return sink == 0 ? 1 : 0;
}
