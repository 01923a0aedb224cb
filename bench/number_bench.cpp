// Figure: reading a 4 MiB catalogue whose bulk is numbers against the same
// catalogue with strings in their place (UTF-8 decoding, JSON, the catalogue
// step). Numbers must cost about what strings do, however many there are.
#include <cstdio>
#include <string>

#include "bench/bench_timing.h"
#include "catalog/catalog_model.h"
#include "catalog/json.h"

namespace {

constexpr size_t kDocumentBytes = 0x400000;

// A valid catalogue of one tool, padded to `limit` bytes with an array of
// `value(i)` items.
template <typename Value>
std::string MakeDocument(size_t limit, Value value) {
    std::string s =
        "{\"downloadEndpoint\": \"https://dl.example/get\", \"apps\": [{\"id\": \"Outil\", "
        "\"version\": \"1.0\", \"category\": \"Mesures\", \"description\": \"Un outil.\", "
        "\"sha256\": \"2D711642B726B04401627CA9FBAC32F5C8530FB1903CC4DB02258717921A4881\"}],\n"
        "\"mesures\": [";
    const std::string end = "]}\n";
    for (size_t i = 0;; ++i) {
        std::string item = i > 0 ? "," : "";
        item.append(value(i));
        if (s.size() + item.size() + end.size() > limit) break;
        s += item;
    }
    return s + end;
}

// Numbers of the shapes catalogues hold: integers, decimals, exponents.
std::string Number(size_t i) {
    std::string number;
    switch (i % 4) {
    case 0: number.append(std::to_string(i)); break;
    case 1: number.append(std::to_string(i)).append(".25"); break;
    case 2: number.append("-").append(std::to_string(i % 1000)).append(".5e-3"); break;
    default: number.append(std::to_string(i * 7919 % 100000)).append("E+2"); break;
    }
    return number;
}

// Strings as long as the numbers they stand for.
std::string Text(size_t i) {
    const size_t length = Number(i).size();
    std::string text(length > 2 ? length : 3, 'n');
    text.front() = '"';
    text.back() = '"';
    return text;
}

}  // namespace

int main() {
    const std::string numbers = MakeDocument(kDocumentBytes, Number);
    const std::string strings = MakeDocument(kDocumentBytes, Text);
    std::printf("numbers: %zu bytes, strings: %zu bytes\n", numbers.size(), strings.size());

    size_t sink = 0;
    auto read = [&sink](const std::string& bytes) {
        CatalogLoadResult result;
        BuildCatalog(ParseJson(std::string_view(bytes)), false, L"", result);
        sink += result.apps.size();
    };
    const PairedRuns runs = TimePairs(
        9, [&] { read(numbers); }, [&] { read(strings); });
    PrintFigure("numbers", runs, "ms", 2.0, "4 MiB of numbers vs 4 MiB of strings, whole catalogue read");
    return sink == 0 ? 1 : 0;
}
