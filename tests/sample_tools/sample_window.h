// The little shared frame of the demo tools: one window, painted by the tool,
// optionally repainted every second. Header-only so that each tool is one
// small executable.
#pragma once

#include <windows.h>

namespace sample {

using PaintFn = void (*)(HDC dc, const RECT& client);
using ClickFn = void (*)();

struct Tool {
    const wchar_t* title;
    int width;
    int height;
    PaintFn paint;
    ClickFn click = nullptr;  // left click anywhere, then a repaint
    bool tick = false;        // repaint once a second
};

inline const Tool*& CurrentTool() {
    static const Tool* tool = nullptr;
    return tool;
}

inline void FillRect(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    ::FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

inline void Text(HDC dc, const wchar_t* text, RECT rect, int pixelHeight, int weight, COLORREF colour,
                 UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE) {
    HFONT font = CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &rect, flags | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

inline void Paint(HWND window) {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    RECT client{};
    GetClientRect(window, &client);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    FillRect(memory, client, RGB(0xF4, 0xF7, 0xFB));
    CurrentTool()->paint(memory, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &ps);
}

inline LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (CurrentTool()->tick) SetTimer(window, 1, 1000, nullptr);
        return 0;
    case WM_TIMER: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(window); return 0;
    case WM_LBUTTONDOWN:
        if (CurrentTool()->click != nullptr) {
            CurrentTool()->click();
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

inline int Run(HINSTANCE instance, const Tool& tool) {
    CurrentTool() = &tool;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"KestSampleTool";
    if (RegisterClassExW(&windowClass) == 0) return 1;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, tool.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, tool.width, tool.height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace sample
