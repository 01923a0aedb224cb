// What the command line's process tests share: the built program run with
// arguments, its report read back, and a catalogue of test tools published on
// the loopback server or on a USB key.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalog/json.h"

std::wstring BuiltExe();

struct CommandRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string standardOutput;
    JsonValue report;         // read from the --output file
    bool reportRead = false;  // the file held one JSON document
    bool windowShown = false; // a visible window of the process was seen while it ran
};

// Runs `exe` with the arguments and "--output <scratch file>", waits for its
// end, and reads the report.
CommandRun RunCommand(const std::wstring& exe, const std::wstring& arguments);

// The members of the report's results, in order.
std::vector<std::wstring> ResultMessages(const JsonValue& report);

struct TestTool {
    std::string id;
    std::string bytes;       // the file the source offers
    std::string catalogSha;  // the SHA-256 the catalogue gives (of `bytes`, unless spoiled)
    unsigned rollout = 0;    // the entry's "rollout"; 0: none
};
// A tool whose catalogue digest matches its file.
TestTool GoodTool(const std::string& id, const std::string& bytes);
// SHA-256 of bytes, in upper-case hexadecimal.
std::string ShaText(const std::string& bytes);

// Publishes the catalogue and the tools' files on the loopback server.
void PublishOnWeb(const std::vector<TestTool>& tools);
// Writes them into E:\OrkvaneOffline, a removable drive.
void PublishOnUsb(const std::vector<TestTool>& tools);
inline constexpr wchar_t kUsbRoot[] = L"E:\\OrkvaneOffline";

// Puts the built program where the installed copy lives.
void PlaceInstalledCopy();
// Removes the installed copy, its shortcuts, the tools, the settings, the
// policies and the USB folder.
void CleanCommandLineState();
std::wstring AppsFile(const std::string& id);
