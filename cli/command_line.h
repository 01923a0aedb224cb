// The command line's switches, read into one request. A start with a switch
// other than "--minimized" is a command: it never shows a window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

enum class CliCommand { InstallSelf, RemoveSelf, Install, Update, UpdateAll, Uninstall, List, Check };
enum class CliSource { Settings, Web, Usb };

struct CliRequest {
    CliCommand command = CliCommand::List;
    std::vector<std::wstring> ids;
    CliSource source = CliSource::Settings;
    std::wstring usbRoot;     // with CliSource::Usb
    std::wstring outputPath;  // empty: no report file
    bool start = false;       // --start: the installed copy starts after --install-self
    bool confirm = false;     // --confirm: ask before a removal
};

struct ParsedCommandLine {
    bool ok = false;
    CliRequest request;
    std::string error;  // French, UTF-8, when not ok
};

// The arguments after the program's own name, as Windows splits them.
std::vector<std::wstring> SplitArguments(PCWSTR commandLine);
// Whether the arguments ask for a command rather than the window.
bool IsCommandRun(const std::vector<std::wstring>& arguments);
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);
// The --output file of arguments that may not parse, so that even a usage
// error is reported there; empty when none is named.
std::wstring FindOutputPath(const std::vector<std::wstring>& arguments);
// The command's switch, as the report names it ("--install").
const wchar_t* CommandSwitch(CliCommand command);
// The usage text, in French, UTF-8.
const char* UsageText();
