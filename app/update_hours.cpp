#include "app/update_hours.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// One or two decimal digits from `at`, blanks around them skipped.
std::optional<unsigned> ReadHour(const std::wstring& text, size_t& at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    unsigned value = 0;
    size_t digits = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && digits < 3) {
        value = value * 10 + static_cast<unsigned>(text[at] - L'0');
        ++digits;
        ++at;
    }
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (digits == 0 || digits > 2) return std::nullopt;
    return value;
}

}  // namespace

std::optional<UpdateHours> ParseUpdateHours(const std::wstring& text) {
    size_t at = 0;
    std::optional<unsigned> from = ReadHour(text, at);
    if (!from || at >= text.size() || text[at] != L'-') return std::nullopt;
    ++at;
    std::optional<unsigned> to = ReadHour(text, at);
    if (!to || at != text.size()) return std::nullopt;
    if (*from > 23 || *to > 24 || *from == *to) return std::nullopt;
    return UpdateHours{*from, *to};
}

bool WithinUpdateHours(const UpdateHours& hours, const SYSTEMTIME& local) {
    const unsigned hour = local.wHour;
    if (hours.from < hours.to) return hour >= hours.from && hour < hours.to;
    // Across midnight: from the evening to the end of the day, and from
    // midnight to the morning.
    return hour >= hours.from || hour < hours.to;
}

bool WithinUpdateHours(const std::optional<UpdateHours>& hours, const SYSTEMTIME& local) {
    return !hours || WithinUpdateHours(*hours, local);
}
