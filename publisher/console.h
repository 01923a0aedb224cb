// Console output for the publisher's tool: UTF-16 text to the console, or
// UTF-8 when the output is a file or a pipe.
#pragma once

#include <string>

void PrintOut(const std::wstring& line);
void PrintErr(const std::wstring& line);
// A progress line on the error stream, overwritten by the next one; none
// while the size is not known (-1).
void PrintProgress(const std::wstring& label, unsigned long long done, long long expected);
void EndProgress();
