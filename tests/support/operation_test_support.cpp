#include "tests/support/operation_test_support.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <stdexcept>

#include "app/state.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/handles.h"
#include "base/paths.h"
#include "base/sha256.h"
#include "operations/shell_ops.h"
#include "tests/support/test_server.h"
#include "tests/support/test_support.h"
#include "ui/message_box.h"

std::wstring TraceToolPath() { return ORKVANE_TRACE_TOOL_PATH; }

std::string TraceToolBytes() { return ReadFileBytes(TraceToolPath()); }

std::wstring Sha256Of(std::string_view bytes) {
    ScratchFolder folder(L"sha");
    WriteFileBytes(folder / L"bytes.bin", bytes);
    return ComputeFileSha256(folder / L"bytes.bin");
}

std::wstring TestDownloadEndpoint() { return TestServerUrl() + L"/telechargement"; }

CatalogApp MakeToolEntry(const std::wstring& id, const std::wstring& sha256, const std::wstring& sourceRoot) {
    CatalogApp app;
    app.id = id;
    app.name = id;
    app.version = L"1.0";
    app.category = L"Essais";
    app.description = L"Outil d’essai « " + id + L" »";
    app.exeName = id + L".exe";
    app.sha256 = sha256;
    app.downloadId = id + L"_" + sha256.substr(0, 12);
    app.sourceRoot = sourceRoot;
    app.downloadEndpoint = sourceRoot.empty() ? TestDownloadEndpoint() : L"";
    return app;
}

std::wstring PublishedDownloadPath(const CatalogApp& app) { return L"telechargement/" + app.downloadId + L".exe"; }

std::wstring OfflineRootOnUsbDrive() {
    std::wstring root = L"E:\\OrkvaneOffline";
    CreateFolderPath(JoinPath(root, L"outils"));
    return root;
}

std::wstring InstalledPath(const std::wstring& id) { return JoinPath(GetAppsFolder(), id + L".exe"); }

void EnterInstalledModeForTools() {
    g_state.installedMode = true;
    g_state.settings.desktopShortcut = false;
    g_state.settings.menuShortcut = false;
    g_state.settings.offlineMode = false;
    CreateFolderPath(GetAppsFolder());
}

ToolCleanup::ToolCleanup(std::wstring id) : id_(std::move(id)) { clean(); }
ToolCleanup::~ToolCleanup() { clean(); }
void ToolCleanup::clean() const {
    // The executable and the files kept beside it: ids hold no dot.
    for (const std::wstring& name : FilesMatching(GetAppsFolder(), id_ + L".*")) {
        const std::wstring path = JoinPath(GetAppsFolder(), name);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
    DeleteFileW(ShortcutPath(id_, true).c_str());
    DeleteFileW(ShortcutPath(id_, false).c_str());
}

std::vector<std::wstring> FilesMatching(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(JoinPath(folder, pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<RecordedBox>& RecordMessageBoxes() {
    static std::vector<RecordedBox> boxes;
    boxes.clear();
    SetMessageBoxResponder([](HWND owner, const std::wstring& text, UINT flags) {
        boxes.push_back({owner, text, flags});
        return IDOK;
    });
    return boxes;
}

ShortcutInfo ReadShortcut(const std::wstring& path) {
    ShortcutInfo info;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())))
        throw std::runtime_error("shell link");
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        throw std::runtime_error("cannot load shortcut");
    wchar_t buffer[MAX_PATH * 4] = {};
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH * 4, nullptr, SLGP_RAWPATH))) info.target = buffer;
    buffer[0] = 0;
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH * 4))) info.workingFolder = buffer;
    buffer[0] = 0;
    if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH * 4))) info.description = buffer;
    buffer[0] = 0;
    int index = -1;
    if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH * 4, &index))) {
        info.iconPath = buffer;
        info.iconIndex = index;
    }
    return info;
}

void ArmTrace(const std::wstring& traceFile, DWORD lingerMs) {
    DeleteFileW(traceFile.c_str());
    SetEnvironmentVariableW(L"ORKVANE_TRACE_FILE", traceFile.c_str());
    SetEnvironmentVariableW(L"ORKVANE_TRACE_LINGER_MS", lingerMs == 0 ? nullptr : std::to_wstring(lingerMs).c_str());
}

namespace {

std::string LineValue(const std::string& text, const std::string& key) {
    size_t start = text.find(key + "=");
    if (start == std::string::npos) return {};
    start += key.size() + 1;
    size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

bool WaitForTrace(const std::wstring& traceFile, TraceRecord& record, bool untilExit, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (FileExists(traceFile)) {
            std::string text;
            try {
                text = ReadFileBytes(traceFile);
            } catch (const std::exception&) {
                text.clear();
            }
            if (text.find("cmd=") != std::string::npos) {
                record.currentFolder = LineValue(text, "cwd");
                record.exePath = LineValue(text, "exe");
                record.exited = text.find("exit\n") != std::string::npos;
                if (!untilExit || record.exited) return true;
            }
        }
        if (GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
}

namespace {

unsigned long Crc32(const std::string& bytes, size_t start) {
    static unsigned long table[256];
    static bool ready = false;
    if (!ready) {
        for (unsigned long n = 0; n < 256; ++n) {
            unsigned long c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    unsigned long crc = 0xFFFFFFFFUL;
    for (size_t i = start; i < bytes.size(); ++i)
        crc = table[(crc ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}

void PutBigEndian(std::string& out, unsigned long value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
    PutBigEndian(png, static_cast<unsigned long>(data.size()));
    std::string typed = std::string(type, 4) + data;
    png += typed;
    PutBigEndian(png, Crc32(typed, 0));
}

// A zlib stream of stored (uncompressed) blocks.
std::string StoredZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    size_t offset = 0;
    do {
        size_t length = std::min<size_t>(raw.size() - offset, 65535);
        bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

}  // namespace

std::string MakePng(int width, int height, const std::function<unsigned(int x, int y)>& pixel, size_t totalSize) {
    std::string header;
    PutBigEndian(header, static_cast<unsigned long>(width));
    PutBigEndian(header, static_cast<unsigned long>(height));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace

    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < width; ++x) {
            unsigned argb = pixel(x, y);
            raw.push_back(static_cast<char>((argb >> 16) & 0xFF));
            raw.push_back(static_cast<char>((argb >> 8) & 0xFF));
            raw.push_back(static_cast<char>(argb & 0xFF));
            raw.push_back(static_cast<char>((argb >> 24) & 0xFF));
        }
    }
    std::string idat = StoredZlib(raw);

    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    size_t withoutPadding = png.size() + 12 + idat.size() + 12;
    if (totalSize > withoutPadding) {
        if (totalSize - withoutPadding < 12) throw std::runtime_error("padding too small for a chunk");
        PutChunk(png, "prVt", std::string(totalSize - withoutPadding - 12, '\0'));
    }
    PutChunk(png, "IDAT", idat);
    PutChunk(png, "IEND", "");
    return png;
}
