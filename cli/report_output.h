// Where a command's report goes: the standard output the parent gave (a pipe,
// a file, or its console, joined for the purpose), and the --output file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The report's UTF-8 text, in pieces that each end between two values.
using ReportPieces = std::vector<std::string_view>;

// Writes the text to the standard output when there is one to write to.
void WriteToStandardOutput(const ReportPieces& utf8);
// Writes the text as the whole file; false when it could not be written.
bool WriteReportFile(const std::wstring& path, const ReportPieces& utf8);
