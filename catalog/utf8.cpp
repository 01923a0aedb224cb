#include "catalog/utf8.h"

#include <windows.h>

#include <climits>

#include "app/error.h"
#include "app/messages.h"

std::wstring Utf8ToWide(std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > static_cast<size_t>(INT_MAX)) Fail(msg::kUtf8Invalid);
    const int inputLength = static_cast<int>(bytes.size());
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), inputLength, nullptr, 0);
    if (units <= 0) Fail(msg::kUtf8Invalid);
    std::wstring text(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), inputLength, text.data(), units);
    if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
    return text;
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
    const int inputLength = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), inputLength, out.data(), bytes, nullptr, nullptr);
    return out;
}
