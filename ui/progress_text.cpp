#include "ui/progress_text.h"

#include "base/messages.h"
#include "catalog/utf8.h"

namespace {

// French spacing before a unit: a no-break space, so "42 %" stays whole.
constexpr wchar_t kNoBreakSpace = L'\u00A0';
// The notification-area tooltip's room, without its terminating NUL.
constexpr size_t kTooltipUnits = 127;

}  // namespace

std::wstring FormatByteCount(unsigned long long bytes) {
    static const wchar_t* const kUnits[] = {L"o", L"Ko", L"Mo", L"Go", L"To"};
    if (bytes < 1024) return std::to_wstring(bytes) + kNoBreakSpace + kUnits[0];
    int unit = 0;
    unsigned long long divisor = 1;
    while (unit + 1 < 5 && bytes >= divisor * 1024) {
        divisor *= 1024;
        ++unit;
    }
    // Tenths, rounded half up, computed in integers.
    unsigned long long tenths = (bytes * 10 + divisor / 2) / divisor;
    return std::to_wstring(tenths / 10) + L',' + std::to_wstring(tenths % 10) + kNoBreakSpace + kUnits[unit];
}

int ProgressPercent(const OperationProgress& progress) {
    if (!progress.active || progress.expected < 0) return -1;
    if (progress.expected == 0) return 100;
    unsigned long long expected = static_cast<unsigned long long>(progress.expected);
    unsigned long long done = progress.done < expected ? progress.done : expected;
    return static_cast<int>(done * 100 / expected);
}

std::wstring ProgressAmountText() {
    const OperationProgress& progress = g_state.operationProgress;
    if (!g_state.busy || !progress.active) return {};
    const int percent = ProgressPercent(progress);
    return percent >= 0 ? std::to_wstring(percent) + kNoBreakSpace + L'%' : FormatByteCount(progress.done);
}

std::wstring TrayTooltipText() {
    const std::wstring amount = ProgressAmountText();
    if (!amount.empty()) return g_state.statusText + L' ' + amount;
    const std::wstring& summary = g_state.automaticUpdates.summary;
    if (summary.empty()) return Utf8ToWide(msg::kTrayTooltip);
    // The tip holds 127 characters; a long list of names is cut, visibly.
    if (summary.size() <= kTooltipUnits) return summary;
    return summary.substr(0, kTooltipUnits - 1) + L'\u2026';
}
