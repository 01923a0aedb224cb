// Writes one JSON document as UTF-8 text, members in the order given. Strings
// come as UTF-16 and are escaped as JSON requires; nothing else is checked.
// Each value is written straight into room made for its longest form: a
// report lists tens of thousands of entries.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class JsonWriter {
public:
    // Room for a document of about this many bytes, taken once: a report of
    // tens of thousands of entries then grows in place.
    void Reserve(size_t bytes) { text_.reserve(bytes); }
    // The small writes are inline: a list writes a dozen per entry.
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // A member's name inside an object, plain ASCII of the program's own,
    // written as it is; its value follows.
    void Key(std::string_view name) {
        char* out = BeforeValue(name.size() + 3);
        *out++ = '"';
        out = std::copy(name.begin(), name.end(), out);
        *out++ = '"';
        *out++ = ':';
        Wrote(out);
        needComma_ = false;
    }
    // An unpaired surrogate becomes U+FFFD.
    void String(std::wstring_view text);
    void Utf8String(std::string_view text);
    void Number(long long value);
    void Bool(bool value) {
        const std::string_view word = value ? "true" : "false";
        char* out = BeforeValue(word.size());
        Wrote(std::copy(word.begin(), word.end(), out));
    }
    // Values another writer wrote, separated by commas, as the next values
    // here. A run cut from a longer one may start with the comma that
    // followed the value before it. The run is not copied: the document
    // refers to it where it lies, and it must outlive the document's pieces.
    void Values(std::string_view values);
    // Ends the document's line.
    void EndLine() { Close('\n'); }

    // A value written at once, members and all, into room made for its
    // longest form: a list writes tens of thousands of rows, and one room
    // per row spares a check per member. BeginRun gives room for `bytes`
    // after the comma the value needs; the static writers below fill it;
    // EndRun says where the written part ends.
    char* BeginRun(size_t bytes) { return BeforeValue(bytes); }
    void EndRun(const char* end) { Wrote(end); }
    // The most bytes a string of `units` units can take, escaped.
    static constexpr size_t MostEscapedBytes(size_t units) { return units * 6; }
    // The program's own text that needs no escape, as it is.
    static char* Copy(std::string_view text, char* out) { return std::copy(text.begin(), text.end(), out); }
    // A string's contents as String writes them, without the quotes.
    static char* Escape(std::wstring_view text, char* out) {
        for (size_t i = 0; i < text.size(); ++i) {
            const wchar_t unit = text[i];
            if (unit < 0x20 || unit >= 0x80 || unit == L'"' || unit == L'\\') return EscapeRest(text.substr(i), out);
            *out++ = static_cast<char>(unit);
        }
        return out;
    }
    // The same as Utf8String writes them.
    static char* EscapeUtf8(std::string_view text, char* out);

    // The writer's own text: the whole document when no values were taken
    // from elsewhere.
    std::string_view text() const { return std::string_view(text_).substr(0, used_); }
    // The same, handed over without a copy; the writer is left empty.
    std::string TakeText();
    // The whole document in order: stretches of the writer's text and the
    // runs of values it refers to between them.
    std::vector<std::string_view> Pieces() const;

private:
    static char* EscapeRest(std::wstring_view text, char* out);

    // Room for `bytes` more at the end of the text; the pointer is where
    // they go, and Wrote says where the written part ends.
    char* Room(size_t bytes) {
        if (text_.size() - used_ < bytes) Grow(bytes);
        return text_.data() + used_;
    }
    void Grow(size_t bytes);
    void Wrote(const char* end) { used_ = static_cast<size_t>(end - text_.data()); }
    char* BeforeValue(size_t bytes) {
        char* out = Room(bytes + 1);
        if (needComma_) *out++ = ',';
        needComma_ = true;
        return out;
    }
    void Open(char bracket) {
        char* out = BeforeValue(1);
        *out++ = bracket;
        Wrote(out);
        needComma_ = false;
    }
    void Close(char bracket) {
        char* out = Room(1);
        *out++ = bracket;
        Wrote(out);
        needComma_ = true;
    }

    // The text written, then room not yet written.
    std::string text_;
    size_t used_ = 0;
    // Runs of values from elsewhere, each with where it comes in `text_`.
    std::vector<std::pair<size_t, std::string_view>> runs_;
    bool needComma_ = false;
};
