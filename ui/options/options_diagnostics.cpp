// "Copier les informations de diagnostic": the text of app/diagnostics.h on
// the clipboard, and "Informations copiées." in the dialog.
#include "ui/options/options_diagnostics.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "app/diagnostics.h"
#include "resources/resource.h"

namespace {

// Another program may hold the clipboard for a moment.
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMs = 20;

// Movable memory owned until the clipboard takes it.
class ClipboardMemory {
public:
    explicit ClipboardMemory(const std::wstring& text)
        : memory_(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        if (memory_ == nullptr) return;
        void* bytes = GlobalLock(memory_);
        if (bytes == nullptr) return;
        std::memcpy(bytes, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory_);
        filled_ = true;
    }
    ~ClipboardMemory() {
        if (memory_ != nullptr) GlobalFree(memory_);
    }
    ClipboardMemory(const ClipboardMemory&) = delete;
    ClipboardMemory& operator=(const ClipboardMemory&) = delete;

    bool filled() const { return filled_; }
    HGLOBAL get() const { return memory_; }
    void handOver() { memory_ = nullptr; }

private:
    HGLOBAL memory_;
    bool filled_ = false;
};

class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        for (int attempt = 0; attempt < kOpenAttempts && !open_; ++attempt) {
            if (attempt > 0) Sleep(kOpenRetryMs);
            open_ = OpenClipboard(owner) != FALSE;
        }
    }
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool open() const { return open_; }

private:
    bool open_ = false;
};

bool PutTextOnClipboard(HWND owner, const std::wstring& text) {
    ClipboardMemory memory(text);
    if (!memory.filled()) return false;
    OpenedClipboard clipboard(owner);
    if (!clipboard.open() || !EmptyClipboard()) return false;
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
    memory.handOver();  // the system owns it now
    return true;
}

}  // namespace

void CopyDiagnostics(HWND dialog) {
    if (!PutTextOnClipboard(dialog, ComposeDiagnosticText(GatherDiagnosticFacts()))) return;
    ShowWindow(GetDlgItem(dialog, IDC_OPT_DIAGNOSTICS_DONE), SW_SHOW);
}
