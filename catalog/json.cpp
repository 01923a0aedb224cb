// PLACEHOLDER: not yet implemented; replaced by the real code.
#include <windows.h>
#include "catalog/json.h"

JsonValue ParseJson(const std::wstring&) { return JsonValue(); }
const JsonValue* FindMember(const JsonValue&, const std::wstring&) { return nullptr; }
std::wstring GetStringMember(const JsonValue&, const std::wstring&) { return std::wstring(); }
