// Writes one JSON document as UTF-8 text, members in the order given. Strings
// come as UTF-16 and are escaped as JSON requires; nothing else is checked.
#pragma once

#include <string>
#include <string_view>

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // A member's name inside an object; its value follows.
    void Key(std::string_view name);
    void String(std::wstring_view text);
    void Utf8String(std::string_view text);
    void Number(long long value);
    void Bool(bool value);

    const std::string& text() const { return text_; }

private:
    void BeforeValue();
    void AppendEscapedUtf8(std::string_view utf8);

    std::string text_;
    bool needComma_ = false;
};

// The UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToJsonUtf8(std::wstring_view text);
