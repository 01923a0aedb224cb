// A small strict JSON reader for the catalogue document.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

enum class JsonKind : int32_t { Null = 0, Bool = 1, Number = 2, String = 3, Array = 4, Object = 5 };

struct JsonValue {
    JsonKind kind = JsonKind::Null;
    bool boolValue = false;
    double number = 0.0;
    std::wstring text;
    std::vector<JsonValue> items;
    std::map<std::wstring, JsonValue> members;
};

// Deeper documents fail like any other syntax error.
inline constexpr int kMaxJsonDepth = 512;

// Throws "Lecture du catalogue JSON impossible" on any syntax error.
JsonValue ParseJson(const std::wstring& text);
const JsonValue* FindMember(const JsonValue& value, const std::wstring& key);
JsonValue* FindMember(JsonValue& value, const std::wstring& key);
std::wstring GetStringMember(const JsonValue& value, const std::wstring& key);
