// Strict UTF-8 <-> UTF-16 conversion.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Decodes the one multi-byte sequence that starts at `p` (p < end, *p >= 0x80)
// as MultiByteToWideChar with MB_ERR_INVALID_CHARS does: writes one or two
// UTF-16 units to `out`, sets `units`, and returns the bytes read, or 0 for a
// malformed sequence (a stray or missing continuation byte, an overlong form,
// an encoded surrogate, a value beyond U+10FFFF, a sequence cut at the end).
inline size_t DecodeUtf8Sequence(const unsigned char* p, const unsigned char* end, wchar_t* out, size_t& units) {
    auto continues = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    const unsigned lead = *p;
    const ptrdiff_t left = end - p;
    if (lead < 0xC2) return 0;  // a continuation byte, or an overlong two-byte form
    if (lead < 0xE0) {
        if (left < 2 || !continues(p[1])) return 0;
        out[0] = static_cast<wchar_t>(((lead & 0x1F) << 6) | (p[1] & 0x3F));
        units = 1;
        return 2;
    }
    if (lead < 0xF0) {
        if (left < 3 || !continues(p[1]) || !continues(p[2])) return 0;
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] >= 0xA0)) return 0;
        out[0] = static_cast<wchar_t>(((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
        units = 1;
        return 3;
    }
    if (lead < 0xF5) {
        if (left < 4 || !continues(p[1]) || !continues(p[2]) || !continues(p[3])) return 0;
        if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] >= 0x90)) return 0;
        const unsigned value = (((lead & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F)) -
                               0x10000;
        out[0] = static_cast<wchar_t>(0xD800 + (value >> 10));
        out[1] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
        units = 2;
        return 4;
    }
    return 0;
}

// Throws "UTF-8 invalide" on any malformed sequence; drops one leading BOM.
std::wstring Utf8ToWide(std::string_view bytes);
// Whether Utf8ToWide would accept the bytes.
bool IsWellFormedUtf8(std::string_view bytes);
// For texts the program writes itself (console output, test data).
std::string WideToUtf8(std::wstring_view text);
