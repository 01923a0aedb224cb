#include "cli/command_line.h"

#include <shellapi.h>

#include <cwchar>
#include <memory>

#include "base/constants.h"
#include "base/handles.h"
#include "base/messages.h"

namespace {

struct CommandName {
    const wchar_t* name;
    CliCommand command;
    bool takesIds;
};

constexpr CommandName kCommands[] = {
    {L"--install-self", CliCommand::InstallSelf, false}, {L"--remove-self", CliCommand::RemoveSelf, false},
    {L"--install", CliCommand::Install, true},           {L"--update", CliCommand::Update, true},
    {L"--update-all", CliCommand::UpdateAll, false},     {L"--uninstall", CliCommand::Uninstall, true},
    {L"--list", CliCommand::List, false},                {L"--check", CliCommand::Check, false},
};

constexpr wchar_t kUsbPrefix[] = L"usb:";

// Switches are read as Windows programs read them: case aside.
bool Is(const std::wstring& argument, const wchar_t* name) { return _wcsicmp(argument.c_str(), name) == 0; }

bool IsSwitch(const std::wstring& argument) { return argument.size() >= 2 && argument.compare(0, 2, L"--") == 0; }

const CommandName* FindCommand(const std::wstring& argument) {
    for (const CommandName& entry : kCommands)
        if (Is(argument, entry.name)) return &entry;
    return nullptr;
}

ParsedCommandLine Refuse(const char* error) {
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

ParsedCommandLine Refuse(const char* error, const std::wstring& argument) {
    ParsedCommandLine parsed;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, argument.c_str(), static_cast<int>(argument.size()), nullptr,
                                          0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, argument.c_str(), static_cast<int>(argument.size()), text.data(), bytes,
                            nullptr, nullptr);
    parsed.error = std::string(error) + text;
    return parsed;
}

bool ReadSource(const std::wstring& value, CliRequest& request) {
    if (Is(value, L"web")) {
        request.source = CliSource::Web;
        return true;
    }
    const size_t prefix = std::wcslen(kUsbPrefix);
    if (value.size() > prefix && _wcsnicmp(value.c_str(), kUsbPrefix, prefix) == 0) {
        request.source = CliSource::Usb;
        request.usbRoot = value.substr(prefix);
        return true;
    }
    return false;
}

}  // namespace

std::vector<std::wstring> SplitArguments(PCWSTR commandLine) {
    std::vector<std::wstring> arguments;
    if (commandLine == nullptr || *commandLine == L'\0') return arguments;
    // Given the arguments alone (WinMain's command line), CommandLineToArgvW
    // would read the first one as the program's name: a stand-in name goes
    // in front.
    const std::wstring whole = std::wstring(L"Orkvane.exe ") + commandLine;
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreeDeleter> list(CommandLineToArgvW(whole.c_str(), &count));
    if (!list) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(list.get()[i]);
    return arguments;
}

bool IsCommandRun(const std::vector<std::wstring>& arguments) {
    // Words that are no switches never meant anything to the window, and
    // still do not: only a switch other than "--minimized" makes a command.
    for (const std::wstring& argument : arguments)
        if (IsSwitch(argument) && !Is(argument, kMinimizedSwitch)) return true;
    return false;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    ParsedCommandLine parsed;
    CliRequest& request = parsed.request;
    const CommandName* command = nullptr;
    bool sourceGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (const CommandName* found = FindCommand(argument)) {
            if (command != nullptr) return Refuse(msg::kCliOneCommand);
            command = found;
            request.command = found->command;
            while (found->takesIds && i + 1 < arguments.size() && !IsSwitch(arguments[i + 1]))
                request.ids.push_back(arguments[++i]);
            if (found->takesIds && request.ids.empty()) return Refuse(msg::kCliMissingId, argument);
        } else if (Is(argument, L"--source")) {
            if (sourceGiven || i + 1 >= arguments.size() || !ReadSource(arguments[++i], request))
                return Refuse(msg::kCliBadSource);
            sourceGiven = true;
        } else if (Is(argument, L"--output")) {
            if (!request.outputPath.empty() || i + 1 >= arguments.size() || IsSwitch(arguments[i + 1]))
                return Refuse(msg::kCliBadOutput);
            request.outputPath = arguments[++i];
        } else if (Is(argument, L"--start")) {
            request.start = true;
        } else if (Is(argument, L"--confirm")) {
            request.confirm = true;
        } else if (Is(argument, kMinimizedSwitch)) {
            // The autostart's switch means nothing to a command.
        } else {
            return Refuse(msg::kCliUnknownArgument, argument);
        }
    }
    if (command == nullptr) return Refuse(msg::kCliNoCommand);
    if (request.start && request.command != CliCommand::InstallSelf) return Refuse(msg::kCliStartOnlyWithInstall);
    if (request.confirm && request.command != CliCommand::RemoveSelf && request.command != CliCommand::Uninstall)
        return Refuse(msg::kCliConfirmOnlyWithRemoval);
    parsed.ok = true;
    return parsed;
}

std::wstring FindOutputPath(const std::vector<std::wstring>& arguments) {
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (Is(arguments[i], L"--output") && !IsSwitch(arguments[i + 1])) return arguments[i + 1];
    return {};
}

const wchar_t* CommandSwitch(CliCommand command) {
    for (const CommandName& entry : kCommands)
        if (entry.command == command) return entry.name;
    return L"";
}

const char* UsageText() { return msg::kCliUsage; }
