// Writes one JSON document as UTF-8 text, members in the order given. Strings
// come as UTF-16 and are escaped as JSON requires; nothing else is checked.
#pragma once

#include <string>
#include <string_view>

class JsonWriter {
public:
    // Room for a document of about this many bytes, taken once: a report of
    // tens of thousands of entries then grows in place.
    void Reserve(size_t bytes) { text_.reserve(bytes); }
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // A member's name inside an object, plain ASCII of the program's own,
    // written as it is; its value follows.
    void Key(std::string_view name);
    // An unpaired surrogate becomes U+FFFD.
    void String(std::wstring_view text);
    void Utf8String(std::string_view text);
    void Number(long long value);
    void Bool(bool value);
    // Values another writer wrote, separated by commas, as the next values
    // here. A run cut from a longer one may start with the comma that
    // followed the value before it.
    void Values(std::string_view values);

    const std::string& text() const { return text_; }
    // The document, handed over without a copy; the writer is left empty.
    std::string TakeText() { return std::move(text_); }

private:
    void BeforeValue();
    void AppendEscaped(std::wstring_view utf16);
    void AppendEscapedUtf8(std::string_view utf8);
    void AppendControl(unsigned char byte);
    void AppendUtf8(char32_t code);

    std::string text_;
    bool needComma_ = false;
};
