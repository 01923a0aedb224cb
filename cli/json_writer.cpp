#include "cli/json_writer.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

constexpr size_t kRoomStep = 4096;
// The longest form of one unit: a control character as \u00XX.
constexpr size_t kEscapedUnitBytes = 6;

bool IsHigh(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Printable ASCII that JSON takes as it is: most of any report.
bool IsPlain(unsigned unit) { return unit >= 0x20 && unit < 0x80 && unit != '"' && unit != '\\'; }

char* Copy(std::string_view text, char* out) { return std::copy(text.begin(), text.end(), out); }

// The quote, the backslash and the control characters, as JSON writes them.
char* WriteControl(unsigned char byte, char* out) {
    static constexpr char kHex[] = "0123456789abcdef";
    *out++ = '\\';
    switch (byte) {
    case '"': *out++ = '"'; break;
    case '\\': *out++ = '\\'; break;
    case '\n': *out++ = 'n'; break;
    case '\r': *out++ = 'r'; break;
    case '\t': *out++ = 't'; break;
    default:
        out = Copy("u00", out);
        *out++ = kHex[byte >> 4];
        *out++ = kHex[byte & 0xF];
    }
    return out;
}

char* WriteUtf8(char32_t code, char* out) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | (code >> 6));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (code >> 12));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (code >> 18));
        *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// Converted straight into the document, without a UTF-8 copy of each string.
char* WriteEscaped(std::wstring_view utf16, char* out) {
    for (size_t i = 0; i < utf16.size(); ++i) {
        const wchar_t unit = utf16[i];
        if (IsPlain(unit)) {
            *out++ = static_cast<char>(unit);
        } else if (unit < 0x80) {
            out = WriteControl(static_cast<unsigned char>(unit), out);
        } else if (IsHigh(unit) && i + 1 < utf16.size() && IsLow(utf16[i + 1])) {
            out = WriteUtf8(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(utf16[i + 1]) - 0xDC00),
                            out);
            ++i;
        } else if (IsHigh(unit) || IsLow(unit)) {
            out = WriteUtf8(0xFFFD, out);
        } else {
            out = WriteUtf8(static_cast<char32_t>(unit), out);
        }
    }
    return out;
}

char* WriteEscapedUtf8(std::string_view utf8, char* out) {
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || IsPlain(byte)) {
            *out++ = c;
        } else {
            out = WriteControl(byte, out);
        }
    }
    return out;
}

}  // namespace

// Room made at a time beyond what a value needs, so that growing is rare and
// fresh memory is written only as the text reaches it.
void JsonWriter::Grow(size_t bytes) { text_.resize(used_ + bytes + kRoomStep); }

void JsonWriter::String(std::wstring_view text) {
    char* out = BeforeValue(text.size() * kEscapedUnitBytes + 2);
    *out++ = '"';
    out = WriteEscaped(text, out);
    *out++ = '"';
    Wrote(out);
}

void JsonWriter::Utf8String(std::string_view text) {
    char* out = BeforeValue(text.size() * kEscapedUnitBytes + 2);
    *out++ = '"';
    out = WriteEscapedUtf8(text, out);
    *out++ = '"';
    Wrote(out);
}

char* JsonWriter::EscapeRest(std::wstring_view text, char* out) { return WriteEscaped(text, out); }

char* JsonWriter::EscapeUtf8(std::string_view text, char* out) { return WriteEscapedUtf8(text, out); }

void JsonWriter::Number(long long value) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
    const std::string_view text(digits, static_cast<size_t>(end - digits));
    Wrote(Copy(text, BeforeValue(text.size())));
}

void JsonWriter::Values(std::string_view values) {
    if (!values.empty() && values.front() == ',') values.remove_prefix(1);
    if (values.empty()) return;
    Wrote(BeforeValue(0));
    runs_.emplace_back(used_, values);
}

std::string JsonWriter::TakeText() {
    text_.resize(used_);
    used_ = 0;
    return std::move(text_);
}

std::vector<std::string_view> JsonWriter::Pieces() const {
    std::vector<std::string_view> pieces;
    pieces.reserve(2 * runs_.size() + 1);
    const std::string_view own = text();
    size_t from = 0;
    for (const auto& [at, run] : runs_) {
        if (at > from) pieces.push_back(own.substr(from, at - from));
        pieces.push_back(run);
        from = at;
    }
    if (own.size() > from) pieces.push_back(own.substr(from));
    return pieces;
}
