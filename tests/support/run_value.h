// The program's value under the current user's Run key (autostart), read,
// written and removed by the tests of the program's own install and removal.
#pragma once

#include <string>

// The value's text, or "<absent>".
std::wstring ReadRunValue();
// Fails the current test when the key cannot be opened.
void WriteRunValue(const std::wstring& text);
void DeleteRunValue();
