// Figures: laying out the card list of a catalogue of 48,000 entries, each in
// a category of its own (the largest the catalogue's 4 MiB allow, and the
// most groups). The first layout against sorting the 48,000 category names
// once with the list's own comparison, the floor of any grouping; the layout
// after a card is expanded against that first layout.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.h"
#include "base/text_fold.h"
#include "bench/bench_timing.h"
#include "ui/list/card_layout.h"

namespace {

constexpr size_t kEntries = 48000;
constexpr int kWidth = 1180;
// Each sample long enough for the 10 ms steps of the CPU clock.
constexpr int kLayoutsPerSample = 10;
constexpr int kExpandsPerSample = 400;

void FillCatalogue() {
    g_state.apps.clear();
    g_state.apps.reserve(kEntries);
    for (size_t i = 0; i < kEntries; ++i) {
        CatalogApp app;
        app.id = L"Outil_" + std::to_wstring(i);
        app.name = app.id;
        app.version = L"1.0";
        // Listed in the reverse of their display order.
        app.category = L"Catégorie " + std::to_wstring(kEntries - i);
        app.description = L"Un outil du catalogue";
        app.exeName = app.id + L".exe";
        g_state.apps.push_back(std::move(app));
    }
}

template <typename Work>
double CpuMsPerCall(int calls, Work&& work) {
    const double start = ThreadCpuMs();
    for (int i = 0; i < calls; ++i) work(i);
    return (ThreadCpuMs() - start) / calls;
}

}  // namespace

int main() {
    g_state.dpi = 96;
    FillCatalogue();
    std::vector<std::wstring_view> names;
    for (const CatalogApp& app : g_state.apps) names.push_back(app.category);

    size_t groups = 0;
    size_t sorted = 0;
    PairedRuns first;
    PairedRuns expand;
    for (int sample = 0; sample < 5; ++sample) {
        first.ours.push_back(CpuMsPerCall(kLayoutsPerSample, [&](int) {
            // A new catalogue: grouped and laid out from nothing.
            MarkListLayoutStale();
            groups = CurrentCardLayout(kWidth).groups.size();
        }));
        first.reference.push_back(CpuMsPerCall(kLayoutsPerSample, [&](int) {
            std::vector<std::wstring_view> order = names;
            std::sort(order.begin(), order.end(), FoldedLess);
            sorted += order.front().size();
        }));
        expand.ours.push_back(CpuMsPerCall(kExpandsPerSample, [&](int i) {
            // A click on a card, as ToggleCard makes it: the next in the list
            // each time, so that one collapses as the other expands.
            g_state.expandedId = g_state.apps[static_cast<size_t>(i) * 97 % kEntries].id;
            groups = CurrentCardLayout(kWidth).groups.size();
        }));
        expand.reference.push_back(first.ours.back());
        g_state.expandedId.clear();
    }
    // Whatever the kept layout, it must equal a fresh one.
    const bool same = CurrentCardLayout(kWidth).contentHeight == ComputeCardLayout(kWidth).contentHeight;
    if (groups != kEntries || sorted == 0 || !same) first = expand = PairedRuns{};
    PrintFigure("layout", first, "ms", 1.5,
                "first layout of 48,000 entries with distinct categories vs sorting their names once with "
                "FoldedLess, CPU time");
    PrintFigure("expand", expand, "ms", 0.10,
                "layout after expanding a card in those 48,000 entries vs the first layout, CPU time");
    g_state.apps.clear();
    return 0;
}
