// Where a command's report goes: the standard output the parent gave (a pipe,
// a file, or its console, joined for the purpose), and the --output file.
#pragma once

#include <string>

// Writes the UTF-8 text to the standard output when there is one to write to.
void WriteToStandardOutput(const std::string& utf8);
// Writes the UTF-8 text as the whole file; false when it could not be written.
bool WriteReportFile(const std::wstring& path, const std::string& utf8);
