#include "catalog/error_text.h"

#include <windows.h>

#include <string_view>

#include "base/messages.h"
#include "catalog/utf8.h"

std::wstring ErrorMessageText(const char* utf8Message) {
    try {
        return Utf8ToWide(utf8Message);
    } catch (...) {
    }
    // Not valid UTF-8: keep what can be read, with replacement characters.
    try {
        std::string_view bytes(utf8Message);
        int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
        if (length > 0)
            MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
        return text;
    } catch (...) {
        return std::wstring();
    }
}

std::wstring ErrorText(const std::exception& error) { return ErrorMessageText(error.what()); }

std::wstring UnknownErrorText() { return Utf8ToWide(msg::kUnknownError); }
