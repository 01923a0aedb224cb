// Where the program's memory goes at start-up: the start-up steps run one by
// one in this process, with the working set and private bytes after each.
// The first step is a plain window like the reference program's, so every
// later line is what the program adds to it.
//
// Placed beside catalog.json in an OrkvaneOffline folder, it loads that
// catalogue like the portable program.
#include <windows.h>
#include <objidl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/settings.h"
#include "app/state.h"
#include "app/theme.h"
#include "base/constants.h"
#include "base/gdiplus_session.h"
#include "base/handles.h"
#include "bench/bench_timing.h"
#include "catalog/catalog_keys.h"
#include "catalog/catalog_load.h"
#include "ui/jobs/theme_apply.h"
#include "ui/main/main_window.h"
#include "ui/main/main_window_commands.h"

namespace {

PROCESS_MEMORY_COUNTERS Counters() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

SIZE_T g_lastWorkingSet = 0;

void Report(const char* step) {
    const PROCESS_MEMORY_COUNTERS c = Counters();
    const double change = MiB(c.WorkingSetSize) - MiB(g_lastWorkingSet);
    std::printf("  %-44s working set %6.1f MiB (%+5.1f), peak %6.1f MiB, private %6.1f MiB\n", step,
                MiB(c.WorkingSetSize), change, MiB(c.PeakWorkingSetSize), MiB(c.PagefileUsage));
    std::fflush(stdout);
    g_lastWorkingSet = c.WorkingSetSize;
}

void Pump(double ms) {
    const double end = NowMs() + ms;
    MSG message;
    while (NowMs() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        UniqueBrush brush(CreateSolidBrush(RGB(0xF4, 0xF7, 0xFB)));
        FillRect(dc, &client, brush.get());
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND PlainWindow(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"OrkvaneProfilePlain";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Plain", WS_OVERLAPPEDWINDOW, 0, 0, 1180, 780, nullptr, nullptr,
                                  instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}

}  // namespace

int wmain() {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    std::printf("memory profile of the start-up (empty catalogue beside this program)\n");
    Report("process started");
    HWND plain = PlainWindow(instance);
    Pump(500);
    Report("a plain window, shown and painted");

    LoadSettings();
    ApplyTheme();
    Report("settings read, theme chosen");
    {
        ScopedComApartment com;
        Report("COM apartment");
        GdiplusSession gdiplus;
        Report("GDI+ started");
        {
            g_state.instance = instance;
            RegisterWindowClasses(instance, nullptr);
            HWND window = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle,
                                          WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_CLIPCHILDREN, 0, 0, 1180, 780, nullptr,
                                          nullptr, instance, nullptr);
            g_state.mainWindow = window;
            Report("main window created (fonts, settings saved)");
            ShowWindow(window, SW_SHOWNORMAL);
            UpdateWindow(window);
            Report("main window shown and painted once");
            // The worker's steps, on this thread so that each can be seen.
            CatalogLoadJob job;
            job.window = window;
            job.offline = g_state.settings.offlineMode;
            job.offlineRoot = g_state.settings.offlineRoot;
            job.signingKeys = CatalogSigningKeys();
            std::unique_ptr<CatalogLoadResult> result = LoadCatalog(job);
            Report(result && result->ok ? "catalogue read, checked and built" : "catalogue read, refused");
            g_state.busy = true;
            SendMessageW(window, WM_APP_CATALOG_READY, 0, reinterpret_cast<LPARAM>(result.release()));
            Report("catalogue applied");
            UpdateWindow(window);
            Report("painted with the catalogue");
            std::thread([] {}).join();
            Report("a worker thread started and ended");
            Pump(500);
            Report("after the next paints");
            InvalidateRect(window, nullptr, FALSE);
            Pump(2000);
            Report("idle two seconds later");
            DestroyWindow(window);
            g_state.apps.clear();
        }
    }
    DestroyWindow(plain);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    return 0;
}
