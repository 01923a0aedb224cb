// The grammar of the JSON reader, shared by the document tree (json.cpp) and
// the catalogue's one-pass read (catalog_document.cpp). It checks the text
// and tells a sink what it reads; the sink keeps only what it needs. Strings
// are checked and measured as they are read, and converted later, by the
// sink, only when kept.
//
// A sink has: Null(), Bool(bool), Number(first, last), String(span),
// BeginArray(at), EndArray(), BeginObject(at), Key(span), EndObject(), where
// `at` is the place of the opening bracket or brace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/error.h"
#include "base/messages.h"
#include "catalog/json.h"
#include "catalog/json_number.h"
#include "catalog/utf8.h"

namespace json_grammar {

// Where the parser stands in the text: UTF-16 units, or the document's UTF-8
// bytes. The text outlives the parse.
template <typename Unit>
struct Cursor {
    const Unit* position;
    const Unit* end;
};

// A string as it stands in the text, between its quotes. It was checked when
// read, so converting it cannot fail.
template <typename Unit>
struct StringSpan {
    const Unit* first;
    const Unit* last;
    // The UTF-16 units it converts to.
    size_t units;
    // No escape, and from UTF-8 no byte above 0x7F: each unit of the text is
    // one unit of the string.
    bool plain;
};

[[noreturn]] inline void FailSyntax() { Fail(msg::kJsonInvalid); }

inline bool IsSpace(wchar_t c) {
    switch (c) {
    case L' ':
    case L'\t':
    case L'\n':
    case L'\r': return true;
    case L'"':
    case L',':
    case L':':
    case L'{':
    case L'}':
    case L'[':
    case L']': return false;
    default: return iswspace(c) != 0;
    }
}

inline bool IsDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return true;
    if (c < 0x80) return false;
    return iswdigit(c) != 0;
}

template <typename Unit>
bool AtEnd(const Cursor<Unit>& cursor) {
    return cursor.position >= cursor.end;
}

// The UTF-16 unit at the cursor, for deciding what comes next, and how many
// units of the text it takes. Outside strings, UTF-8 is decoded one character
// at a time; a character beyond the BMP gives its first surrogate, which is
// neither space nor digit, as it is in the UTF-16 text.
inline wchar_t Peek(const Cursor<wchar_t>& cursor, size_t& length) {
    length = 1;
    return *cursor.position;
}

inline wchar_t Peek(const Cursor<char>& cursor, size_t& length) {
    const auto* p = reinterpret_cast<const unsigned char*>(cursor.position);
    if (*p < 0x80) {
        length = 1;
        return static_cast<wchar_t>(*p);
    }
    wchar_t units[2];
    size_t count = 0;
    length = DecodeUtf8Sequence(p, reinterpret_cast<const unsigned char*>(cursor.end), units, count);
    if (length == 0) Fail(msg::kUtf8Invalid);
    return units[0];
}

template <typename Unit>
void SkipDecodedSpace(Cursor<Unit>& cursor) {
    size_t length = 1;
    while (cursor.position < cursor.end && IsSpace(Peek(cursor, length))) cursor.position += length;
}

// Printable ASCII other than the space is never a space: it settles most
// calls, which stand before a value or a bracket, without decoding anything.
template <typename Unit>
bool IsSurelyNotSpace(Unit unit) {
    const auto code = static_cast<uint32_t>(static_cast<std::make_unsigned_t<Unit>>(unit));
    return code > 0x20 && code < 0x80;
}

template <typename Unit>
void SkipSpace(Cursor<Unit>& cursor) {
    if (cursor.position < cursor.end && IsSurelyNotSpace(*cursor.position)) return;
    SkipDecodedSpace(cursor);
}

// True (and consumed) when the text at the cursor begins with `word`.
template <typename Unit, size_t N>
bool ConsumeWord(Cursor<Unit>& cursor, const char (&word)[N]) {
    constexpr size_t length = N - 1;
    if (static_cast<size_t>(cursor.end - cursor.position) < length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (cursor.position[i] != static_cast<Unit>(word[i])) return false;
    }
    cursor.position += length;
    return true;
}

inline int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

template <typename Unit>
wchar_t ParseUnicodeEscape(Cursor<Unit>& cursor) {
    if (cursor.end - cursor.position < 4) FailSyntax();
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        int digit = HexValue(static_cast<wchar_t>(cursor.position[i]));
        if (digit < 0) FailSyntax();
        value = value * 16 + static_cast<unsigned>(digit);
    }
    cursor.position += 4;
    return static_cast<wchar_t>(value);
}

// The cursor stands after the backslash.
template <typename Unit>
wchar_t ParseEscape(Cursor<Unit>& cursor) {
    if (AtEnd(cursor)) FailSyntax();
    const Unit letter = *cursor.position++;
    switch (letter) {
    case '"': return L'"';
    case '\\': return L'\\';
    case '/': return L'/';
    case 'b': return L'\b';
    case 'f': return L'\f';
    case 'n': return L'\n';
    case 'r': return L'\r';
    case 't': return L'\t';
    case 'u': return ParseUnicodeEscape(cursor);
    default: FailSyntax();
    }
}

// The cursor stands on the opening quote; it is left after the closing one.
inline StringSpan<wchar_t> ScanString(Cursor<wchar_t>& cursor) {
    const wchar_t* const first = ++cursor.position;
    size_t units = 0;
    bool plain = true;
    for (;;) {
        if (AtEnd(cursor)) FailSyntax();
        const wchar_t c = *cursor.position;
        if (c == L'"') break;
        if (c < 0x20) FailSyntax();
        ++cursor.position;
        if (c == L'\\') {
            ParseEscape(cursor);
            plain = false;
        }
        ++units;
    }
    return {first, cursor.position++, units, plain};
}

// Whether none of eight bytes ends a plain run: a quote, a backslash, a
// control character or a byte above 0x7F.
inline bool IsPlainChunk(uint64_t chunk) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    if ((chunk & kHigh) != 0) return false;
    // With every byte below 0x80, these tell exactly whether some byte is
    // below 0x20, or is zero once the quote or the backslash is taken out.
    const uint64_t control = (chunk - kOnes * 0x20) & ~chunk & kHigh;
    const uint64_t quote = chunk ^ (kOnes * '"');
    const uint64_t backslash = chunk ^ (kOnes * '\\');
    const uint64_t special = ((quote - kOnes) & ~quote) | ((backslash - kOnes) & ~backslash);
    return (control | (special & kHigh)) == 0;
}

// From UTF-8: the string is checked (escapes, control characters, UTF-8) and
// its UTF-16 units counted in one pass, plain runs eight bytes at a time.
inline StringSpan<char> ScanString(Cursor<char>& cursor) {
    const auto* const first = reinterpret_cast<const unsigned char*>(++cursor.position);
    const auto* const end = reinterpret_cast<const unsigned char*>(cursor.end);
    const auto* p = first;
    // Bytes of the text that make no unit of the string.
    size_t extra = 0;
    bool plain = true;
    for (;;) {
        while (end - p >= 8) {
            uint64_t chunk = 0;
            std::memcpy(&chunk, p, sizeof(chunk));
            if (!IsPlainChunk(chunk)) break;
            p += 8;
        }
        while (p < end && *p >= 0x20 && *p < 0x80 && *p != '"' && *p != '\\') ++p;
        if (p >= end) FailSyntax();
        const unsigned char c = *p;
        if (c == '"') break;
        if (c < 0x20) FailSyntax();
        plain = false;
        if (c == '\\') {
            Cursor<char> escape{reinterpret_cast<const char*>(p + 1), cursor.end};
            ParseEscape(escape);
            const auto* after = reinterpret_cast<const unsigned char*>(escape.position);
            extra += static_cast<size_t>(after - p) - 1;
            p = after;
            continue;
        }
        wchar_t scratch[2];
        size_t units = 0;
        const size_t length = DecodeUtf8Sequence(p, end, scratch, units);
        if (length == 0) Fail(msg::kUtf8Invalid);
        extra += length - units;
        p += length;
    }
    const auto* last = reinterpret_cast<const char*>(p);
    cursor.position = last + 1;
    return {reinterpret_cast<const char*>(first), last, static_cast<size_t>(p - first) - extra, plain};
}

// Writes the span's `units` UTF-16 units to `out`.
inline void DecodeString(const StringSpan<wchar_t>& span, wchar_t* out) {
    if (span.plain) {
        std::memcpy(out, span.first, static_cast<size_t>(span.last - span.first) * sizeof(wchar_t));
        return;
    }
    Cursor<wchar_t> cursor{span.first, span.last};
    while (cursor.position < span.last) {
        const wchar_t c = *cursor.position++;
        *out++ = c == L'\\' ? ParseEscape(cursor) : c;
    }
}

inline void DecodeString(const StringSpan<char>& span, wchar_t* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(span.first);
    const auto* const end = reinterpret_cast<const unsigned char*>(span.last);
    if (span.plain) {
        for (; p < end; ++p) *out++ = static_cast<wchar_t>(*p);
        return;
    }
    while (p < end) {
        const unsigned char c = *p;
        if (c == '\\') {
            Cursor<char> escape{reinterpret_cast<const char*>(p + 1), span.last};
            *out++ = ParseEscape(escape);
            p = reinterpret_cast<const unsigned char*>(escape.position);
        } else if (c < 0x80) {
            *out++ = static_cast<wchar_t>(c);
            ++p;
        } else {
            size_t units = 0;
            p += DecodeUtf8Sequence(p, end, out, units);
            out += units;
        }
    }
}

template <typename Unit>
void AssignString(const StringSpan<Unit>& span, std::wstring& out) {
    out.resize(span.units);
    DecodeString(span, out.data());
}

inline double ConvertNumberText(const wchar_t* first, const wchar_t* last, std::wstring&) {
    return ConvertNumber(first, last);
}

// A number read from UTF-8 is widened into `scratch`, whose room is reused.
inline double ConvertNumberText(const char* first, const char* last, std::wstring& scratch) {
    scratch.assign(first, last);  // digits, signs and points are ASCII
    for (const char* p = first; p < last; ++p) {
        // Other digits than ASCII ones end the conversion as they would in the UTF-16 text.
        if (static_cast<unsigned char>(*p) >= 0x80) {
            scratch = Utf8ToWide(std::string_view(first, static_cast<size_t>(last - first)));
            break;
        }
    }
    return ConvertNumber(scratch.data(), scratch.data() + scratch.size());
}

template <typename Unit>
void SkipDigits(Cursor<Unit>& cursor) {
    size_t length = 1;
    while (cursor.position < cursor.end && IsDigit(Peek(cursor, length))) cursor.position += length;
}

// Lenient on purpose: "-", "01", "1." and "1e" are numbers. The grammar, not
// the conversion, decides where the number ends ("0x10" is 0 then trailing data).
template <typename Unit, typename Sink>
void ParseNumber(Cursor<Unit>& cursor, Sink& sink) {
    const Unit* start = cursor.position;
    if (*cursor.position == '-') ++cursor.position;
    SkipDigits(cursor);
    if (cursor.position < cursor.end && *cursor.position == '.') {
        ++cursor.position;
        SkipDigits(cursor);
    }
    if (cursor.position < cursor.end && (*cursor.position == 'e' || *cursor.position == 'E')) {
        ++cursor.position;
        if (cursor.position < cursor.end && (*cursor.position == '+' || *cursor.position == '-')) ++cursor.position;
        SkipDigits(cursor);
    }
    sink.Number(start, cursor.position);
}

template <typename Unit, typename Sink>
void ParseValue(Cursor<Unit>& cursor, Sink& sink, int depth);

template <typename Unit, typename Sink>
void ParseArray(Cursor<Unit>& cursor, Sink& sink, int depth) {
    sink.BeginArray(cursor.position);
    ++cursor.position;
    SkipSpace(cursor);
    if (!AtEnd(cursor) && *cursor.position == ']') {
        ++cursor.position;
        sink.EndArray();
        return;
    }
    for (;;) {
        ParseValue(cursor, sink, depth);
        SkipSpace(cursor);
        if (AtEnd(cursor)) FailSyntax();
        const Unit c = *cursor.position++;
        if (c == ']') break;
        if (c != ',') FailSyntax();
    }
    sink.EndArray();
}

template <typename Unit, typename Sink>
void ParseObject(Cursor<Unit>& cursor, Sink& sink, int depth) {
    sink.BeginObject(cursor.position);
    ++cursor.position;
    SkipSpace(cursor);
    if (!AtEnd(cursor) && *cursor.position == '}') {
        ++cursor.position;
        sink.EndObject();
        return;
    }
    for (;;) {
        SkipSpace(cursor);
        if (AtEnd(cursor) || *cursor.position != '"') FailSyntax();
        sink.Key(ScanString(cursor));
        SkipSpace(cursor);
        if (AtEnd(cursor) || *cursor.position != ':') FailSyntax();
        ++cursor.position;
        // Repeated keys are all read; which one counts is the sink's rule.
        ParseValue(cursor, sink, depth);
        SkipSpace(cursor);
        if (AtEnd(cursor)) FailSyntax();
        const Unit c = *cursor.position++;
        if (c == '}') break;
        if (c != ',') FailSyntax();
    }
    sink.EndObject();
}

// `depth` counts the containers around the value. The bound keeps hostile
// documents from exhausting a worker's stack.
template <typename Unit, typename Sink>
void ParseValue(Cursor<Unit>& cursor, Sink& sink, int depth) {
    SkipSpace(cursor);
    if (AtEnd(cursor)) FailSyntax();
    const Unit c = *cursor.position;
    size_t length = 1;
    if (c == '"') {
        sink.String(ScanString(cursor));
    } else if (c == '{' || c == '[') {
        if (depth >= kMaxJsonDepth) FailSyntax();
        if (c == '{')
            ParseObject(cursor, sink, depth + 1);
        else
            ParseArray(cursor, sink, depth + 1);
    } else if (ConsumeWord(cursor, "true")) {
        sink.Bool(true);
    } else if (ConsumeWord(cursor, "false")) {
        sink.Bool(false);
    } else if (ConsumeWord(cursor, "null")) {
        sink.Null();
    } else if (c == '-' || IsDigit(Peek(cursor, length))) {
        ParseNumber(cursor, sink);
    } else {
        FailSyntax();
    }
}

// White space, one value, white space, and the end of the text.
template <typename Unit, typename Sink>
void ParseText(const Unit* first, const Unit* last, Sink& sink) {
    Cursor<Unit> cursor{first, last};
    ParseValue(cursor, sink, 0);
    SkipSpace(cursor);
    if (!AtEnd(cursor)) FailSyntax();
}

// The document's UTF-8 bytes as Utf8ToWide would give them: one leading BOM
// is skipped, and a malformed byte anywhere, even after a syntax error, is
// what the document is refused for.
template <typename Sink>
void ParseUtf8Text(std::string_view utf8, Sink& sink) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    std::string_view text = utf8;
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    try {
        ParseText(text.data(), text.data() + text.size(), sink);
    } catch (const AppError&) {
        if (!IsWellFormedUtf8(utf8)) Fail(msg::kUtf8Invalid);
        throw;
    }
}

}  // namespace json_grammar
