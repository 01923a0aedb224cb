// Feeds mutated catalogues to the catalogue reader (UTF-8 decoding, JSON,
// the catalogue step online and offline) and checks that every input ends in
// success or one of the documented messages: never a crash, a hang or any
// other exception.
//
//   catalog_fuzz CORPUS_DIR [--count N] [--seconds S] [--seed X] [--save DIR]
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/error.h"
#include "base/messages.h"
#include "catalog/catalog_document.h"
#include "catalog/catalog_model.h"
#include "catalog/json.h"
#include "catalog/utf8.h"

namespace {

const std::set<std::string> kDocumented = {
    msg::kUtf8Invalid,     msg::kJsonInvalid,      msg::kEndpointInvalid, msg::kNoApps,
    msg::kEntryIncomplete, msg::kOfflineIdInvalid, msg::kNoValidApps,
};

std::vector<std::string> LoadCorpus(const std::wstring& folder) {
    std::vector<std::string> corpus;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"\\*.json").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return corpus;
    do {
        std::wstring path = folder + L"\\" + data.cFileName;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        std::string bytes;
        char buffer[65536];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
        CloseHandle(file);
        corpus.push_back(std::move(bytes));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return corpus;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : rng_(seed) {}

    std::string Mutate(const std::vector<std::string>& corpus) {
        std::string input = Pick(corpus);
        int rounds = 1 + static_cast<int>(Below(4));
        for (int i = 0; i < rounds; ++i) Apply(input, corpus);
        return input;
    }

private:
    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    const std::string& Pick(const std::vector<std::string>& corpus) { return corpus[Below(corpus.size())]; }

    void Insert(std::string& s, const std::string& piece) {
        size_t at = Below(s.size() + 1);
        std::string out;
        out.reserve(s.size() + piece.size());
        out.append(s, 0, at);
        out.append(piece);
        out.append(s, at, std::string::npos);
        s = std::move(out);
    }

    void Apply(std::string& s, const std::vector<std::string>& corpus) {
        switch (Below(14)) {
        case 0:  // bit flips
            for (size_t n = 1 + Below(8); n > 0 && !s.empty(); --n)
                s[Below(s.size())] ^= static_cast<char>(1 << Below(8));
            break;
        case 1:  // truncation
            s.resize(Below(s.size() + 1));
            break;
        case 2: {  // splice of two catalogues
            const std::string& other = Pick(corpus);
            std::string spliced = s.substr(0, Below(s.size() + 1));
            spliced.append(other, Below(other.size() + 1), std::string::npos);
            s = std::move(spliced);
            break;
        }
        case 3: {  // a duplicated range (members, entries)
            if (s.empty()) break;
            size_t a = Below(s.size()), len = 1 + Below(std::min<size_t>(200, s.size() - a));
            const std::string piece = s.substr(a, len);
            Insert(s, piece);
            break;
        }
        case 4: {  // two ranges swapped (reordered members)
            if (s.size() < 4) break;
            size_t a = Below(s.size() / 2), b = s.size() / 2 + Below(s.size() / 2);
            size_t len = 1 + Below(std::min(b - a, s.size() - b));
            std::string swapped = s.substr(0, a);
            swapped.append(s, b, len);
            swapped.append(s, a + len, b - a - len);
            swapped.append(s, a, len);
            swapped.append(s, b + len, std::string::npos);
            s = std::move(swapped);
            break;
        }
        case 5: {  // invalid UTF-8
            static const char* kBad[] = {"\xC3\x28",     "\xA0\xA1", "\xE2\x28\xA1", "\xF0\x28\x8C\xBC",
                                         "\xED\xA0\x80", "\xC0\xAF", "\xFF",         "\xF8\x88\x80\x80\x80"};
            Insert(s, kBad[Below(8)]);
            break;
        }
        case 6: {  // surrogate and odd escapes inside strings
            static const char* kEsc[] = {"\\ud800", "\\udfff", "\\ud83d\\ude00", "\\u0000", "\\uD800\\u0041",
                                         "\\u00e9", "\\",      "\\u12",          "\\x"};
            Insert(s, kEsc[Below(9)]);
            break;
        }
        case 7: {  // deep nesting
            size_t depth = 1 + Below(Below(2) ? 600 : 100000);
            std::string open(depth, Below(2) ? '[' : '{');
            if (open[0] == '{') {
                std::string nested;
                nested.reserve(depth * 6);
                for (size_t i = 0; i < depth; ++i) nested += "{\"a\":";
                open = nested;
            }
            s = Below(2) ? open + s : s.substr(0, Below(s.size() + 1)) + open;
            break;
        }
        case 8: {  // huge and odd numbers
            static const char* kNum[] = {"1e999999",
                                         "-1e999999",
                                         "-",
                                         "01",
                                         "1.",
                                         "1e",
                                         "-0",
                                         "1E+2",
                                         "123456789012345678901234567890",
                                         "0.0000000000000000000000001e-400"};
            Insert(s, kNum[Below(10)]);
            break;
        }
        case 9: {  // a very long string
            std::string longText(2 + Below(300000), 'x');
            longText.front() = '"';
            longText.back() = '"';
            Insert(s, longText);
            break;
        }
        case 10: {  // structural characters
            static const char kTok[] = "{}[],:\" \t\r\n";
            Insert(s, std::string(1, kTok[Below(sizeof(kTok) - 1)]));
            break;
        }
        case 11: {  // catalogue vocabulary in odd places
            static const char* kWords[] = {"\"id\":",
                                           "\"apps\":",
                                           "\"hidden\":\"true\"",
                                           "\"sha256\":\"0\"",
                                           "\"iconBaseUrl\":\"https://x/\"",
                                           "\"icon\":\"/i.png\"",
                                           "null",
                                           "true",
                                           "\"id\":\"Orkvane\"",
                                           "\"id\":\"..\\\\..\\\\x\"",
                                           "\xEF\xBB\xBF"};
            Insert(s, kWords[Below(11)]);
            break;
        }
        case 12: {  // a long literal, or a long run of numbers
            static const char kDigits[] = "0123456789";
            std::string numbers;
            if (Below(2)) {
                numbers = Below(2) ? "-" : "";
                for (size_t n = 1 + Below(300000); n > 0; --n) numbers += kDigits[Below(10)];
                if (Below(2)) numbers += "." + std::string(Below(200000), kDigits[Below(10)]);
                if (Below(2)) numbers += "e-" + std::to_string(Below(1000000));
            } else {
                for (size_t n = 1 + Below(20000); n > 0; --n) {
                    numbers += std::to_string(Below(1000000)) + (Below(2) ? ".5e-3," : ",");
                }
                numbers += "0";
            }
            Insert(s, numbers);
            break;
        }
        default:  // random bytes
            for (size_t n = 1 + Below(16); n > 0; --n) Insert(s, std::string(1, static_cast<char>(Below(256))));
            break;
        }
    }

    std::mt19937 rng_;
};

// A document written out whole: kinds, values, UTF-16 units and bit patterns.
void Dump(const JsonValue& value, std::string& out) {
    char number[32];
    out += static_cast<char>('0' + static_cast<int>(value.kind));
    switch (value.kind) {
    case JsonKind::Bool: out += value.boolValue ? 't' : 'f'; break;
    case JsonKind::Number:
        std::snprintf(number, sizeof(number), "%a", value.number);
        out += number;
        break;
    case JsonKind::String:
        for (wchar_t c : value.text) out += std::to_string(static_cast<unsigned>(c)) + ".";
        break;
    case JsonKind::Array:
        for (const JsonValue& item : value.items) Dump(item, out);
        break;
    case JsonKind::Object:
        for (const auto& [key, member] : value.members) {
            for (wchar_t c : key) out += std::to_string(static_cast<unsigned>(c)) + ".";
            Dump(member, out);
        }
        break;
    default: break;
    }
    out += ';';
}

template <typename Parse>
std::string Outcome(Parse&& parse) {
    try {
        std::string out = "document ";
        Dump(parse(), out);
        return out;
    } catch (const AppError& e) {
        return std::string("error ") + e.what();
    }
}

// A built catalogue written out whole, or the message it failed with.
std::string CatalogueOutcome(const std::function<void(CatalogLoadResult&)>& build) {
    CatalogLoadResult result;
    try {
        build(result);
    } catch (const AppError& e) {
        return std::string("error ") + e.what();
    }
    std::string out = std::to_string(result.selfIndex) + ";";
    auto text = [&out](const std::wstring& value) {
        for (wchar_t c : value) out += std::to_string(static_cast<unsigned>(c)) + ".";
        out += ';';
    };
    text(result.downloadEndpoint);
    for (const CatalogApp& app : result.apps) {
        for (const std::wstring* field : {&app.id, &app.name, &app.version, &app.category, &app.lot, &app.description,
                                          &app.exeName, &app.iconLocation, &app.sourceRoot, &app.sha256,
                                          &app.downloadId, &app.downloadEndpoint})
            text(*field);
        for (const std::wstring& digest : app.withdrawn) text(digest);
        out += std::to_string(app.rollout) + (app.hidden ? "h" : "") + (app.installed ? "i" : "") + "\n";
    }
    return out;
}

// Runs one input through every step; returns false on an undocumented outcome.
bool RunOne(const std::string& input, std::string& why) {
    // The program reads the bytes directly; converting the whole text first
    // must give the same document, or the same error.
    try {
        if (Outcome([&] { return ParseJson(std::string_view(input)); }) !=
            Outcome([&] { return ParseJson(Utf8ToWide(input)); })) {
            why = "reading the UTF-8 directly differs from reading its UTF-16";
            return false;
        }
    } catch (const std::exception& e) {
        why = std::string("other exception: ") + e.what();
        return false;
    }
    for (int offline = 0; offline < 2; ++offline) {
        try {
            // The load reads the document in one pass; the tree of the same
            // bytes must give the same catalogue, or the same error.
            const std::string fromTree = CatalogueOutcome([&](CatalogLoadResult& result) {
                BuildCatalog(ParseJson(Utf8ToWide(input)), offline != 0, L"E:\\OrkvaneOffline", result);
            });
            const std::string fromDocument = CatalogueOutcome([&](CatalogLoadResult& result) {
                BuildCatalog(CatalogDocument(input), offline != 0, L"E:\\OrkvaneOffline", result);
            });
            if (fromTree != fromDocument) {
                why = "the catalogue read in one pass differs from the one built from the tree";
                return false;
            }
            if (fromTree.rfind("error ", 0) == 0) throw AppError(fromTree.c_str() + 6);
        } catch (const AppError& e) {
            if (kDocumented.count(e.what()) == 0) {
                why = std::string("undocumented message: ") + e.what();
                return false;
            }
        } catch (const std::exception& e) {
            why = std::string("other exception: ") + e.what();
            return false;
        }
    }
    return true;
}

void Save(const std::wstring& folder, const std::string& input, unsigned long long index) {
    if (folder.empty()) return;
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring path = folder + L"\\finding_" + std::to_wstring(index) + L".json";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: catalog_fuzz CORPUS_DIR [--count N] [--seconds S] [--seed X] [--save DIR]\n");
        return 2;
    }
    std::wstring corpusDir = argv[1];
    unsigned long long count = 2000;
    double seconds = 0;
    unsigned seed = 20261208;
    std::wstring saveDir;
    for (int i = 2; i + 1 < argc; i += 2) {
        std::wstring flag = argv[i];
        if (flag == L"--count")
            count = std::wcstoull(argv[i + 1], nullptr, 10);
        else if (flag == L"--seconds")
            seconds = std::wcstod(argv[i + 1], nullptr);
        else if (flag == L"--seed")
            seed = static_cast<unsigned>(std::wcstoul(argv[i + 1], nullptr, 10));
        else if (flag == L"--save")
            saveDir = argv[i + 1];
    }

    std::vector<std::string> corpus = LoadCorpus(corpusDir);
    if (corpus.empty()) {
        std::fprintf(stderr, "no seed catalogues in the corpus folder\n");
        return 2;
    }

    // A hang is a failure too: a watchdog ends the run when one input stalls.
    std::atomic<unsigned long long> started{0};
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        unsigned long long last = ~0ULL;
        int stalled = 0;
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            unsigned long long now = started.load();
            stalled = (now == last) ? stalled + 1 : 0;
            last = now;
            if (stalled >= 20) {
                std::fprintf(stderr, "HANG: input %llu ran for more than 10 s\n", now);
                std::fflush(stderr);
                ExitProcess(3);
            }
        }
    });

    Mutator mutator(seed);
    const auto begin = std::chrono::steady_clock::now();
    unsigned long long runs = 0, failures = 0;
    // The seeds themselves first.
    for (const std::string& seedInput : corpus) {
        std::string why;
        ++started;
        if (!RunOne(seedInput, why)) {
            ++failures;
            std::fprintf(stderr, "seed failed: %s\n", why.c_str());
        }
        ++runs;
    }
    for (;;) {
        if (seconds > 0) {
            if (std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() >= seconds) break;
        } else if (runs >= count) {
            break;
        }
        std::string input = mutator.Mutate(corpus);
        std::string why;
        ++started;
        if (!RunOne(input, why)) {
            ++failures;
            std::fprintf(stderr, "input %llu: %s\n", runs, why.c_str());
            Save(saveDir, input, runs);
        }
        ++runs;
    }
    done = true;
    watchdog.join();
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("catalog_fuzz: %llu inputs in %.1f s, seed %u\n", runs, elapsed, seed);
    std::printf("%llu passed, %llu failed\n", runs - failures, failures);
    return failures == 0 ? 0 : 1;
}
