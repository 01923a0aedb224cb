#include "tests/support/main_window_fixture.h"

#include <stdexcept>

TestMainWindow::TestMainWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    g_state.instance = instance;
    if (!RegisterWindowClasses(instance, nullptr)) throw std::runtime_error("window classes");
    window_ = CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 900, 700, nullptr,
                              nullptr, instance, nullptr);
    if (window_ == nullptr) throw std::runtime_error("main window");
    g_state.mainWindow = window_;
}

TestMainWindow::~TestMainWindow() {
    if (IsWindow(window_)) DestroyWindow(window_);
    // Drop the WM_QUIT that the window's destruction posts.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}
