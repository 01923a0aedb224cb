// Case-insensitive comparison of identifiers and category titles by the C
// locale's rule: only A-Z and a-z are folded; every other UTF-16 unit,
// accented letters included, compares by its value.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

inline wchar_t FoldAsciiCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// The text with A-Z folded, as a key for sets and maps.
inline std::wstring FoldedCopy(std::wstring text) {
    for (wchar_t& c : text) c = FoldAsciiCase(c);
    return text;
}

inline bool FoldedEquals(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return FoldAsciiCase(x) == FoldAsciiCase(y);
           });
}

inline bool FoldedLess(std::wstring_view a, std::wstring_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](wchar_t x, wchar_t y) { return FoldAsciiCase(x) < FoldAsciiCase(y); });
}
