// Helpers shared by the tool-operation and icon tests: the stand-in tool, a
// catalogue entry made the way the catalogue makes it, recorded message boxes,
// shortcuts read back, PNG bytes; and, through the headers below, the real
// main window and the message pump.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog_model.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/waiting.h"

// The built stand-in tool, its bytes and their SHA-256 (upper case).
std::wstring TraceToolPath();
std::string TraceToolBytes();
std::wstring Sha256Of(std::string_view bytes);

// A catalogue entry as the catalogue step builds it: online when sourceRoot is
// empty (then the endpoint is the test server's download service).
CatalogApp MakeToolEntry(const std::wstring& id, const std::wstring& sha256, const std::wstring& sourceRoot = L"");
std::wstring TestDownloadEndpoint();
// Where the test server serves the download of that entry.
std::wstring PublishedDownloadPath(const CatalogApp& app);

// The offline folder on the removable test drive E:, created on demand.
std::wstring OfflineRootOnUsbDrive();

// Removes Apps\<id>.exe, the files kept beside it (previous version, aside
// copies) and the tool's two shortcuts, now and at the end.
class ToolCleanup {
public:
    explicit ToolCleanup(std::wstring id);
    ~ToolCleanup();
    ToolCleanup(const ToolCleanup&) = delete;
    ToolCleanup& operator=(const ToolCleanup&) = delete;
    void clean() const;

private:
    std::wstring id_;
};

std::wstring InstalledPath(const std::wstring& id);
// An installed copy working online that makes no shortcuts, its Apps folder made:
// where tool operations run in the tests.
void EnterInstalledModeForTools();
// Files of `folder` whose names match a wildcard pattern ("outil*.exe").
std::vector<std::wstring> FilesMatching(const std::wstring& folder, const std::wstring& pattern);

struct RecordedBox {
    HWND owner = nullptr;
    std::wstring text;
    UINT flags = 0;
};
// Answers every message box with IDOK and records it.
std::vector<RecordedBox>& RecordMessageBoxes();

struct ShortcutInfo {
    std::wstring target;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring iconPath;
    int iconIndex = -1;
};
// Reads a .lnk file back through the shell link object (COM must be started).
ShortcutInfo ReadShortcut(const std::wstring& path);

// A trace file the stand-in tool writes when started with this environment.
struct TraceRecord {
    std::string currentFolder;
    std::string exePath;
    bool exited = false;
};
void ArmTrace(const std::wstring& traceFile, DWORD lingerMs);
bool WaitForTrace(const std::wstring& traceFile, TraceRecord& record, bool untilExit, DWORD timeoutMs);

// An uncompressed RGBA PNG whose pixel (x, y) has the colour pixel(x, y)
// (0xAARRGGBB); padded with a private ancillary chunk to `totalSize` bytes
// when that is larger than the image needs.
std::string MakePng(int width, int height, const std::function<unsigned(int x, int y)>& pixel, size_t totalSize = 0);
