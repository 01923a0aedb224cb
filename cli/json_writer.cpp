#include "cli/json_writer.h"

namespace {

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsHigh(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string WideToJsonUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        if (IsHigh(unit) && i + 1 < text.size() && IsLow(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                                (static_cast<char32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else if (IsHigh(unit) || IsLow(unit)) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, static_cast<char32_t>(unit));
        }
    }
    return out;
}

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

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    text_.push_back('"');
    AppendEscapedUtf8(name);
    text_ += "\":";
    needComma_ = false;
}

void JsonWriter::String(std::wstring_view text) { Utf8String(WideToJsonUtf8(text)); }

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

void JsonWriter::AppendEscapedUtf8(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': text_ += "\\\""; break;
        case '\\': text_ += "\\\\"; break;
        case '\n': text_ += "\\n"; break;
        case '\r': text_ += "\\r"; break;
        case '\t': text_ += "\\t"; break;
        default:
            if (byte < 0x20) {
                text_ += "\\u00";
                text_.push_back(kHex[byte >> 4]);
                text_.push_back(kHex[byte & 0xF]);
            } else {
                text_.push_back(c);
            }
        }
    }
}
