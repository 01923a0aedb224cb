// A small strict JSON reader for the catalogue document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class JsonKind : int32_t { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct JsonValue;

// An object's members, sorted by key, each key once (the first one written
// wins). One block per object rather than one per member: a catalogue holds
// tens of thousands of members, and every allocation counts.
class JsonMembers {
public:
    using value_type = std::pair<std::wstring, JsonValue>;
    using iterator = std::vector<value_type>::iterator;
    using const_iterator = std::vector<value_type>::const_iterator;

    JsonMembers();
    ~JsonMembers();
    JsonMembers(JsonMembers&&) noexcept;
    JsonMembers& operator=(JsonMembers&&) noexcept;
    JsonMembers(const JsonMembers&);
    JsonMembers& operator=(const JsonMembers&);

    iterator begin();
    iterator end();
    const_iterator begin() const;
    const_iterator end() const;
    size_t size() const;
    bool empty() const;
    iterator find(std::wstring_view key);
    const_iterator find(std::wstring_view key) const;
    // Throws std::out_of_range for a missing key.
    JsonValue& at(std::wstring_view key);
    const JsonValue& at(std::wstring_view key) const;

    // Takes members in document order, repeated keys included.
    void Assign(std::vector<value_type>&& written);

private:
    std::vector<value_type> sorted_;
};

struct JsonValue {
    JsonKind kind = JsonKind::Null;
    bool boolValue = false;
    double number = 0.0;
    std::wstring text;
    std::vector<JsonValue> items;
    JsonMembers members;
};

// Deeper documents fail like any other syntax error.
inline constexpr int kMaxJsonDepth = 512;

// Throws "Lecture du catalogue JSON impossible" on any syntax error.
JsonValue ParseJson(const std::wstring& text);
// The same from the document's UTF-8 bytes, converting only its strings: as
// ParseJson(Utf8ToWide(bytes)), a malformed byte anywhere fails with "UTF-8
// invalide" before any syntax error, and one leading BOM is skipped.
JsonValue ParseJson(std::string_view utf8);
const JsonValue* FindMember(const JsonValue& value, std::wstring_view key);
JsonValue* FindMember(JsonValue& value, std::wstring_view key);
std::wstring GetStringMember(const JsonValue& value, std::wstring_view key);
