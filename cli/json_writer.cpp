#include "cli/json_writer.h"

#include <algorithm>
#include <utility>

namespace {

bool IsHigh(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Printable ASCII that JSON takes as it is: most of any report.
bool IsPlain(wchar_t unit) { return unit >= 0x20 && unit < 0x80 && unit != L'"' && unit != L'\\'; }

}  // namespace

void JsonWriter::BeforeValue() {
    if (needComma_) text_.push_back(',');
    needComma_ = true;
}

void JsonWriter::BeginObject() {
    BeforeValue();
    text_.push_back('{');
    needComma_ = false;
}

void JsonWriter::EndObject() {
    text_.push_back('}');
    needComma_ = true;
}

void JsonWriter::BeginArray() {
    BeforeValue();
    text_.push_back('[');
    needComma_ = false;
}

void JsonWriter::EndArray() {
    text_.push_back(']');
    needComma_ = true;
}

// Names are the program's own words: written as they are, in one step.
void JsonWriter::Key(std::string_view name) {
    const size_t at = text_.size();
    text_.resize(at + (needComma_ ? 1 : 0) + name.size() + 3);
    char* out = text_.data() + at;
    if (needComma_) *out++ = ',';
    *out++ = '"';
    out = std::copy(name.begin(), name.end(), out);
    *out++ = '"';
    *out = ':';
    needComma_ = false;
}

void JsonWriter::String(std::wstring_view text) {
    BeforeValue();
    // Most texts are plain: written with their quotes in one step.
    if (std::all_of(text.begin(), text.end(), IsPlain)) {
        const size_t at = text_.size();
        text_.resize(at + text.size() + 2);
        char* out = text_.data() + at;
        *out++ = '"';
        for (wchar_t unit : text) *out++ = static_cast<char>(unit);
        *out = '"';
        return;
    }
    text_.push_back('"');
    AppendEscaped(text);
    text_.push_back('"');
}

void JsonWriter::Utf8String(std::string_view text) {
    BeforeValue();
    text_.push_back('"');
    AppendEscapedUtf8(text);
    text_.push_back('"');
}

void JsonWriter::Number(long long value) {
    BeforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}

void JsonWriter::Values(std::string_view values) {
    if (!values.empty() && values.front() == ',') values.remove_prefix(1);
    if (values.empty()) return;
    BeforeValue();
    text_.append(values);
}

// Converted straight into the document, without a UTF-8 copy of each string.
void JsonWriter::AppendEscaped(std::wstring_view utf16) {
    for (size_t i = 0; i < utf16.size(); ++i) {
        const wchar_t unit = utf16[i];
        if (IsPlain(unit)) {
            // A run of plain units in one step rather than unit by unit.
            size_t end = i + 1;
            while (end < utf16.size() && IsPlain(utf16[end])) ++end;
            const size_t at = text_.size();
            text_.resize(at + (end - i));
            for (char* out = text_.data() + at; i < end; ++i) *out++ = static_cast<char>(utf16[i]);
            --i;
        } else if (unit < 0x80) {
            AppendControl(static_cast<unsigned char>(unit));
        } else if (IsHigh(unit) && i + 1 < utf16.size() && IsLow(utf16[i + 1])) {
            AppendUtf8(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                       (static_cast<char32_t>(utf16[i + 1]) - 0xDC00));
            ++i;
        } else if (IsHigh(unit) || IsLow(unit)) {
            AppendUtf8(0xFFFD);
        } else {
            AppendUtf8(static_cast<char32_t>(unit));
        }
    }
}

void JsonWriter::AppendEscapedUtf8(std::string_view utf8) {
    size_t start = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x80 || IsPlain(static_cast<wchar_t>(byte))) continue;
        text_.append(utf8.data() + start, i - start);
        AppendControl(byte);
        start = i + 1;
    }
    text_.append(utf8.data() + start, utf8.size() - start);
}

// The quote, the backslash and the control characters, as JSON writes them.
void JsonWriter::AppendControl(unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    switch (byte) {
    case '"': text_ += "\\\""; break;
    case '\\': text_ += "\\\\"; break;
    case '\n': text_ += "\\n"; break;
    case '\r': text_ += "\\r"; break;
    case '\t': text_ += "\\t"; break;
    default:
        text_ += "\\u00";
        text_.push_back(kHex[byte >> 4]);
        text_.push_back(kHex[byte & 0xF]);
    }
}

void JsonWriter::AppendUtf8(char32_t code) {
    if (code < 0x80) {
        text_.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text_.push_back(static_cast<char>(0xC0 | (code >> 6)));
        text_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        text_.push_back(static_cast<char>(0xE0 | (code >> 12)));
        text_.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text_.push_back(static_cast<char>(0xF0 | (code >> 18)));
        text_.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        text_.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text_.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}
