// Strict UTF-8 <-> UTF-16 conversion.
#pragma once

#include <string>
#include <string_view>

// Throws "UTF-8 invalide" on any malformed sequence; drops one leading BOM.
std::wstring Utf8ToWide(std::string_view bytes);
// For texts the program writes itself (console output, test data).
std::string WideToUtf8(std::wstring_view text);
