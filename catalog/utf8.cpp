#include "catalog/utf8.h"

#include <windows.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/error.h"
#include "base/messages.h"

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes well-formed UTF-8 as MultiByteToWideChar with MB_ERR_INVALID_CHARS
// does, and refuses what it refuses: stray or missing continuation bytes,
// overlong forms, encoded surrogates, values beyond U+10FFFF, a sequence cut
// at the end. One pass, with runs of ASCII copied eight bytes at a time: the
// catalogue is read through here.
bool DecodeUtf8(std::string_view bytes, std::wstring& text) {
    // UTF-16 never needs more units than UTF-8 has bytes.
    text.assign(bytes.size(), L'\0');
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = p + bytes.size();
    wchar_t* out = text.data();
    while (p < end) {
        while (end - p >= 8) {
            uint64_t chunk = 0;
            std::memcpy(&chunk, p, sizeof(chunk));
            if ((chunk & 0x8080808080808080ULL) != 0) break;
            for (int i = 0; i < 8; ++i) out[i] = static_cast<wchar_t>(p[i]);
            p += 8;
            out += 8;
        }
        if (p >= end) break;
        const unsigned lead = *p;
        const ptrdiff_t left = end - p;
        if (lead < 0x80) {
            *out++ = static_cast<wchar_t>(lead);
            p += 1;
        } else if (lead < 0xC2) {
            return false;  // a continuation byte, or an overlong two-byte form
        } else if (lead < 0xE0) {
            if (left < 2 || !IsContinuation(p[1])) return false;
            *out++ = static_cast<wchar_t>(((lead & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (lead < 0xF0) {
            if (left < 3 || !IsContinuation(p[1]) || !IsContinuation(p[2])) return false;
            if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] >= 0xA0)) return false;
            *out++ = static_cast<wchar_t>(((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else if (lead < 0xF5) {
            if (left < 4 || !IsContinuation(p[1]) || !IsContinuation(p[2]) || !IsContinuation(p[3])) return false;
            if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] >= 0x90)) return false;
            const unsigned value =
                (((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F)) - 0x10000;
            *out++ = static_cast<wchar_t>(0xD800 + (value >> 10));
            *out++ = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
            p += 4;
        } else {
            return false;
        }
    }
    text.resize(static_cast<size_t>(out - text.data()));
    return true;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > static_cast<size_t>(INT_MAX)) Fail(msg::kUtf8Invalid);
    std::wstring text;
    if (!DecodeUtf8(bytes, text)) Fail(msg::kUtf8Invalid);
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
